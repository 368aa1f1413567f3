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
    if (const double u = getUserScale(); u > 0) return u;
    if (const double h = getHostScale(); h > 0) return h;
    double d = desktop.load(std::memory_order_relaxed);
    if (d == 0) {
        // The probe answers the same on every thread, so two first askers store the same value.
        d = normalise(probe());
        if (d == 0) d = 1;
        desktop.store(d, std::memory_order_relaxed);
    }
    return d;
}

} // namespace corvane
