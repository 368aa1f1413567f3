// corvane-host editor: the plug-in's editor in a window of its own while the demo plays.

#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/editor_window.h"
#include "tools/corvane-host/hosted_plugin.h"
#include "tools/corvane-host/plugin_settings.h"
#include "tools/corvane-host/realtime_player.h"
#include "tools/corvane-host/subcommands.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace corvane::tools {

namespace {

constexpr const char* kEditorHelp =
    "Opens the plug-in's editor in a window and plays the embedded demo through the plug-in\n"
    "in real time meanwhile, on an audio thread as a host does, so its displays move. The\n"
    "editor gets an idle call about 30 times a second; timed changes (--at, --automation) are\n"
    "made from the window's loop when their time has come. Needs an X server (DISPLAY).";
constexpr auto kIdlePeriod = std::chrono::milliseconds(33);

struct EditorOptions {
    std::string plugin;
    double seconds = -1.0; // until the window is closed
    std::string screenshot;
    double scale = 0.0; // 0: the plug-in's own choice (the desktop's)
    int rate = 44100;
    int block = 512;
    double tempo = 120.0;
    SettingsOptions settings;
    bool verbose = false;
    bool quiet = false;
};

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
    g_interrupted.store(true);
}

int count_calls(const HostedPlugin& plugin, VstInt32 opcode) {
    int n = 0;
    for (const HostCall& c : plugin.calls())
        n += c.opcode == opcode;
    return n;
}

int run_editor(const EditorOptions& o) {
    std::string error;
    std::unique_ptr<PluginInstance> plugin = load_plugin(o.plugin, error, o.verbose);
    if (!plugin) return report_failure(error);
    std::vector<AutomationEvent> changes;
    if (!select_program(*plugin, o.settings, error) ||
        !apply_parameters(*plugin, o.settings, error) ||
        !timed_changes(*plugin, o.settings, o.rate, changes, error))
        return report_failure(error);
    std::stable_sort(
        changes.begin(), changes.end(),
        [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
    size_t next_change = 0;
    plugin->transport().tempo = o.tempo;
    plugin->set_sample_rate(o.rate);
    plugin->set_block_size(o.block);
    // The demo feeds the main pair; nothing is on the side-chain pins.
    for (int pin = 2; pin < plugin->num_inputs(); ++pin)
        plugin->set_input_connected(pin, false);

    // As a host on a HiDPI screen does, before it asks the editor's size.
    if (o.scale > 0.0 && !plugin->set_editor_scale(o.scale) && !o.quiet)
        std::fprintf(stderr, "corvane-host: the plug-in did not take the scale %g\n", o.scale);
    std::unique_ptr<EditorWindow> window =
        EditorWindow::create(*plugin, plugin->effect_name() + " - corvane-host", error);
    if (!window) return report_failure(error);
    window->show();
    if (!window->open_editor()) return report_failure("the plug-in did not open its editor");

    const AudioBuffer demo = make_demo_signal(o.rate, o.tempo, 4, 4);
    plugin->resume();
    RealtimePlayer player(*plugin, demo);
    player.start();

    g_interrupted.store(false);
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    const auto limit = std::chrono::duration<double>(o.seconds);
    clock::time_point next = start;
    while (!window->close_requested() && !g_interrupted.load()) {
        const double played = std::chrono::duration<double>(clock::now() - start).count();
        while (next_change < changes.size() &&
               static_cast<double>(changes[next_change].frame) <= played * o.rate) {
            const AutomationEvent& change = changes[next_change++];
            if (change.parameter >= 0)
                plugin->set_parameter(change.parameter, change.value);
            else
                plugin->set_program(change.program);
        }
        window->idle();
        if (o.seconds >= 0.0 && clock::now() - start >= limit) break;
        next += kIdlePeriod;
        std::this_thread::sleep_until(next);
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    bool ok = true;
    if (!o.screenshot.empty()) {
        window->idle();
        ok = window->screenshot(o.screenshot, error);
    }
    player.stop();
    window->close_editor();
    plugin->suspend();
    const double seconds = std::chrono::duration<double>(clock::now() - start).count();
    if (!ok) return report_failure(error);
    if (!o.quiet) {
        std::printf("editor open for %.1f s, %.1f s of audio played\n", seconds,
                    static_cast<double>(player.frames_played()) / o.rate);
        if (const HostedPlugin* vst = dynamic_cast<const HostedPlugin*>(plugin.get()))
            std::printf("edits: %d gestures, %d automated changes\n",
                        count_calls(*vst, audioMasterBeginEdit),
                        count_calls(*vst, audioMasterAutomate));
        if (!o.screenshot.empty()) std::printf("screenshot: %s\n", o.screenshot.c_str());
    }
    return kExitOk;
}

} // namespace

CLI::App* add_editor_command(CLI::App& app, int& exit_code) {
    auto o = std::make_shared<EditorOptions>();
    CLI::App* c = app.add_subcommand("editor", "show the plug-in's editor while the demo plays");
    c->footer(kEditorHelp);
    c->add_option("plugin", o->plugin, "the plug-in module")->required();
    c->add_option("--seconds", o->seconds,
                  "close after N seconds (default: when the window is "
                  "closed)")
        ->check(CLI::Range(0.0, 86400.0));
    c->add_option("--screenshot", o->screenshot, "save the window as PNG just before closing");
    c->add_option("--scale", o->scale,
                  "the screen's scale the host tells the editor (1 to 3; default: none, the "
                  "plug-in follows the desktop)")
        ->check(CLI::Range(1.0, 3.0));
    add_settings_options(*c, o->settings);
    c->add_option("--rate", o->rate, "sample rate")
        ->capture_default_str()
        ->check(CLI::Range(1000, 768000));
    add_playing_options(*c, o->block, o->tempo, o->verbose, o->quiet);
    c->callback([o, &exit_code] { exit_code = run_editor(*o); });
    return c;
}

} // namespace corvane::tools
