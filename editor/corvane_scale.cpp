#include "editor/corvane_scale.h"

#include "gui/cframe.h"
#include "gui/x11_desktop_scale.h"

namespace corvane {

EditorScale::EditorScale(DesktopProbe desktopProbe)
    : probe(desktopProbe != nullptr ? desktopProbe : &VSTGUI::x11::desktopScale) {}

double EditorScale::normalise(double scale) {
    return scale > 0 ? VSTGUI::CFrame::clampScale(scale) : 0;
}

double EditorScale::current() const {
    if (user > 0) return user;
    if (host > 0) return host;
    if (desktop == 0) {
        desktop = normalise(probe());
        if (desktop == 0) desktop = 1;
    }
    return desktop;
}

} // namespace corvane
