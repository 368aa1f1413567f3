#pragma once

#include "gui/ccolor.h"
#include "gui/cview.h"

#include <cstdint>

// A scrolling graph of a ring buffer of floats (not owned): the entry at the read index is drawn
// at the left edge, the others follow to the right, as one polyline 3 pixels wide. Values are
// scaled from [range minimum, range maximum] to the view's height and not clamped.
class CTWArrayView : public VSTGUI::CView {
public:
    CTWArrayView(const VSTGUI::CRect& size, float rangeMin, float rangeMax,
                 const VSTGUI::CColor& lineColor);

    void draw(VSTGUI::CDrawContext* context) override;
    // A null array or a count below 1 leaves the view empty.
    virtual void setArray(const float* data, int32_t count);
    // Indices outside the ring are ignored.
    virtual void setIndex(int32_t index);

    // Point n of the polyline (n = 0 is the oldest entry, at the left edge).
    VSTGUI::CPoint pointAt(int32_t n) const;
    int32_t getIndex() const { return readIndex; }
    int32_t getCount() const { return count; }
    float getXStep() const { return xStep; }
    float getYScale() const { return yScale; }
    const VSTGUI::CColor& getLineColor() const { return lineColor; }

    CLASS_METHODS(CTWArrayView, CView)

protected:
    // One editor tick for the graph views: step the counter through the 129 history entries and
    // move the read index with it.
    VSTGUI::CMessageResult advanceTick(int32_t& tickCounter);

private:
    const float* data = nullptr;
    int32_t count = 0;
    int32_t readIndex = 0;
    float rangeMin;
    float rangeMax;
    float xStep = 0.f;
    float yScale = 0.f;
    VSTGUI::CColor lineColor;
};

// The envelope follower's last 129 ticks, 0 to 10.
class CCorvaneEnvView : public CTWArrayView {
public:
    CCorvaneEnvView(const VSTGUI::CRect& rect, const VSTGUI::CColor& color)
        : CTWArrayView(rect, 0.f, 10.f, color) {}
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject*, const char*) override {
        return advanceTick(tickCounter);
    }
    CLASS_METHODS(CCorvaneEnvView, CTWArrayView)

private:
    int32_t tickCounter = 0;
};

// The LFO's last 129 ticks, 0 to 1.
class CCorvaneLFOView : public CTWArrayView {
public:
    CCorvaneLFOView(const VSTGUI::CRect& rect, const VSTGUI::CColor& color)
        : CTWArrayView(rect, 0.f, 1.f, color) {}
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject*, const char*) override {
        return advanceTick(tickCounter);
    }
    CLASS_METHODS(CCorvaneLFOView, CTWArrayView)

private:
    int32_t tickCounter = 0;
};
