#pragma once

#include "tools/corvane-host/plugin_instance.h"
#include "tools/corvane-host/renderer.h"

#include <string>
#include <vector>

namespace corvane::tools {

// Parameters and programs as users name them on the command line.
//
// A parameter is named by its index, its short name or its long name, in any case. A value is
// either normalised (a bare number from 0 to 1), in the parameter's own unit ("1000Hz", "50%",
// or a bare number outside 0..1), which the plug-in converts when it can, or one of the texts
// the plug-in shows for it ("BP", "SIDECH"). Programs are numbered from 1, as `info` lists them
// (and as factory names count), or named exactly or in any case.

// Program and parameter settings from the command line: set before playing, or timed.
struct SettingsOptions {
    std::string program;             // number (from 1) or name; empty: leave as it is
    std::vector<std::string> params; // NAME=VALUE, set before playing
    std::vector<std::pair<std::string, std::string>> at; // SECONDS and NAME=VALUE
    std::string automation;                              // a file of timed changes
};

// Selects the program (when one is given).
bool select_program(PluginInstance& plugin, const SettingsOptions& settings, std::string& error);
// Sets the parameters given to be set before playing.
bool apply_parameters(PluginInstance& plugin, const SettingsOptions& settings, std::string& error);
// The timed changes (from --at and the automation file) as events at the rate's frames.
bool timed_changes(PluginInstance& plugin, const SettingsOptions& settings, double rate,
                   std::vector<AutomationEvent>& changes, std::string& error);

// The parameter's index, or -1 with the list of the valid names in error.
int find_parameter(PluginInstance& plugin, const std::string& which, std::string& error);
// The normalised value text stands for, or false with a reason.
bool parameter_value(PluginInstance& plugin, int index, const std::string& text, float& value,
                     std::string& error);
// The program's index, or -1 with the list of programs in error.
int find_program(PluginInstance& plugin, const std::string& which, std::string& error);
// How users see a program's index.
std::string program_number_text(int index);

// One change from the command line, "NAME=VALUE" or "program=N|NAME", as an automation event at
// frame.
bool parse_change(PluginInstance& plugin, const std::string& text, size_t frame,
                  AutomationEvent& change, std::string& error);

// An automation file: one change per line, "SECONDS NAME=VALUE" (or "SECONDS program=N");
// blank lines and lines starting with '#' are skipped.
struct TimedChange {
    double seconds = 0.0;
    std::string change;
    std::string where; // file and line, for messages
};
bool read_automation_file(const std::string& path, std::vector<TimedChange>& changes,
                          std::string& error);

} // namespace corvane::tools
