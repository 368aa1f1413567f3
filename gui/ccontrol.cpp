#include "gui/ccontrol.h"

#include "gui/cframe.h"

#include <cmath>

namespace VSTGUI {

CControl::CControl(const CRect& rect, CControlListener* l, int32_t t, CBitmap* background)
    : CView(rect), listener(l), tag(t) {
    setBackground(background);
}

// A copy is a fresh control: not in the middle of a gesture.
CControl::CControl(const CControl& other)
    : CView(other), listener(other.listener), tag(other.tag), value(other.value),
      oldValue(other.oldValue), defaultValue(other.defaultValue), vmin(other.vmin),
      vmax(other.vmax) {}

void CControl::setValue(float val) {
    if (std::isnan(val)) return;
    value = val;
    bounceValue();
}

void CControl::bounceValue() {
    if (std::isnan(value)) value = vmin;
    if (value > vmax) value = vmax;
    if (value < vmin) value = vmin;
}

void CControl::valueChanged() {
    if (listener != nullptr) listener->valueChanged(this);
}

void CControl::beginEdit() {
    if (editing++ > 0) return;
    if (listener != nullptr) listener->controlBeginEdit(this);
    if (pParentFrame != nullptr) pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (editing == 0 || --editing > 0) return;
    if (pParentFrame != nullptr) pParentFrame->endEdit(tag);
    if (listener != nullptr) listener->controlEndEdit(this);
}

bool CControl::checkDefaultValue(const CButtonState& buttons) {
    if (!buttons.isLeftButton() || buttons.getModifierState() != kDefaultValueModifier)
        return false;
    if (defaultValue != value) {
        beginEdit();
        setValue(defaultValue);
        valueChanged();
        endEdit();
    }
    return true;
}

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    // Drawing clears the mark: the value drawn becomes the old value.
    oldValue = val ? -1.f : value;
}

bool CControl::isDirty() const {
    return oldValue != value || CView::isDirty();
}

} // namespace VSTGUI
