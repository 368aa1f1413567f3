#include "tools/cli_args.h"
#include "tools/hosted_plugin.h"
#include "tools/subcommands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

namespace corvane::tools {

const char* const kBenchHelp =
    "Measures how fast plug-ins process: for every program of each plug-in, nanoseconds per\n"
    "sample frame and the real-time factor (audio time / processing time), on white noise at\n"
    "every input. Each measurement is switched on afresh, warmed up, and repeated; the median\n"
    "is reported. With several plug-ins the repetitions take turns, so a change in machine load\n"
    "touches all of them alike, and a summary compares them.\n"
    "\n"
    "  --rate HZ              sample rate (default 48000)\n"
    "  --block N              frames per block (default 256)\n"
    "  --seconds S            audio per repetition (default 2)\n"
    "  --reps N               repetitions (default 5)\n"
    "  --warmup S             audio processed before each timing (default 0.5)\n"
    "  --program N            only program N\n"
    "  --silence              also time each plug-in on silence after the noise of the\n"
    "                         warm-up, taking turns with the noise runs (shows costs that\n"
    "                         appear as tails decay, such as subnormals)\n"
    "  -v, --verbose          log the plug-ins' callbacks to stderr\n";

namespace {

constexpr const char* kName = "bench";

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
    std::unique_ptr<HostedPlugin> plugin;
    std::vector<VstInt32> programs;
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

double measure(HostedPlugin& plugin, VstInt32 program, const BenchOptions& o, NoiseSource& noise,
               bool timed_on_silence) {
    const VstInt32 ins = std::max(plugin.num_inputs(), 0);
    const VstInt32 outs = std::max(plugin.num_outputs(), 1);
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

bool parse(const std::vector<std::string>& arguments, BenchOptions& o, bool& help,
           std::string& error) {
    ArgReader args(arguments);
    while (args.next()) {
        const std::string& arg = args.peek();
        bool ok = true;
        if (arg == "-h" || arg == "--help") {
            help = true;
            return true;
        } else if (arg == "-v" || arg == "--verbose") {
            o.verbose = true;
        } else if (arg == "--silence") {
            o.silence = true;
        } else if (arg == "--rate") {
            ok = take_int(args, 1000, 768000, o.rate, error);
        } else if (arg == "--block") {
            ok = take_int(args, 1, 65536, o.block, error);
        } else if (arg == "--seconds") {
            ok = take_double(args, 0.001, 3600.0, o.seconds, error);
        } else if (arg == "--reps") {
            ok = take_int(args, 1, 1000, o.reps, error);
        } else if (arg == "--warmup") {
            ok = take_double(args, 0.0, 3600.0, o.warmup, error);
        } else if (arg == "--program") {
            int program = 0;
            ok = take_int(args, 0, 1 << 20, program, error);
            o.program = program;
        } else if (args.is_option()) {
            error = "unknown option '" + arg + "'";
            ok = false;
        } else {
            o.plugins.push_back(arg);
        }
        if (!ok) return false;
    }
    if (o.plugins.empty()) {
        error = "no plug-in given";
        return false;
    }
    return true;
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
        std::printf("  %3d  %-24s  %10.2f  %10.1f  %.2f..%.2f\n", static_cast<int>(t.programs[p]),
                    t.names[p].c_str(), med, realtime_factor(med, o.rate), *lo, *hi);
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

int bench_main(const std::vector<std::string>& arguments) {
    BenchOptions o;
    bool help = false;
    std::string error;
    if (!parse(arguments, o, help, error)) return report_usage_error(kName, error);
    if (help) {
        std::printf("Usage: corvane-host bench PLUGIN [PLUGIN...] [options]\n\n%s", kBenchHelp);
        return kExitOk;
    }

    std::vector<Target> targets;
    int max_inputs = 0;
    for (const std::string& path : o.plugins) {
        Target t;
        t.plugin = HostedPlugin::load(path, error, o.verbose);
        if (!t.plugin) return report_failure(error);
        const std::vector<std::string> names = t.plugin->program_names();
        const VstInt32 count = std::max<VstInt32>(t.plugin->num_programs(), 1);
        for (VstInt32 p = 0; p < count; ++p) {
            if (o.program && *o.program != p) continue;
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
            quiet.plugin = HostedPlugin::load(path, error, o.verbose);
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

} // namespace corvane::tools
