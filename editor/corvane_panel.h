#pragma once

#include "editor/corvane_layout.h"
#include "gui/ccolor.h"
#include "gui/ccontrollistener.h"
#include "gui/cview.h"

#include <map>
#include <string>

class CVovizuduResource;

namespace VSTGUI {
class CBitmap;
}

// Builds the window's views from the layout table, one at a time in table order, so the editor
// can add each to its frame and note it under its tag.

namespace corvane {

struct PanelFonts {
    CVovizuduResource* large = nullptr;
    CVovizuduResource* small = nullptr;
};

// The bitmaps of one opening of the window: each is loaded when the first view asks for it, and
// the builder's references are dropped together once every view exists (the views keep theirs).
class PanelBitmaps {
public:
    PanelBitmaps() = default;
    PanelBitmaps(const PanelBitmaps&) = delete;
    PanelBitmaps& operator=(const PanelBitmaps&) = delete;
    ~PanelBitmaps() { releaseAll(); }

    VSTGUI::CBitmap* get(const char* name);
    void releaseAll();

private:
    std::map<std::string, VSTGUI::CBitmap*> loaded;
};

// The graphs' line: red at an alpha of 87.
constexpr VSTGUI::CColor kGraphLineColor(255, 0, 0, 87);

// A new view (one reference, for the caller) for one row of the layout table. Controls get the
// listener; knobs their font and label; graph views come without data (give them an array with
// setArray). Null for a row of unknown kind.
VSTGUI::CView* createPanelView(const layout::ViewItem& item, VSTGUI::CControlListener* listener,
                               PanelBitmaps& bitmaps, const PanelFonts& fonts);

} // namespace corvane
