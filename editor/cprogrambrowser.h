#pragma once

#include "editor/ctypeinfield.h"
#include "gui/cview.h"

#include <string>
#include <vector>

// The program browser in the title area and the list it opens. Both only show what the editor
// gives them and report the user's choices to their listener (the editor); they know nothing of
// programs, files or the processor. Sizes are editor units. User-interface thread only.

class CProgramBrowserListener {
public:
    virtual ~CProgramBrowserListener() = default;
    // The arrows: -1 previous, +1 next.
    virtual void browserStep(int direction) = 0;
    virtual void browserOpenList() = 0;
    virtual void programChosen(int program) = 0;
    virtual void presetChosen(const std::string& name) = 0;
    virtual void presetSave(const std::string& name) = 0;
    virtual void presetRename(const std::string& from, const std::string& to) = 0;
    virtual void presetDelete(const std::string& name) = 0;
    virtual void browserListClosed() = 0;
};

// "<  3 Name *  >": the current program's or preset's name, a mark when the values differ from
// it as loaded, and the arrows. A click on the name opens the list.
class CProgramBrowser : public VSTGUI::CView {
public:
    static constexpr VSTGUI::CCoord kArrowWidth = 16;
    static constexpr VSTGUI::CCoord kFontSize = 11;

    CProgramBrowser(const VSTGUI::CRect& size, CProgramBrowserListener* listener);

    void setProgramText(const std::string& name, bool modified);
    const std::string& getName() const { return name; }
    bool isModified() const { return modified; }
    VSTGUI::CRect previousArrow() const;
    VSTGUI::CRect nextArrow() const;

    void draw(VSTGUI::CDrawContext* context) override;
    // Left clicks only: other buttons are left to the title area below.
    bool hitTest(const VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;

    CLASS_TYPE_OF(CProgramBrowser, CView)

private:
    CProgramBrowserListener* listener;
    std::string name;
    bool modified = false;
};

// The list over the whole window: the factory programs on the left, the user's presets on the
// right with "rename" and "delete" on each row and a row to save the current values under a
// new name. Rename and save type the name in place (Enter accepts, Escape cancels); delete asks
// for a second click. A click outside the panel or Escape closes the list. It is the frame's
// modal and focus view while open.
class CProgramList : public VSTGUI::CView {
public:
    static constexpr VSTGUI::CCoord kRowHeight = 13;
    static constexpr VSTGUI::CCoord kFontSize = 10;
    static constexpr int kRows = 20;
    static constexpr VSTGUI::CCoord kFactoryWidth = 180;
    static constexpr VSTGUI::CCoord kUserWidth = 250;
    static constexpr VSTGUI::CCoord kButtonWidth = 44;

    // panelTopLeft: where the panel's first row starts; the view itself covers window.
    CProgramList(const VSTGUI::CRect& window, const VSTGUI::CPoint& panelTopLeft,
                 CProgramBrowserListener* listener);

    void setPrograms(const std::vector<std::string>& names, int current);
    // current: the preset loaded now, or empty.
    void setPresets(const std::vector<std::string>& names, const std::string& current);

    // Where things are, for drawing, hit tests and tests that click them.
    VSTGUI::CRect panel() const;
    VSTGUI::CRect factoryRow(int program) const;
    // Row 0 is "save current as"; preset i is row i + 1 (after scrolling).
    VSTGUI::CRect userRow(int row) const;
    VSTGUI::CRect renameButton(int preset) const;
    VSTGUI::CRect deleteButton(int preset) const;
    // The name being typed (saving or renaming), or null.
    const CTypedLine* typing() const { return editing != Editing::None ? &line : nullptr; }

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;
    bool onWheel(const VSTGUI::CPoint& where, const float& distance,
                 const VSTGUI::CButtonState& buttons) override;
    bool onKeyDown(VSTGUI::CKeyCode& key) override;

    CLASS_TYPE_OF(CProgramList, CView)

private:
    enum class Editing { None, Save, Rename };
    int visiblePresets() const;
    int presetAtRow(int row) const;
    void drawRow(VSTGUI::CDrawContext* context, const VSTGUI::CRect& row, const std::string& text,
                 bool current);

    CProgramBrowserListener* listener;
    VSTGUI::CPoint origin;
    std::vector<std::string> programs;
    int currentProgram = -1;
    std::vector<std::string> presets;
    std::string currentPreset;
    int scroll = 0;
    Editing editing = Editing::None;
    int editingPreset = -1;
    CTypedLine line;
    int confirmDelete = -1;
};
