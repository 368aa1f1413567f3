#pragma once

#include "gui/cknob.h"

#include <functional>
#include <string>

class CVovizuduResource;

// A filmstrip knob with one line of bitmap-font text centred near its bottom: its short label
// while the pointer is elsewhere, the parameter's read-out while the pointer is over it. The
// editor supplies the read-out; until it does the knob shows "--". A double click asks the editor
// for a typing field. User-interface thread only.
class CCorvaneKnob : public VSTGUI::CAnimKnob {
public:
    CCorvaneKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                 const std::string& label, int32_t subPixmaps, VSTGUI::CCoord heightOfOneImage,
                 VSTGUI::CBitmap* background, CVovizuduResource* font);
    // A copy shares the font and texts and starts with its label shown.
    CCorvaneKnob(const CCorvaneKnob& other);
    ~CCorvaneKnob() override;

    CLASS_METHODS(CCorvaneKnob, CAnimKnob)

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseEntered(VSTGUI::CPoint& where,
                                             const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseExited(VSTGUI::CPoint& where,
                                            const VSTGUI::CButtonState& buttons) override;

    virtual void setValueText(const std::string& text);
    // Shows a short notice in place of the read-out until the pointer leaves or the value
    // changes ("NO VALUE" after text that did not parse).
    void showNotice(const std::string& text);
    // Called with the knob's tag when the user asks to type a value.
    void setTypeInRequest(std::function<void(int32_t)> request) { typeIn = std::move(request); }

    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;

    const std::string& getLabelText() const { return labelText; }
    const std::string& getValueText() const { return valueText; }
    const std::string& getShownText() const { return shownText; }
    // The pen of the text line: centre x and glyph top y, both whole pixels.
    VSTGUI::CPoint textPosition() const;

private:
    CVovizuduResource* font;
    std::string labelText;
    std::string valueText;
    std::string shownText;
    // Tracked apart from the texts: a read-out may well read like the label.
    bool hovered = false;
    std::function<void(int32_t)> typeIn;
};
