#pragma once

#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/plugin_settings.h"
#include "tools/corvane-host/renderer.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::tools {

// Everything `corvane-host render` can be told.
struct RenderOptions {
    std::string plugin;
    std::string input; // empty: the demo signal
    std::string output = "out.wav";
    std::string sidechain;
    SettingsOptions settings;
    std::optional<int> rate;
    int block = 512;
    double tempo = 120.0;
    std::string timesig = "4/4";
    bool no_time = false; // answer time requests with nothing, as a host without a transport
    std::vector<std::string> notes;
    std::string load_fxp, load_fxb, save_fxp, save_fxb;
    double tail = 0.0; // seconds of silence appended to the input
    std::string format = "float";
    bool verbose = false;
    bool quiet = false;
};

// START:KEY:VELOCITY:LENGTH, times in seconds.
bool parse_note(const std::string& text, PlannedNote& note, std::string& error);
// N/D with a power-of-two denominator.
bool parse_time_signature(const std::string& text, int& numerator, int& denominator);

// Runs a parsed render; returns the process exit code.
int run_render(const RenderOptions& options);

} // namespace corvane::tools
