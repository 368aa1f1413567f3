#pragma once

#include "editor/ccharacterdisplay.h"

class CVovizuduResource;

// A line of text in a bitmap font, placed by its alignment inside the view with the glyph tops on
// the view's top edge. The editor's version label.
class CTWTextDisplay : public CCharacterDisplay {
public:
    static constexpr const char* kVersionText = "v1.0.1";

    // Right-aligned, opaque, showing the version; holds a reference to the font (which may be
    // null: the view then draws nothing).
    CTWTextDisplay(const VSTGUI::CRect& size, CVovizuduResource* font);
    CTWTextDisplay(const CTWTextDisplay& other);
    ~CTWTextDisplay() override;

    void draw(VSTGUI::CDrawContext* context) override;
    // 255 makes the view opaque, anything else transparent; the font takes the alpha either way.
    virtual void setAlpha(uint8_t alpha);

    // Where draw puts the pen: x by the alignment of the first `length` characters, y the top.
    VSTGUI::CPoint textOrigin() const;

    CLASS_METHODS(CTWTextDisplay, CCharacterDisplay)

private:
    CVovizuduResource* font;
};
