#include "gui/cbitmap.h"

#include "gui/cdrawcontext.h"
#include "resources/corvane_resources.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace VSTGUI {

namespace {

struct PngReader {
    const uint8_t* bytes;
    size_t size;
    size_t pos;
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (length > r->size - r->pos) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

// A new reference to the decoded image, or null when the bytes are no readable PNG.
cairo_surface_t* decode(const corvane::resources::ResourceData& data) {
    PngReader reader{data.bytes, data.size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return s;
    cairo_surface_destroy(s);
    return nullptr;
}

// The module's own bitmaps, decoded once for the process: decoding is most of what opening an
// editor costs, and the artwork never changes. The cache holds one reference to each surface,
// every bitmap drawn from it another; nobody draws into them. A test's stand-in bytes are
// decoded afresh each time (they may change at the same address). Bitmaps are made on
// user-interface threads only, and a host may run several: hence the lock.
class DecodedBitmaps {
public:
    ~DecodedBitmaps() {
        for (const Entry& e : entries_)
            if (e.surface != nullptr) cairo_surface_destroy(e.surface);
    }

    cairo_surface_t* get(const corvane::resources::ResourceData& data) {
        if (!data.builtIn) return decode(data);
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Entry& e : entries_)
            if (e.bytes == data.bytes)
                return e.surface != nullptr ? cairo_surface_reference(e.surface) : nullptr;
        cairo_surface_t* s = decode(data);
        entries_.push_back({data.bytes, s});
        return s != nullptr ? cairo_surface_reference(s) : nullptr;
    }

private:
    struct Entry {
        const uint8_t* bytes;
        cairo_surface_t* surface; // null: not a readable PNG
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

DecodedBitmaps& decodedBitmaps() {
    static DecodedBitmaps bitmaps;
    return bitmaps;
}

} // namespace

CBitmap::CBitmap(const CResourceDescription& description) {
    using corvane::resources::findResource;
    const corvane::resources::ResourceData data =
        description.type == CResourceDescription::kIntegerType
            ? findResource("PNG", description.id)
            : findResource("PNG", description.name);
    if (data) surface = decodedBitmaps().get(data);
}

CBitmap::~CBitmap() {
    if (surface != nullptr) cairo_surface_destroy(surface);
}

CCoord CBitmap::getWidth() const {
    return surface != nullptr ? cairo_image_surface_get_width(surface) : 0;
}

CCoord CBitmap::getHeight() const {
    return surface != nullptr ? cairo_image_surface_get_height(surface) : 0;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
    if (context != nullptr) context->drawBitmap(this, rect, offset, alpha);
}

} // namespace VSTGUI
