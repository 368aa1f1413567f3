#include "gui/cbitmap.h"

#include "gui/cdrawcontext.h"
#include "resources/corvane_resources.h"

#include <cstring>

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

} // namespace

CBitmap::CBitmap(const CResourceDescription& description) {
    using corvane::resources::findResource;
    const corvane::resources::ResourceData data =
        description.type == CResourceDescription::kIntegerType
            ? findResource("PNG", description.id)
            : findResource("PNG", description.name);
    if (!data) return;
    PngReader reader{data.bytes, data.size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS)
        surface = s;
    else
        cairo_surface_destroy(s);
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
