#include "editor/corvane_panel.h"

#include "editor/ccorvaneknob.h"
#include "editor/ccorvanescalemenu.h"
#include "editor/ctwarrayview.h"
#include "editor/ctwtextdisplay.h"
#include "gui/cbitmap.h"
#include "gui/cmoviebutton.h"
#include "gui/cswitch.h"

using namespace VSTGUI;

namespace corvane {

CBitmap* PanelBitmaps::get(const char* name) {
    if (name == nullptr) return nullptr;
    auto it = loaded.find(name);
    if (it != loaded.end()) return it->second;
    CBitmap* bitmap = new CBitmap(name);
    loaded.emplace(name, bitmap);
    return bitmap;
}

void PanelBitmaps::releaseAll() {
    for (auto& entry : loaded)
        entry.second->forget();
    loaded.clear();
}

CView* createPanelView(const layout::ViewItem& item, CControlListener* listener,
                       PanelBitmaps& bitmaps, const PanelFonts& fonts) {
    const CRect rect(item.x, item.y, item.x + item.w, item.y + item.h);
    CBitmap* bitmap = bitmaps.get(item.bitmap);
    CVovizuduResource* font = item.font == layout::Font::Large   ? fonts.large
                              : item.font == layout::Font::Small ? fonts.small
                                                                 : nullptr;
    switch (item.kind) {
        case layout::ViewKind::MovieButton:
            return new CMovieButton(rect, listener, item.tag, item.frame_height, bitmap);
        case layout::ViewKind::VerticalSwitch:
            return new CVerticalSwitch(rect, listener, item.tag, item.positions, item.frame_height,
                                       item.positions, bitmap);
        case layout::ViewKind::HorizontalSwitch:
            return new CHorizontalSwitch(rect, listener, item.tag, item.positions,
                                         item.frame_height, item.positions, bitmap);
        case layout::ViewKind::Knob:
            return new CCorvaneKnob(rect, listener, item.tag, item.label, layout::kKnobFrames,
                                    item.frame_height, bitmap, font);
        case layout::ViewKind::LFOView:
            return new CCorvaneLFOView(rect, kGraphLineColor);
        case layout::ViewKind::EnvView:
            return new CCorvaneEnvView(rect, kGraphLineColor);
        case layout::ViewKind::VersionLabel:
            return new CTWTextDisplay(rect, font);
        case layout::ViewKind::SplashScreen: {
            // The about screen covers the window but its last row and column, from offset 0.
            // The area also opens the scale menu on a right-click.
            const CRect display(0, 0, bitmap->getWidth() - 1, bitmap->getHeight() - 1);
            return new CCorvaneAboutArea(rect, listener, item.tag, bitmap, display);
        }
    }
    return nullptr;
}

} // namespace corvane
