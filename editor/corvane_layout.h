#pragma once

// The editor's layout: every view of the window in the order the editor adds it to the frame
// (later views lie on top), with its place, bitmap and label. The editor builds its window from
// this table and the artwork generator places the panel's legends around the same rectangles, so
// the layout exists once.

namespace corvane::layout {

constexpr int kEditorWidth = 730;
constexpr int kEditorHeight = 302;
constexpr int kLargeFontId = 20000;
constexpr int kSmallFontId = 20001;
constexpr int kKnobFrames = 101;
constexpr int kAboutTag = 30;

enum class ViewKind {
    MovieButton,
    VerticalSwitch,
    HorizontalSwitch,
    Knob,
    LFOView,
    EnvView,
    VersionLabel,
    SplashScreen
};

enum class Font { None, Large, Small };

struct ViewItem {
    ViewKind kind;
    int tag; // the parameter index for controls; -1 for views that are no control
    int x, y, w, h;
    const char* bitmap; // resource name, or null
    int frame_height;   // one filmstrip frame; 0 without bitmap
    int positions;      // switch and button positions; 0 otherwise
    const char* label;  // knob label or label text, or null
    Font font;
};

// Bitmaps of the window: name, size and frame count, frames stacked vertically.
struct BitmapItem {
    const char* name;
    int width, height, frames;
};

inline constexpr BitmapItem kBitmaps[] = {
    {"background.png", 730, 302, 1},    {"about.png", 730, 302, 1},
    {"knob_normal.png", 50, 6565, 101}, {"knob_small.png", 37, 4848, 101},
    {"knob_large.png", 77, 9595, 101},  {"switch_2_way_h.png", 37, 48, 2},
    {"switch_2_way_v.png", 37, 96, 2},  {"switch_3_way.png", 37, 144, 3},
    {"switch_4_way.png", 37, 252, 4},   {"button.png", 21, 48, 2},
};

using K = ViewKind;
inline constexpr ViewItem kViews[] = {
    {K::MovieButton, 4, 74, 145, 21, 24, "button.png", 24, 2, nullptr, Font::None},
    {K::VerticalSwitch, 7, 110, 227, 37, 48, "switch_3_way.png", 48, 3, nullptr, Font::None},
    {K::VerticalSwitch, 15, 257, 230, 37, 48, "switch_2_way_v.png", 48, 2, nullptr, Font::None},
    {K::VerticalSwitch, 28, 644, 230, 37, 48, "switch_2_way_v.png", 48, 2, nullptr, Font::None},
    {K::VerticalSwitch, 13, 320, 216, 37, 63, "switch_4_way.png", 63, 4, nullptr, Font::None},
    {K::VerticalSwitch, 21, 482, 216, 37, 63, "switch_4_way.png", 63, 4, nullptr, Font::None},
    {K::HorizontalSwitch, 3, 30, 265, 37, 24, "switch_2_way_h.png", 24, 2, nullptr, Font::None},
    {K::Knob, 0, 24, 70, 50, 65, "knob_normal.png", 65, 0, "COLOR", Font::Large},
    {K::Knob, 1, 24, 133, 50, 65, "knob_normal.png", 65, 0, "DECAY", Font::Large},
    {K::Knob, 2, 24, 196, 50, 65, "knob_normal.png", 65, 0, "MIX", Font::Large},
    {K::Knob, 10, 114, 70, 50, 65, "knob_normal.png", 65, 0, "DRIVE", Font::Large},
    {K::Knob, 6, 174, 70, 50, 65, "knob_normal.png", 65, 0, "Q", Font::Large},
    {K::Knob, 11, 299, 70, 50, 65, "knob_normal.png", 65, 0, "RATE", Font::Large},
    {K::Knob, 20, 414, 70, 50, 65, "knob_normal.png", 65, 0, "SENSE", Font::Large},
    {K::Knob, 22, 574, 70, 50, 65, "knob_normal.png", 65, 0, "INPUT", Font::Large},
    {K::Knob, 23, 634, 70, 50, 65, "knob_normal.png", 65, 0, "FEEDBCK", Font::Large},
    {K::Knob, 24, 574, 133, 50, 65, "knob_normal.png", 65, 0, "VCA", Font::Large},
    {K::Knob, 27, 574, 196, 50, 65, "knob_normal.png", 65, 0, "MIX", Font::Large},
    {K::Knob, 9, 160, 225, 37, 48, "knob_small.png", 48, 0, "ENV", Font::Small},
    {K::Knob, 8, 200, 225, 37, 48, "knob_small.png", 48, 0, "LFO", Font::Small},
    {K::Knob, 19, 428, 225, 37, 48, "knob_small.png", 48, 0, "HPF", Font::Small},
    {K::Knob, 12, 255, 72, 37, 48, "knob_small.png", 48, 0, "PHASE", Font::Small},
    {K::Knob, 14, 355, 72, 37, 48, "knob_small.png", 48, 0, "SHAPE", Font::Small},
    {K::Knob, 17, 475, 72, 37, 48, "knob_small.png", 48, 0, "ATTACK", Font::Small},
    {K::Knob, 18, 515, 72, 37, 48, "knob_small.png", 48, 0, "DECAY", Font::Small},
    {K::Knob, 26, 625, 135, 37, 48, "knob_small.png", 48, 0, "ENV", Font::Small},
    {K::Knob, 25, 665, 135, 37, 48, "knob_small.png", 48, 0, "LFO", Font::Small},
    // The cutoff knob's view is 5 rows shorter than its frames: their lowest rows stay hidden.
    {K::Knob, 5, 130, 135, 77, 90, "knob_large.png", 95, 0, "CUTOFF", Font::Large},
    {K::LFOView, -1, 259, 151, 129, 45, nullptr, 0, 0, nullptr, Font::None},
    {K::EnvView, -1, 418, 151, 129, 45, nullptr, 0, 0, nullptr, Font::None},
    {K::VersionLabel, -1, 620, 25, 70, 20, nullptr, 0, 0, "v1.0.1", Font::Large},
    {K::SplashScreen, kAboutTag, 0, 0, 300, 40, "about.png", 0, 0, nullptr, Font::None},
};

constexpr int kViewCount = static_cast<int>(sizeof(kViews) / sizeof(kViews[0]));

// Areas of the editor's own overlays, in editor units.
struct Box {
    int x, y, w, h;
};
// The program browser sits in the title bar between the legend and the maker's name; its list
// opens below it, over the panel.
inline constexpr Box kProgramBrowser{330, 9, 225, 22};
inline constexpr Box kProgramList{150, 33, 438, 268};

// The view of a control tag, or null.
constexpr const ViewItem* findView(int tag) {
    for (const ViewItem& v : kViews)
        if (v.tag == tag) return &v;
    return nullptr;
}

} // namespace corvane::layout
