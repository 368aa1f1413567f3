#pragma once

#include "gui/ccolor.h"
#include "gui/cview.h"

#include <cstdint>
#include <string>

// One line of text the user types: printable characters go in at the caret, Backspace and
// Delete remove, the arrows, Home and End move the caret; Enter accepts, Escape cancels. Text
// given with setText starts selected: the first character typed replaces it. The typing field
// and the program list's name entry share it.
class CTypedLine {
public:
    enum class Result { Editing, Accepted, Cancelled, Ignored };
    static constexpr std::size_t kMaxChars = 40;

    void setText(const std::string& text);
    const std::string& getText() const { return text; }
    std::size_t getCaret() const { return caret; }
    bool isSelected() const { return selected && !text.empty(); }
    Result key(const VSTGUI::CKeyCode& key);

private:
    std::string text;
    std::size_t caret = 0;
    bool selected = false;
};

// A box to type a parameter's value into, over a knob's read-out. It is the frame's modal and
// focus view while open: it takes every key, Enter accepts, Escape or a click outside the box
// cancels, and the listener hears which (it removes the field). Text in the system's sans-serif
// face, sized in editor units so that it scales with the window. User-interface thread only.
class CTypeInField : public VSTGUI::CView {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void typeInFinished(CTypeInField* field, bool accepted) = 0;
    };

    static constexpr VSTGUI::CCoord kFontSize = 11;

    CTypeInField(const VSTGUI::CRect& size, Listener* listener, int32_t tag);

    int32_t getTag() const { return tag; }
    void setText(const std::string& text);
    const std::string& getText() const { return line.getText(); }

    void draw(VSTGUI::CDrawContext* context) override;
    bool onKeyDown(VSTGUI::CKeyCode& key) override;
    // Everywhere: a click outside the box ends typing.
    bool hitTest(const VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;

    CLASS_TYPE_OF(CTypeInField, CView)

private:
    void finish(bool accepted);

    Listener* listener;
    int32_t tag;
    CTypedLine line;
    bool finished = false;
};
