#pragma once

#include "gui/csplashscreen.h"
#include "gui/cview.h"

class CVovizuduResource;

namespace VSTGUI {
class CFrame;
}

// The user's control of the editor's scale: a right-click on the title area (the about area)
// opens a small menu there with "AUTO" (follow the host or the desktop) and the scale steps; the
// current choice is marked. A click on an entry chooses it; a click anywhere else closes the
// menu. User-interface thread.

class ScaleMenuListener {
public:
    virtual ~ScaleMenuListener() = default;
    // The user asked for the menu at a point of the frame.
    virtual void scaleMenuRequested(VSTGUI::CFrame* frame, const VSTGUI::CPoint& where) = 0;
    // The user chose a scale; 0 is "AUTO".
    virtual void scaleChosen(double scale) = 0;
};

// The about area of the title: a left-click shows the about screen as before, a right-click asks
// its listener for the scale menu.
class CCorvaneAboutArea : public VSTGUI::CSplashScreen {
public:
    using CSplashScreen::CSplashScreen;

    void setScaleMenuListener(ScaleMenuListener* l) { scaleListener = l; }
    bool hitTest(const VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;

    CLASS_METHODS(CCorvaneAboutArea, CSplashScreen)

private:
    ScaleMenuListener* scaleListener = nullptr;
};

// The menu itself: the frame's modal view while it is open, taking every click.
class CCorvaneScaleMenu : public VSTGUI::CView {
public:
    static constexpr int kEntryCount = 6;
    static constexpr VSTGUI::CCoord kEntryHeight = 19;
    static constexpr VSTGUI::CCoord kWidth = 64;

    // Adds a menu at the point (moved inside the frame where needed) and makes it modal; null if
    // the frame already has a modal view. chosen: the user's current choice, 0 for "AUTO".
    static CCorvaneScaleMenu* open(VSTGUI::CFrame* frame, const VSTGUI::CPoint& where,
                                   CVovizuduResource* font, double chosen,
                                   ScaleMenuListener* listener);
    ~CCorvaneScaleMenu() override;

    // The scale of entry i (0 for "AUTO") and its text.
    static double entryScale(int i);
    static const char* entryText(int i);

    void draw(VSTGUI::CDrawContext* context) override;
    bool hitTest(const VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;
    // The entry under a point, or -1.
    int entryAt(const VSTGUI::CPoint& where) const;

    CLASS_TYPE_OF(CCorvaneScaleMenu, CView)

private:
    CCorvaneScaleMenu(const VSTGUI::CRect& size, CVovizuduResource* font, double chosen,
                      ScaleMenuListener* listener);

    CVovizuduResource* font;
    double chosen;
    ScaleMenuListener* listener;
};
