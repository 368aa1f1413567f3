#pragma once

#include "gui/cview.h"

#include <string>

// A line of help in a small box: the control under a resting pointer with its range, or a
// message for the user (a value that did not parse, a preset file refused). Placed by the
// editor; with no text it draws nothing. It never takes the mouse. User-interface thread only.
class CHelpBubble : public VSTGUI::CView {
public:
    static constexpr VSTGUI::CCoord kFontSize = 10;
    static constexpr VSTGUI::CCoord kHeight = 16;

    explicit CHelpBubble(const VSTGUI::CRect& window);

    // Shows text in a box whose top centre is at anchor, kept inside the window; empty hides.
    void show(const std::string& text, const VSTGUI::CPoint& anchor);
    void hide() { show(std::string(), VSTGUI::CPoint()); }
    const std::string& getText() const { return text; }

    void draw(VSTGUI::CDrawContext* context) override;

    CLASS_TYPE_OF(CHelpBubble, CView)

private:
    VSTGUI::CRect window;
    std::string text;
};
