#pragma once

#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/plugin_instance.h"

#include <functional>
#include <string>
#include <vector>

namespace corvane::tools {

// A MIDI note to play during a render, in seconds from the start.
struct PlannedNote {
    double start = 0.0;
    int key = 60;
    int velocity = 100;
    double length = 0.5;
};

// A change during a render at a frame: a parameter to a normalised value, or a program.
struct AutomationEvent {
    size_t frame = 0;
    int parameter = -1; // or -1 for a program change
    float value = 0.0f;
    int program = -1;
};

struct RenderInput {
    double sample_rate = 44100.0;
    int block = 512;
    AudioSource* main = nullptr;      // mono or stereo, or none
    AudioSource* sidechain = nullptr; // mono or stereo, or none; silence once it ends
    std::vector<PlannedNote> notes;
    std::vector<AutomationEvent> automation; // any order; same frame: in the order given
    size_t tail_frames = 0; // silence after the main input (or after the last note, if later)
};

struct RenderStats {
    size_t frames = 0;     // frames rendered
    size_t non_finite = 0; // samples the plug-in produced that were not numbers (written as 0)
    bool stopped = false;  // the progress callback asked to stop
};

// Takes each rendered block, one array per plug-in output; false with a reason stops the render.
using RenderSink =
    std::function<bool(const float* const* channels, size_t frames, std::string& error)>;
// Called after every block with the frames done so far and the expected total (an estimate when
// a source's length is not known for sure); returning false stops the render.
using RenderProgress = std::function<bool(size_t done, size_t total)>;

// Renders through a suspended plug-in as a host plays a track, in blocks, so memory stays the
// same however long the render is: it sets the rate and block size, reports as connected the
// pins that carry a signal (main input on pins 0 and 1, side-chain on pins 2 and 3; a mono
// source connects only the first of its pair and is copied to the second), switches the plug-in
// on, plays the song from position 0 with the notes as MIDI events at their frames (note-offs
// before note-ons on the same frame) and the automation applied at its exact frames (the block
// is split there, as hosts do), and switches it off again. The render lasts as long as the main
// input (or the last note, if later) plus the tail.
bool render_audio(PluginInstance& plugin, const RenderInput& input, const RenderSink& sink,
                  RenderStats& stats, const RenderProgress& progress, std::string& error);

// The frame just past the last note-off.
size_t notes_end_frame(const std::vector<PlannedNote>& notes, double sample_rate);

// A time in seconds as a frame at the rate.
size_t frame_at(double seconds, double rate);

} // namespace corvane::tools
