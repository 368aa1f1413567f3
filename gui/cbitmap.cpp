#include "gui/cbitmap.h"

#include "gui/cdrawcontext.h"
#include "resources/corvane_resources.h"

#include <cmath>
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

// The module's own pictures, decoded once per process and shared by every bitmap (and every
// plug-in instance) that shows them: reopening an editor, at any scale, then costs no decoding.
// Pictures are never drawn on: the toolkit only reads them. The cache holds one reference to
// each and gives it up when the module goes (bitmaps still alive keep their own).
class DecodedPictures {
public:
    ~DecodedPictures() {
        for (const auto& entry : decoded)
            cairo_surface_destroy(entry.second);
    }
    std::mutex mutex;
    std::vector<std::pair<const uint8_t*, cairo_surface_t*>> decoded;
};

// Decodes a PNG resource; null when it cannot be read.
cairo_surface_t* decodePng(const corvane::resources::ResourceData& data) {
    if (!data) return nullptr;
    static DecodedPictures cache;
    const bool keep = corvane::resources::isEmbedded(data);
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (keep)
        for (const auto& entry : cache.decoded)
            if (entry.first == data.bytes) return cairo_surface_reference(entry.second);
    PngReader reader{data.bytes, data.size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    if (keep) cache.decoded.emplace_back(data.bytes, cairo_surface_reference(s));
    return s;
}

corvane::resources::ResourceData findPng(const char* type, CResourceDescription::Type kind,
                                         int32_t id, const std::string& name) {
    using corvane::resources::findResource;
    return kind == CResourceDescription::kIntegerType ? findResource(type, id)
                                                      : findResource(type, name.c_str());
}

} // namespace

CBitmap::CBitmap(const CResourceDescription& description)
    : type(description.type), id(description.id),
      name(description.type == CResourceDescription::kStringType && description.name != nullptr
               ? description.name
               : "") {
    if (type == CResourceDescription::kStringType && description.name == nullptr) return;
    surface = decodePng(findPng("PNG", type, id, name));
}

CBitmap::~CBitmap() {
    dropReducedParts();
    if (surface != nullptr) cairo_surface_destroy(surface);
    if (surface2x != nullptr) cairo_surface_destroy(surface2x);
}

void CBitmap::dropReducedParts() {
    for (auto& part : reducedParts)
        cairo_surface_destroy(part.second);
    reducedParts.clear();
}

cairo_surface_t* CBitmap::getReducedPart(double scale, const CRect& source, const CPoint& phase) {
    double factor = 1;
    cairo_surface_t* picture = getSurfaceForScale(scale, factor);
    if (picture == nullptr || factor != 2 || source.isEmpty()) return nullptr;
    if (scale != reducedScale) {
        dropReducedParts();
        reducedScale = scale;
    }
    const auto q = [](CCoord v) { return static_cast<int32_t>(std::lround(v * 64)); };
    const PartKey key{q(source.left),   q(source.top), q(source.right),
                      q(source.bottom), q(phase.x),    q(phase.y)};
    const auto found = reducedParts.find(key);
    if (found != reducedParts.end()) return found->second;

    const int w = static_cast<int>(std::ceil(phase.x + source.width() * scale));
    const int h = static_cast<int>(std::ceil(phase.y + source.height() * scale));
    cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    // The source part as a picture of its own, so that the filter pads with its edge pixels
    // instead of pulling in a neighbouring filmstrip frame or glyph.
    cairo_surface_t* area = cairo_surface_create_for_rectangle(
        picture, source.left * 2, source.top * 2, source.width() * 2, source.height() * 2);
    cairo_t* cr = cairo_create(part);
    cairo_translate(cr, phase.x, phase.y);
    cairo_scale(cr, scale / 2, scale / 2);
    cairo_set_source_surface(cr, area, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
    cairo_rectangle(cr, 0, 0, source.width() * 2, source.height() * 2);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(area);
    reducedParts.emplace(key, part);
    return part;
}

cairo_surface_t* CBitmap::getSurfaceForScale(double scale, double& factor) {
    factor = 1;
    if (surface == nullptr || !(scale > 1)) return surface;
    if (!triedSurface2x) {
        triedSurface2x = true;
        surface2x = decodePng(findPng("PNG_2X", type, id, name));
        if (surface2x != nullptr && (cairo_image_surface_get_width(surface2x) !=
                                         2 * cairo_image_surface_get_width(surface) ||
                                     cairo_image_surface_get_height(surface2x) !=
                                         2 * cairo_image_surface_get_height(surface))) {
            cairo_surface_destroy(surface2x);
            surface2x = nullptr;
        }
    }
    if (surface2x == nullptr) return surface;
    factor = 2;
    return surface2x;
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
