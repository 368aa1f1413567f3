#pragma once

#include "gui/cbaseobject.h"
#include "gui/ccolor.h"
#include "gui/cgeometry.h"

#include <cairo.h>

#include <vector>

// Drawing on a cairo surface in frame coordinates: lines with a pen, rectangles, bitmaps with
// alpha, colours, line width, anti-aliasing and a clip rectangle, with a stack to save and
// restore all of that state.
//
// Frame coordinates are editor pixels. A context with a scale draws them at that many surface
// pixels each: lines and rectangles as vectors at the scale, bitmaps from their 2x picture when
// the scale is above 1 (reduced with cairo's best filter between 1x and 2x).

namespace VSTGUI {

class CBitmap;

enum CDrawMode { kAliasing = 0, kAntiAliasing = 1 };
enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

class CDrawContext : public CBaseObject {
public:
    // Draws through the given cairo context (a reference is taken); surfaceRect is the area of
    // the surface in frame coordinates; scale: surface pixels per frame pixel (1 when not finite
    // or not positive).
    CDrawContext(cairo_t* cr, const CRect& surfaceRect, double scale = 1);
    ~CDrawContext() override;
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void moveTo(const CPoint& point);
    // Strokes from the pen to the point with the frame colour and moves the pen there.
    void lineTo(const CPoint& point);
    void drawLine(const CPoint& start, const CPoint& end);
    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(0, 0),
                    float alpha = 1.f);
    const CPoint& getPenPosition() const { return pen; }
    // One line of text in the frame colour, in the system's sans-serif face at fontSize pixels,
    // its baseline starting at origin. The width of a text as it would be drawn.
    void drawString(const char* text, const CPoint& origin, CCoord fontSize);
    CCoord getStringWidth(const char* text, CCoord fontSize);

    void setLineWidth(CCoord width);
    CCoord getLineWidth() const { return state.lineWidth; }
    void setDrawMode(CDrawMode mode) { state.drawMode = mode; }
    CDrawMode getDrawMode() const { return state.drawMode; }
    void setFrameColor(const CColor& color) { state.frameColor = color; }
    const CColor& getFrameColor() const { return state.frameColor; }
    void setFillColor(const CColor& color) { state.fillColor = color; }
    const CColor& getFillColor() const { return state.fillColor; }
    void setGlobalAlpha(float alpha);
    float getGlobalAlpha() const { return state.globalAlpha; }

    // Replaces the clip; drawing outside it leaves the surface untouched.
    void setClipRect(const CRect& clip);
    const CRect& getClipRect() const { return state.clip; }
    void resetClipRect() { setClipRect(surfaceRect); }

    void saveGlobalState();
    void restoreGlobalState();

    cairo_t* getCairoContext() const { return cr; }
    double getScale() const { return scale; }
    CLASS_TYPE_OF(CDrawContext, CBaseObject)

private:
    struct State {
        CColor frameColor = kBlackCColor;
        CColor fillColor = kWhiteCColor;
        CCoord lineWidth = 1;
        CDrawMode drawMode = kAliasing;
        float globalAlpha = 1.f;
        CRect clip;
    };
    void setSource(const CColor& color);
    void prepareStroke();
    // Aliased odd-width strokes sit on pixel centres so that they cover whole pixels.
    CCoord strokeOffset() const;
    void drawScaledBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset, double alpha);

    cairo_t* cr;
    CRect surfaceRect;
    double scale;
    State state;
    std::vector<State> stack;
    CPoint pen;
};

} // namespace VSTGUI
