#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/plugin_instance.h"
#include "tools/corvane-host/plugin_settings.h"
#include "tools/corvane-host/subcommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

namespace corvane::tools {

namespace {

constexpr const char* kBenchHelp =
    "Measures how fast plug-ins process: for every program of each plug-in, nanoseconds per\n"
    "sample frame and the real-time factor (audio time / processing time), on white noise at\n"
    "every input. Each measurement is switched on afresh, warmed up, and repeated; the median\n"
    "is reported. With several plug-ins the repetitions take turns, so a change in machine load\n"
    "touches all of them alike, and a summary compares them.";

struct BenchOptions {
    std::vector<std::string> plugins;
    int rate = 48000;
    int block = 256;
    double seconds = 2.0;
    int reps = 5;
    double warmup = 0.5;
    std::optional<int> program;
    bool silence = false;
    bool verbose = false;
};

struct Target {
    std::unique_ptr<PluginInstance> plugin;
    std::vector<int> programs;
    std::vector<std::string> names;
    std::vector<std::vector<double>> ns_per_frame; // [program][repetition]
    bool silence = false;                          // timed on silence after the warm-up
};

// A second of deterministic white noise per input channel, played in a loop of whole blocks.
class NoiseSource {
public:
    NoiseSource(int channels, int frames) : frames_(frames) {
        uint32_t state = 0x9e3779b9u;
        for (int c = 0; c < channels; ++c) {
            data_.emplace_back(static_cast<size_t>(frames));
            for (float& v : data_.back()) {
                state = state * 1664525u + 1013904223u;
                v = 0.5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
            }
        }
    }
    void point(std::vector<float*>& ptrs, int offset) {
        for (size_t c = 0; c < ptrs.size(); ++c)
            ptrs[c] = data_[c].data() + offset;
    }
    void point_silence(std::vector<float*>& ptrs) {
        if (silence_.size() != static_cast<size_t>(frames_)) silence_.assign(frames_, 0.0f);
        for (float*& p : ptrs)
            p = silence_.data();
    }
    int frames() const { return frames_; }

private:
    int frames_;
    std::vector<std::vector<float>> data_;
    std::vector<float> silence_;
};

double measure(PluginInstance& plugin, int program, const BenchOptions& o, NoiseSource& noise,
               bool timed_on_silence) {
    const int ins = std::max(plugin.num_inputs(), 0);
    const int outs = std::max(plugin.num_outputs(), 1);
    std::vector<std::vector<float>> out(static_cast<size_t>(outs),
                                        std::vector<float>(static_cast<size_t>(o.block)));
    std::vector<float*> in_ptrs(static_cast<size_t>(ins)), out_ptrs;
    for (auto& b : out)
        out_ptrs.push_back(b.data());
    plugin.suspend();
    plugin.set_program(program);
    plugin.set_sample_rate(o.rate);
    plugin.set_block_size(o.block);
    plugin.transport().sample_pos = 0.0;
    plugin.transport().ppq_pos = 0.0;
    plugin.resume();
    const int loop_blocks = noise.frames() / o.block;
    int block_index = 0;
    bool silent = false;
    auto run = [&](long blocks) {
        for (long b = 0; b < blocks; ++b) {
            if (silent)
                noise.point_silence(in_ptrs);
            else
                noise.point(in_ptrs, (block_index++ % loop_blocks) * o.block);
            plugin.process(ins > 0 ? in_ptrs.data() : nullptr, out_ptrs.data(), o.block);
        }
    };
    run(static_cast<long>(o.warmup * o.rate / o.block));
    silent = timed_on_silence;
    const long blocks = std::max(1L, static_cast<long>(o.seconds * o.rate / o.block));
    const auto start = std::chrono::steady_clock::now();
    run(blocks);
    const auto end = std::chrono::steady_clock::now();
    plugin.suspend();
    const double ns = std::chrono::duration<double, std::nano>(end - start).count();
    return ns / (static_cast<double>(blocks) * o.block);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double realtime_factor(double ns_per_frame, int rate) {
    return 1e9 / (ns_per_frame * rate);
}

void print_target(const Target& t, const BenchOptions& o) {
    std::printf("\n%s (%s)%s\n", t.plugin->effect_name().c_str(), t.plugin->path().c_str(),
                t.silence ? ", silence after noise" : "");
    std::printf("  %3s  %-24s  %10s  %10s  %s\n", "#", "program", "ns/frame", "x realtime",
                "spread (min..max ns/frame)");
    for (size_t p = 0; p < t.programs.size(); ++p) {
        const std::vector<double>& runs = t.ns_per_frame[p];
        const double med = median(runs);
        const auto [lo, hi] = std::minmax_element(runs.begin(), runs.end());
        std::printf("  %3s  %-24s  %10.2f  %10.1f  %.2f..%.2f\n",
                    program_number_text(t.programs[p]).c_str(), t.names[p].c_str(), med,
                    realtime_factor(med, o.rate), *lo, *hi);
    }
}

double overall(const Target& t) {
    double sum = 0.0;
    for (const auto& runs : t.ns_per_frame)
        sum += median(runs);
    return t.ns_per_frame.empty() ? 0.0 : sum / static_cast<double>(t.ns_per_frame.size());
}

double worst(const Target& t) {
    double most = 0.0;
    for (const auto& runs : t.ns_per_frame)
        most = std::max(most, median(runs));
    return most;
}

} // namespace

int run_bench(const BenchOptions& o) {
    std::string error;

    std::vector<Target> targets;
    int max_inputs = 0;
    for (const std::string& path : o.plugins) {
        Target t;
        t.plugin = load_plugin(path, error, o.verbose);
        if (!t.plugin) return report_failure(error);
        const std::vector<std::string> names = t.plugin->program_names();
        const int count = std::max<int>(t.plugin->num_programs(), 1);
        for (int p = 0; p < count; ++p) {
            if (o.program && *o.program != p + 1) continue;
            t.programs.push_back(p);
            t.names.push_back(static_cast<size_t>(p) < names.size() ? names[static_cast<size_t>(p)]
                                                                    : "");
        }
        if (t.programs.empty())
            return report_failure("'" + path + "' has no program " + std::to_string(*o.program));
        t.ns_per_frame.assign(t.programs.size(), {});
        max_inputs = std::max(max_inputs, static_cast<int>(t.plugin->num_inputs()));
        if (o.silence) {
            Target quiet;
            quiet.plugin = load_plugin(path, error, o.verbose);
            if (!quiet.plugin) return report_failure(error);
            quiet.programs = t.programs;
            quiet.names = t.names;
            quiet.ns_per_frame = t.ns_per_frame;
            quiet.silence = true;
            targets.push_back(std::move(t));
            targets.push_back(std::move(quiet));
        } else {
            targets.push_back(std::move(t));
        }
    }

    const int loop_frames = std::max(o.block, (o.rate / o.block) * o.block);
    NoiseSource noise(max_inputs, loop_frames);
    std::printf("Benchmark: %d Hz, block %d, %.2f s per run after %.2f s warm-up on noise, "
                "median of %d runs\n",
                o.rate, o.block, o.seconds, o.warmup, o.reps);
    for (int rep = 0; rep < o.reps; ++rep)
        for (Target& t : targets)
            for (size_t p = 0; p < t.programs.size(); ++p)
                t.ns_per_frame[p].push_back(measure(*t.plugin, t.programs[p], o, noise, t.silence));

    for (const Target& t : targets)
        print_target(t, o);
    std::printf("\nSummary (median ns/frame: mean over programs, and the worst program):\n");
    const double reference = overall(targets.front());
    const double reference_worst = worst(targets.front());
    for (const Target& t : targets) {
        const double ns = overall(t);
        const double most = worst(t);
        const std::string& path = t.plugin->path();
        const std::string label = t.plugin->effect_name() + " [" +
                                  path.substr(path.rfind('/') + 1) + "]" +
                                  (t.silence ? " silence" : "");
        std::printf("  %-40s  mean %8.2f  %10.1f x realtime  %5.2f x the first   worst %8.2f  "
                    "%5.2f x the first's worst\n",
                    label.c_str(), ns, realtime_factor(ns, o.rate),
                    reference > 0.0 ? ns / reference : 0.0, most,
                    reference_worst > 0.0 ? most / reference_worst : 0.0);
    }
    return kExitOk;
}

CLI::App* add_bench_command(CLI::App& app, int& exit_code) {
    auto o = std::make_shared<BenchOptions>();
    CLI::App* c = app.add_subcommand("bench", "time plug-ins program by program");
    c->footer(kBenchHelp);
    c->add_option("plugins", o->plugins, "the plug-in modules")->required();
    c->add_option("--rate", o->rate, "sample rate")
        ->capture_default_str()
        ->check(CLI::Range(1000, 768000));
    c->add_option("--block", o->block, "frames per block")
        ->capture_default_str()
        ->check(CLI::Range(1, 65536));
    c->add_option("--seconds", o->seconds, "audio per repetition")
        ->capture_default_str()
        ->check(CLI::Range(0.001, 3600.0));
    c->add_option("--reps", o->reps, "repetitions")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000));
    c->add_option("--warmup", o->warmup, "seconds of audio processed before each timing")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 3600.0));
    c->add_option("--program", o->program, "only program N (numbered from 1, as 'info' lists them)")
        ->check(CLI::Range(1, 1 << 20));
    c->add_flag("--silence", o->silence,
                "also time each plug-in on silence after the noise of the warm-up, taking turns "
                "with the noise runs (shows costs that appear as tails decay, such as subnormals)");
    c->add_flag("-v,--verbose", o->verbose, "log the plug-ins' callbacks to stderr");
    c->callback([o, &exit_code] { exit_code = run_bench(*o); });
    return c;
}

} // namespace corvane::tools
