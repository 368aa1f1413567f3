#pragma once

#include "gui/cview.h"

#include <cstdint>
#include <string>

// A view that holds a line of text and its alignment (0 left, 1 centre, 2 right); subclasses draw
// it. The length is the number of characters the alignment counts: setText sets it, while
// overwriteText and clearText leave it, so a text can change without moving.
class CCharacterDisplay : public VSTGUI::CView {
public:
    explicit CCharacterDisplay(const VSTGUI::CRect& rect) : CView(rect) {}

    void draw(VSTGUI::CDrawContext* context) override = 0;

    virtual void setText(const char* text);
    virtual void setText(const std::string& text);
    // Replaces characters from the position on; the text grows if the new part runs past its end.
    // A position beyond the end is ignored.
    virtual void overwriteText(const char* text, size_t position);
    virtual void overwriteText(const std::string& text, size_t position);
    virtual void clearText();
    virtual void setAlignment(int16_t value);
    virtual uint16_t getLength() const { return length; }

    const std::string& getText() const { return text; }
    int16_t getAlignment() const { return alignment; }

    CLASS_TYPE_OF(CCharacterDisplay, CView)

protected:
    uint16_t length = 0;
    std::string text;
    int16_t alignment = 1;
};
