#include "editor/ctypeinfield.h"

#include "gui/cdrawcontext.h"

using namespace VSTGUI;

void CTypedLine::setText(const std::string& t) {
    text = t.substr(0, kMaxChars);
    caret = text.size();
    selected = true;
}

CTypedLine::Result CTypedLine::key(const CKeyCode& k) {
    // A selected text goes as soon as the user types or deletes.
    if (selected && (k.character != 0 || k.virt == kKeyBackspace || k.virt == kKeyDelete)) {
        text.clear();
        caret = 0;
    }
    selected = false;
    if (k.character >= 0x20 && k.character < 0x7f) {
        if (text.size() >= kMaxChars) return Result::Editing;
        text.insert(caret++, 1, static_cast<char>(k.character));
        return Result::Editing;
    }
    switch (k.virt) {
        case kKeyReturn:
            return Result::Accepted;
        case kKeyEscape:
            return Result::Cancelled;
        case kKeyBackspace:
            if (caret > 0) text.erase(--caret, 1);
            return Result::Editing;
        case kKeyDelete:
            if (caret < text.size()) text.erase(caret, 1);
            return Result::Editing;
        case kKeyLeft:
            if (caret > 0) --caret;
            return Result::Editing;
        case kKeyRight:
            if (caret < text.size()) ++caret;
            return Result::Editing;
        case kKeyHome:
            caret = 0;
            return Result::Editing;
        case kKeyEnd:
            caret = text.size();
            return Result::Editing;
        default:
            return Result::Ignored;
    }
}

CTypeInField::CTypeInField(const CRect& rect, Listener* l, int32_t t)
    : CView(rect), listener(l), tag(t) {}

void CTypeInField::setText(const std::string& text) {
    line.setText(text);
    setDirty(true);
}

void CTypeInField::draw(CDrawContext* context) {
    context->setFillColor(CColor{20, 22, 26, 255});
    context->setFrameColor(CColor{240, 160, 40, 255});
    context->drawRect(size, kDrawFilledAndStroked);
    const std::string& text = line.getText();
    const CCoord baseline = size.top + (size.height() + kFontSize * 0.7) * 0.5;
    const CCoord left = size.left + 4;
    if (line.isSelected()) {
        context->setFillColor(CColor{60, 90, 160, 255});
        const CCoord w = context->getStringWidth(text.c_str(), kFontSize);
        context->drawRect(CRect(left - 1, size.top + 2, left + w + 1, size.bottom - 2),
                          kDrawFilled);
    }
    context->setFrameColor(kWhiteCColor);
    context->drawString(text.c_str(), CPoint(left, baseline), kFontSize);
    const std::string before = text.substr(0, line.getCaret());
    const CCoord x = left + context->getStringWidth(before.c_str(), kFontSize) + 0.5;
    context->drawLine(CPoint(x, baseline + 2), CPoint(x, baseline - kFontSize + 1));
    setDirty(false);
}

bool CTypeInField::onKeyDown(CKeyCode& key) {
    if (finished) return true;
    switch (line.key(key)) {
        case CTypedLine::Result::Accepted:
            finish(true);
            break;
        case CTypedLine::Result::Cancelled:
            finish(false);
            break;
        case CTypedLine::Result::Editing:
            setDirty(true);
            break;
        case CTypedLine::Result::Ignored:
            break;
    }
    // Every key belongs to the field while it is open, so that none reaches the host halfway
    // through a value.
    return true;
}

bool CTypeInField::hitTest(const CPoint&, const CButtonState&) {
    return true;
}

CMouseEventResult CTypeInField::onMouseDown(CPoint& where, const CButtonState&) {
    if (!size.pointInside(where)) finish(false);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

void CTypeInField::finish(bool accepted) {
    if (finished) return;
    finished = true;
    if (listener != nullptr) listener->typeInFinished(this, accepted);
}
