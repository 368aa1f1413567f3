#include "editor/ccorvaneknob.h"

#include "editor/cvovizuduresource.h"

using namespace VSTGUI;

CCorvaneKnob::CCorvaneKnob(const CRect& rect, CControlListener* l, int32_t t,
                           const std::string& label, int32_t pixmaps, CCoord imageHeight,
                           CBitmap* bg, CVovizuduResource* f)
    : CAnimKnob(rect, l, t, pixmaps, imageHeight, bg, CPoint(0, 0)), font(f), labelText(label),
      valueText("--"), shownText(label) {
    if (font != nullptr) font->remember();
}

CCorvaneKnob::CCorvaneKnob(const CCorvaneKnob& other)
    : CAnimKnob(other), font(other.font), labelText(other.labelText), valueText(other.valueText),
      shownText(other.labelText) {
    if (font != nullptr) font->remember();
}

CCorvaneKnob::~CCorvaneKnob() {
    if (font != nullptr) font->forget();
}

CPoint CCorvaneKnob::textPosition() const {
    const int32_t h = font != nullptr ? font->getHeight() : 0;
    const float lift = float(h) * 1.3f;
    return CPoint(int32_t(size.left + (size.right - size.left) * 0.5), int32_t(size.bottom - lift));
}

void CCorvaneKnob::draw(CDrawContext* context) {
    CAnimKnob::draw(context);
    if (font == nullptr) return;
    CPoint pen = textPosition();
    font->drawString(context, pen, shownText, 1);
}

CMouseEventResult CCorvaneKnob::onMouseEntered(CPoint&, const CButtonState&) {
    hovered = true;
    shownText = valueText;
    setDirty(true);
    return kMouseEventHandled;
}

CMouseEventResult CCorvaneKnob::onMouseExited(CPoint&, const CButtonState&) {
    hovered = false;
    shownText = labelText;
    setDirty(true);
    return kMouseEventHandled;
}

void CCorvaneKnob::showNotice(const std::string& text) {
    shownText = text;
    setDirty(true);
}

CMouseEventResult CCorvaneKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    // The first click of the pair was an ordinary (empty) gesture; the second types.
    if (buttons.isLeftButton() && buttons.isDoubleClick() && typeIn) {
        typeIn(getTag());
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    return CAnimKnob::onMouseDown(where, buttons);
}

void CCorvaneKnob::setValueText(const std::string& text) {
    if (hovered && shownText != text) {
        shownText = text;
        setDirty(true);
    }
    valueText = text;
}
