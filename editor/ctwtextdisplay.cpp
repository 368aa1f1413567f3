#include "editor/ctwtextdisplay.h"

#include "editor/cvovizuduresource.h"

using namespace VSTGUI;

CTWTextDisplay::CTWTextDisplay(const CRect& rect, CVovizuduResource* f)
    : CCharacterDisplay(rect), font(f) {
    if (font != nullptr) font->remember();
    setAlpha(255);
    setAlignment(2);
    setText(kVersionText);
    setTransparency(false);
    setAlpha(255);
}

CTWTextDisplay::CTWTextDisplay(const CTWTextDisplay& other)
    : CCharacterDisplay(other), font(other.font) {
    if (font != nullptr) font->remember();
}

CTWTextDisplay::~CTWTextDisplay() {
    if (font != nullptr) font->forget();
}

void CTWTextDisplay::setAlpha(uint8_t alpha) {
    setTransparency(alpha != 255);
    if (font != nullptr) font->setAlpha(alpha);
}

CPoint CTWTextDisplay::textOrigin() const {
    if (font == nullptr) return CPoint(size.left, size.top);
    const size_t n = length < text.size() ? length : text.size();
    CCoord x = size.left;
    if (alignment == 1 || alignment == 2) {
        // The layout sums the widths in 16-bit integers.
        int16_t w = 0;
        for (size_t i = 0; i < n; ++i) {
            const VovizuduGlyph g = font->getGlyph(static_cast<unsigned char>(text[i]));
            w = int16_t(w + (int(g.advance) - int(g.xOffset)));
        }
        x = alignment == 1 ? (size.left + size.right) * 0.5 - (w / 2) : size.right - w;
    }
    return CPoint(x, size.top);
}

void CTWTextDisplay::draw(CDrawContext* context) {
    setDirty(false);
    if (font == nullptr) return;
    CPoint pen = textOrigin();
    font->drawString(context, pen, text, 0);
}
