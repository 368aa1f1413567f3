#pragma once

#include "gui/cbitmap.h"

#include <cstdint>

// A bitmap that draws with an adjustable opacity of its own: the glyph sheet of a bitmap font,
// whose alpha every user of the font shares.
class CTWBitmap : public VSTGUI::CBitmap {
public:
    explicit CTWBitmap(const VSTGUI::CResourceDescription& description, uint8_t initialAlpha = 255)
        : CBitmap(description), alpha(initialAlpha) {}

    // Draws like CBitmap::draw with the opacity alpha / 255.
    virtual void drawAlpha(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect,
                           const VSTGUI::CPoint& offset = VSTGUI::CPoint(0, 0)) {
        draw(context, rect, offset, float(alpha) * (1.0f / 255.0f));
    }
    virtual void setAlpha(uint8_t value) { alpha = value; }
    virtual uint8_t getAlpha() const { return alpha; }

    CLASS_TYPE_OF(CTWBitmap, CBitmap)

private:
    uint8_t alpha;
};
