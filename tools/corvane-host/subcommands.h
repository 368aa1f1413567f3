#pragma once

#include <CLI/CLI.hpp>

namespace corvane::tools {

// The subcommands of corvane-host. Each adds itself, its options and their checks to the
// command line; when it is the one chosen, running it sets exit_code.
CLI::App* add_info_command(CLI::App& app, int& exit_code);
CLI::App* add_render_command(CLI::App& app, int& exit_code);
CLI::App* add_bench_command(CLI::App& app, int& exit_code);
CLI::App* add_editor_command(CLI::App& app, int& exit_code);

// Adds --program, --param, --at and --automation to a subcommand.
struct SettingsOptions;
void add_settings_options(CLI::App& command, SettingsOptions& settings);
// Adds --block, --tempo, --verbose and --quiet, which playing a plug-in takes.
void add_playing_options(CLI::App& command, int& block, double& tempo, bool& verbose, bool& quiet);

} // namespace corvane::tools
