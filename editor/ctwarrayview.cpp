#include "editor/ctwarrayview.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"

using namespace VSTGUI;

namespace {
// Entries of the engine's display histories.
constexpr int32_t kHistoryLength = 129;
} // namespace

CTWArrayView::CTWArrayView(const CRect& rect, float minimum, float maximum, const CColor& color)
    : CView(rect), rangeMin(minimum), rangeMax(maximum), lineColor(color) {
    setBackground(nullptr);
    setDirty(true);
}

void CTWArrayView::setArray(const float* values, int32_t n) {
    if (values == nullptr || n < 1) {
        data = nullptr;
        count = 0;
    } else {
        data = values;
        count = n;
        xStep = float(size.width() - 1) / float(count);
    }
    readIndex = 0;
    // A degenerate range would scale by infinity; draw such a graph flat instead.
    const float span = rangeMax - rangeMin;
    yScale = span != 0.f ? float(size.height() - 2) / span : 0.f;
    setDirty(true);
}

void CTWArrayView::setIndex(int32_t index) {
    if (index < 0 || index >= count) return;
    readIndex = index;
    setDirty(true);
}

void CTWArrayView::draw(CDrawContext* context) {
    context->saveGlobalState();
    context->setFrameColor(lineColor);
    context->setLineWidth(3);
    context->setDrawMode(kAntiAliasing);
    if (pBackground != nullptr) pBackground->draw(context, size, CPoint(0, 0), 1.f);
    if (data != nullptr && count > 0) {
        context->moveTo(pointAt(0));
        for (int32_t n = 1; n < count; ++n)
            context->lineTo(pointAt(n));
    }
    context->restoreGlobalState();
    setDirty(false);
}

CPoint CTWArrayView::pointAt(int32_t n) const {
    if (data == nullptr || n < 0 || n >= count) return CPoint(size.left, size.bottom);
    const float value = data[(readIndex + n) % count];
    // The pen moves right after each segment, so the first segment is vertical at the left edge;
    // every point but the first sits one pixel higher.
    if (n == 0) return CPoint(size.left, size.bottom - float((value - rangeMin) * yScale));
    return CPoint(size.left + CCoord(n - 1) * xStep,
                  size.bottom - 1 - float((value - rangeMin) * yScale));
}

CMessageResult CTWArrayView::advanceTick(int32_t& tickCounter) {
    if (++tickCounter >= kHistoryLength) tickCounter = 0;
    setIndex(tickCounter);
    return kMessageNotified;
}
