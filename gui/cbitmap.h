#pragma once

#include "gui/cbaseobject.h"
#include "gui/cgeometry.h"

#include <cairo.h>

// A PNG bitmap from the module's resources, found by name (without regard to case) or by numeric
// id. A bitmap whose resource is missing or unreadable exists with size 0 x 0 and draws nothing.

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
    cairo_surface_t* getSurface() const { return surface; }

    CLASS_TYPE_OF(CBitmap, CBaseObject)

private:
    cairo_surface_t* surface = nullptr;
};

} // namespace VSTGUI
