#pragma once

#include <string>

// Filmstrips of the editor's controls: knobs of 101 frames (value shown by a pointer and an arc),
// switches with one frame per position and the two-frame button. Frames are stacked vertically,
// frame 0 on top. Sizes are in editor pixels; `scale` (1 or 2) is how many image pixels each of
// them becomes, the drawing itself being the same at every scale.

namespace corvane::artwork {

struct KnobStyle {
    int width, frame_height;
    double centre_x, centre_y;
    double arc_radius, arc_width, cap_radius;
};

bool writeKnobStrip(const KnobStyle& style, int scale, const std::string& path);

// A vertical slider with one detent per position; the part right of the slot stays transparent
// so the panel's position legends show through.
bool writeVerticalSwitch(int width, int frame_height, int positions, int scale,
                         const std::string& path);
bool writeHorizontalSwitch(int width, int frame_height, int positions, int scale,
                           const std::string& path);
bool writeButton(int width, int frame_height, int scale, const std::string& path);

} // namespace corvane::artwork
