// corvane-host editor: the plug-in's editor in a window of its own while the demo plays.

#include "tools/cli_args.h"
#include "tools/demo_signal.h"
#include "tools/editor_window.h"
#include "tools/hosted_plugin.h"
#include "tools/realtime_player.h"
#include "tools/subcommands.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace corvane::tools {

const char* const kEditorSynopsis = "PLUGIN [--seconds N] [--screenshot out.png] [options]";
const char* const kEditorHelp =
    "Opens the plug-in's editor in a window and plays the embedded demo through the plug-in\n"
    "in real time meanwhile, on an audio thread as a host does, so its displays move. The\n"
    "editor gets an idle call about 30 times a second. Needs an X server (DISPLAY).\n"
    "\n"
    "  --seconds N            close after N seconds (default: when the window is closed)\n"
    "  --screenshot FILE      save the window as PNG just before closing\n"
    "  --rate HZ              sample rate (default 44100)\n"
    "  --block N              frames per processing block (default 512)\n"
    "  --tempo BPM            host tempo (default 120)\n"
    "  -v, --verbose          log the plug-in's callbacks to stderr\n"
    "  -q, --quiet            print nothing but errors\n";

namespace {

constexpr const char* kName = "editor";
constexpr auto kIdlePeriod = std::chrono::milliseconds(33);

struct EditorOptions {
    std::string plugin;
    double seconds = -1.0; // until the window is closed
    std::string screenshot;
    int rate = 44100;
    int block = 512;
    double tempo = 120.0;
    bool verbose = false;
    bool quiet = false;
    bool help = false;
};

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) {
    g_interrupted.store(true);
}

bool parse_option(ArgReader& args, EditorOptions& o, std::string& error) {
    const std::string& name = args.peek();
    bool* flag = name == "-h" || name == "--help"      ? &o.help
                 : name == "-v" || name == "--verbose" ? &o.verbose
                 : name == "-q" || name == "--quiet"   ? &o.quiet
                                                       : nullptr;
    if (flag != nullptr) {
        *flag = true;
        return true;
    }
    if (name == "--seconds") return take_double(args, 0.0, 86400.0, o.seconds, error);
    if (name == "--screenshot") return take_text(args, o.screenshot, error);
    if (name == "--rate") return take_int(args, 1000, 768000, o.rate, error);
    if (name == "--block") return take_int(args, 1, 65536, o.block, error);
    if (name == "--tempo") return take_double(args, 1.0, 999.0, o.tempo, error);
    error = "unknown option '" + name + "'";
    return false;
}

bool parse_editor_options(const std::vector<std::string>& arguments, EditorOptions& o,
                          std::string& error) {
    const auto option = [&o](ArgReader& args, std::string& why) {
        return parse_option(args, o, why);
    };
    return parse_plugin_arguments(arguments, o.plugin, o.help, option, error);
}

int count_calls(const HostedPlugin& plugin, VstInt32 opcode) {
    int n = 0;
    for (const HostCall& c : plugin.calls())
        n += c.opcode == opcode;
    return n;
}

int run_editor(const EditorOptions& o) {
    std::string error;
    std::unique_ptr<HostedPlugin> plugin = HostedPlugin::load(o.plugin, error, o.verbose);
    if (!plugin) return report_failure(error);
    plugin->transport().tempo = o.tempo;
    plugin->set_sample_rate(o.rate);
    plugin->set_block_size(o.block);
    // The demo feeds the main pair; nothing is on the side-chain pins.
    for (VstInt32 pin = 2; pin < plugin->num_inputs(); ++pin)
        plugin->set_input_connected(pin, false);

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
        std::printf("edits: %d gestures, %d automated changes\n",
                    count_calls(*plugin, audioMasterBeginEdit),
                    count_calls(*plugin, audioMasterAutomate));
        if (!o.screenshot.empty()) std::printf("screenshot: %s\n", o.screenshot.c_str());
    }
    return kExitOk;
}

} // namespace

int editor_main(const std::vector<std::string>& args) {
    EditorOptions options;
    std::string error;
    if (!parse_editor_options(args, options, error)) return report_usage_error(kName, error);
    if (options.help) {
        std::printf("Usage: corvane-host editor %s\n\n%s", kEditorSynopsis, kEditorHelp);
        return kExitOk;
    }
    return run_editor(options);
}

} // namespace corvane::tools
