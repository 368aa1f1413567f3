#pragma once

#include "gui/cbaseobject.h"
#include "gui/cgeometry.h"

#include <cairo.h>

#include <array>
#include <map>
#include <string>

// A PNG bitmap from the module's resources, found by name (without regard to case) or by numeric
// id. A bitmap whose resource is missing or unreadable exists with size 0 x 0 and draws nothing.
//
// Sizes are in editor pixels, those of the resource of type "PNG". The same picture drawn at twice
// the size, resource type "PNG_2X" under the same name or id, is what the bitmap draws on a
// context whose scale is above 1: directly at 2x, reduced by the draw context between 1x and 2x.
// It is loaded on first use and only used when it is exactly twice the size of the 1x picture.

namespace VSTGUI {

class CDrawContext;

class CResourceDescription {
public:
    enum Type { kIntegerType, kStringType };

    CResourceDescription(int32_t resourceId) : type(kIntegerType), id(resourceId) {}
    CResourceDescription(const char* resourceName) : type(kStringType), name(resourceName) {}

    Type type;
    int32_t id = -1;
    const char* name = nullptr;
};

class CBitmap : public CBaseObject {
public:
    explicit CBitmap(const CResourceDescription& description);
    ~CBitmap() override;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Draws the part of the bitmap that starts at offset into rect, with the given opacity.
    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0),
                      float alpha = 1.f);

    CCoord getWidth() const;
    CCoord getHeight() const;
    bool isLoaded() const { return surface != nullptr; }
    // The picture at 1x.
    cairo_surface_t* getSurface() const { return surface; }
    // The picture to draw at a scale, with the image pixels it has per editor pixel in factor:
    // the 1x picture (factor 1) at scale 1 or when there is no 2x one, else the 2x one (factor 2).
    // Null for a bitmap that is not loaded.
    cairo_surface_t* getSurfaceForScale(double scale, double& factor);
    // A part of the picture (source, in editor pixels) reduced from the 2x picture to a scale
    // between 1x and 2x with cairo's best filter, its first pixel starting phase (0 to 1) surface
    // pixels in, so that it lands on the surface's pixel grid as drawn there. Reducing is slow, so
    // parts are made once and kept until the bitmap is asked for another scale. Null without a 2x
    // picture.
    cairo_surface_t* getReducedPart(double scale, const CRect& source, const CPoint& phase);

    CLASS_TYPE_OF(CBitmap, CBaseObject)

private:
    CResourceDescription::Type type;
    int32_t id;
    std::string name;
    cairo_surface_t* surface = nullptr;
    cairo_surface_t* surface2x = nullptr;
    bool triedSurface2x = false;
    // Reduced parts by source rectangle and phase, in 1/64 of a pixel, at reducedScale.
    using PartKey = std::array<int32_t, 6>;
    std::map<PartKey, cairo_surface_t*> reducedParts;
    double reducedScale = 0;
    void dropReducedParts();
};

} // namespace VSTGUI
