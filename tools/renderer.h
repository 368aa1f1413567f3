#pragma once

#include "tools/audio_file.h"
#include "tools/hosted_plugin.h"

#include <functional>
#include <vector>

namespace corvane::tools {

// A MIDI note to play during a render, in seconds from the start.
struct NoteSpec {
    double start = 0.0;
    int key = 60;
    int velocity = 100;
    double length = 0.5;
};

struct RenderInput {
    double sample_rate = 44100.0;
    VstInt32 block = 512;
    size_t frames = 0;                      // frames to render; sources shorter than this end in
                                            // silence
    const AudioBuffer* main = nullptr;      // mono or stereo, or none
    const AudioBuffer* sidechain = nullptr; // mono or stereo, or none
    std::vector<NoteSpec> notes;
};

struct RenderStats {
    size_t non_finite = 0; // samples the plug-in produced that were not numbers (written as 0)
    bool stopped = false;  // the progress callback asked to stop
};

// Called after every block with the frames done so far; returning false stops the render.
using RenderProgress = std::function<bool(size_t done, size_t total)>;

// Renders through a suspended plug-in as a host plays a track: it sets the rate and block size,
// reports as connected the pins that carry a signal (main input on pins 0 and 1, side-chain on
// pins 2 and 3; a mono source connects only the first of its pair and is copied to the second),
// switches the plug-in on, plays the song from position 0 with the notes as MIDI events at their
// frames (note-offs before note-ons on the same frame), and switches it off again. The output
// has one channel per plug-in output.
bool render_audio(HostedPlugin& plugin, const RenderInput& input, AudioBuffer& output,
                  RenderStats& stats, const RenderProgress& progress, std::string& error);

// The frame just past the last note-off.
size_t notes_end_frame(const std::vector<NoteSpec>& notes, double sample_rate);

} // namespace corvane::tools
