#pragma once

#include "editor/corvane_layout.h"

namespace corvane::test {

// The class a row of the layout table builds.
inline const char* className(layout::ViewKind kind) {
    switch (kind) {
        case layout::ViewKind::MovieButton:
            return "CMovieButton";
        case layout::ViewKind::VerticalSwitch:
            return "CVerticalSwitch";
        case layout::ViewKind::HorizontalSwitch:
            return "CHorizontalSwitch";
        case layout::ViewKind::Knob:
            return "CCorvaneKnob";
        case layout::ViewKind::LFOView:
            return "CCorvaneLFOView";
        case layout::ViewKind::EnvView:
            return "CCorvaneEnvView";
        case layout::ViewKind::VersionLabel:
            return "CTWTextDisplay";
        case layout::ViewKind::SplashScreen:
            return "CSplashScreen";
    }
    return "";
}

} // namespace corvane::test
