#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/plugin_instance.h"
#include "tools/corvane-host/plugin_settings.h"
#include "tools/corvane-host/subcommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace corvane::tools {

namespace {

constexpr const char* kBenchHelp =
    "Measures how fast plug-ins process, program by program, on white noise at every input:\n"
    "thread CPU time per sample frame. Every program of every plug-in runs in an instance of\n"
    "its own, warmed up once; then the repetitions take turns, program slot by program slot,\n"
    "between the plug-ins in an order rotated from one repetition to the next. Each repetition\n"
    "gives a ratio to the first plug-in (its program of the same number, or its first): a\n"
    "neighbour's load that slows one repetition slows both sides of its ratio alike. Reported:\n"
    "the median and the spread of those ratios, over all repetitions and over the quiet ones\n"
    "(those in which the first plug-in ran within 10 % of its fastest).\n"
    "With --silence S, every program also runs in a second instance that, after the warm-up,\n"
    "hears S seconds of silence before its first timing and silence from then on; its cost is\n"
    "given as a ratio to the same program on noise in the same repetition (the tail cost, where\n"
    "decaying signals such as subnormal numbers would show).";

struct BenchOptions {
    std::vector<std::string> plugins;
    int rate = 48000;
    int block = 256;
    double seconds = 0.5;
    int reps = 9;
    double warmup = 0.5;
    std::optional<int> program;
    double silence = 0.0;
    bool verbose = false;
};

// Thread CPU time: time the thread spends waiting for a processor is not the plug-in's.
double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A second of deterministic white noise per input channel, played in a loop of whole blocks.
class NoiseSource {
public:
    NoiseSource(int channels, int frames) : frames_(frames), silence_(static_cast<size_t>(frames)) {
        uint32_t state = 0x9e3779b9u;
        for (int c = 0; c < channels; ++c) {
            data_.emplace_back(static_cast<size_t>(frames));
            for (float& v : data_.back()) {
                state = state * 1664525u + 1013904223u;
                v = 0.5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
            }
        }
    }
    float* channel(size_t c, int offset) { return data_[c].data() + offset; }
    float* silence() { return silence_.data(); }
    int frames() const { return frames_; }

private:
    int frames_;
    std::vector<std::vector<float>> data_;
    std::vector<float> silence_;
};

// One program of one plug-in in an instance of its own, on noise or on silence after noise.
class Runner {
public:
    Runner(std::unique_ptr<PluginInstance> plugin, int program, bool silent, const BenchOptions& o)
        : plugin_(std::move(plugin)), program_(program), silent_(silent), block_(o.block) {
        const int outs = std::max(plugin_->num_outputs(), 1);
        out_.assign(static_cast<size_t>(outs), std::vector<float>(static_cast<size_t>(o.block)));
        for (auto& b : out_)
            out_ptrs_.push_back(b.data());
        in_ptrs_.resize(static_cast<size_t>(std::max(plugin_->num_inputs(), 0)));
        plugin_->set_program(program);
        plugin_->set_sample_rate(o.rate);
        plugin_->set_block_size(o.block);
        plugin_->resume();
    }
    ~Runner() { plugin_->suspend(); }

    // Plays frames (in whole blocks), untimed.
    void play(NoiseSource& noise, double frames, bool silent) {
        const long blocks = static_cast<long>(frames / block_);
        const int loop_blocks = std::max(noise.frames() / block_, 1);
        for (long b = 0; b < blocks; ++b) {
            for (size_t c = 0; c < in_ptrs_.size(); ++c)
                in_ptrs_[c] = silent ? noise.silence()
                                     : noise.channel(c, (position_++ % loop_blocks) * block_);
            plugin_->process(in_ptrs_.empty() ? nullptr : in_ptrs_.data(), out_ptrs_.data(),
                             block_);
        }
    }

    // Thread CPU nanoseconds per frame of the next frames (at least one block).
    double time(NoiseSource& noise, double frames) {
        const double blocks = std::max(1.0, std::floor(frames / block_));
        const double start = thread_seconds();
        play(noise, blocks * block_, silent_);
        return (thread_seconds() - start) * 1e9 / (blocks * block_);
    }

    PluginInstance& plugin() { return *plugin_; }
    int program() const { return program_; }
    bool silent() const { return silent_; }

private:
    std::unique_ptr<PluginInstance> plugin_;
    int program_;
    bool silent_;
    int block_;
    long position_ = 0;
    std::vector<std::vector<float>> out_;
    std::vector<float*> in_ptrs_, out_ptrs_;
};

struct Entry {
    std::string name;
    std::unique_ptr<Runner> noise, silence;
    std::vector<double> noise_ns, silence_ns; // per repetition
};

struct Plugin {
    std::string label;
    std::vector<Entry> entries; // one per program
};

struct Spread {
    double median = 0.0, low = 0.0, high = 0.0, min = 0.0, max = 0.0;
};

// Median, quartiles and range.
Spread spread(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto at = [&v](double q) {
        const double x = q * static_cast<double>(v.size() - 1);
        const size_t i = static_cast<size_t>(x);
        const double f = x - static_cast<double>(i);
        return i + 1 < v.size() ? v[i] * (1.0 - f) + v[i + 1] * f : v[i];
    };
    s.median = at(0.5);
    s.low = at(0.25);
    s.high = at(0.75);
    s.min = v.front();
    s.max = v.back();
    return s;
}

std::string plugin_label(PluginInstance& p) {
    const std::string& path = p.path();
    return p.effect_name() + " [" + path.substr(path.rfind('/') + 1) + "]";
}

} // namespace

int run_bench(const BenchOptions& o) {
    std::string error;
    std::vector<Plugin> plugins;
    int max_inputs = 0;
    for (const std::string& path : o.plugins) {
        std::unique_ptr<PluginInstance> probe = load_plugin(path, error, o.verbose);
        if (!probe) return report_failure(error);
        Plugin p;
        p.label = plugin_label(*probe);
        const std::vector<std::string> names = probe->program_names();
        const int count = std::max<int>(probe->num_programs(), 1);
        max_inputs = std::max(max_inputs, probe->num_inputs());
        for (int program = 0; program < count; ++program) {
            if (o.program && *o.program != program + 1) continue;
            Entry e;
            e.name =
                program_number_text(program) + " " +
                (static_cast<size_t>(program) < names.size() ? names[static_cast<size_t>(program)]
                                                             : std::string());
            for (bool silent : {false, true}) {
                if (silent && o.silence <= 0.0) break;
                std::unique_ptr<PluginInstance> instance =
                    probe ? std::move(probe) : load_plugin(path, error, o.verbose);
                if (!instance) return report_failure(error);
                (silent ? e.silence : e.noise) =
                    std::make_unique<Runner>(std::move(instance), program, silent, o);
            }
            p.entries.push_back(std::move(e));
        }
        if (p.entries.empty())
            return report_failure("'" + path + "' has no program " + std::to_string(*o.program));
        plugins.push_back(std::move(p));
    }

    const int loop_frames = std::max(o.block, (o.rate / o.block) * o.block);
    NoiseSource noise(max_inputs, loop_frames);
    for (Plugin& p : plugins)
        for (Entry& e : p.entries)
            for (Runner* r : {e.noise.get(), e.silence.get()}) {
                if (r == nullptr) continue;
                r->play(noise, o.warmup * o.rate, false);
                if (r->silent()) r->play(noise, o.silence * o.rate, true);
            }

    std::printf("Benchmark: %d Hz, block %d, %.2f s of audio per timing after %.2f s of noise, "
                "%d repetitions taking turns in rotated order, thread CPU time",
                o.rate, o.block, o.seconds, o.warmup, o.reps);
    if (o.silence > 0.0) std::printf("; silence timed after %g s of silence", o.silence);
    std::printf("\n");

    // Program slot by program slot, every plug-in's instance (noise, then silence) in an order
    // that turns by one each repetition.
    size_t slots = 0;
    for (const Plugin& p : plugins)
        slots = std::max(slots, p.entries.size());
    const double frames = o.seconds * o.rate;
    for (int rep = 0; rep < o.reps; ++rep)
        for (size_t slot = 0; slot < slots; ++slot)
            for (size_t k = 0; k < plugins.size(); ++k) {
                Plugin& p = plugins[(k + static_cast<size_t>(rep)) % plugins.size()];
                Entry& e = p.entries[std::min(slot, p.entries.size() - 1)];
                // A plug-in with fewer programs repeats its last one for each further slot.
                const bool own = slot < p.entries.size();
                const double ns = e.noise->time(noise, frames);
                if (own) e.noise_ns.push_back(ns);
                if (!e.silence) continue;
                const double quiet = e.silence->time(noise, frames);
                if (own) e.silence_ns.push_back(quiet);
            }

    // The first plug-in's timings of the slot, repetition by repetition: the reference.
    const Plugin& first = plugins.front();
    auto reference = [&first](size_t slot) -> const Entry& {
        return first.entries[std::min(slot, first.entries.size() - 1)];
    };
    // Repetitions in which the reference ran within 10 % of its fastest.
    auto quiet_reps = [&](size_t slot) {
        const std::vector<double>& ref = reference(slot).noise_ns;
        const double fastest = *std::min_element(ref.begin(), ref.end());
        std::vector<bool> quiet;
        for (double t : ref)
            quiet.push_back(t <= 1.1 * fastest);
        return quiet;
    };

    struct Summary {
        std::vector<double> all, quiet;
    };
    std::vector<Summary> summaries(plugins.size());
    std::printf("\nns/frame and the ratio to %s, per repetition: median [quartiles] min..max; "
                "quiet: the repetitions in which it ran within 10 %% of its fastest\n",
                first.label.c_str());
    for (size_t i = 0; i < plugins.size(); ++i) {
        Plugin& p = plugins[i];
        std::printf("\n%s\n  %-30s %9s  %-34s %-20s", p.label.c_str(), "program", "ns/frame",
                    "ratio (all repetitions)", "ratio (quiet)");
        if (o.silence > 0.0) std::printf("  %-30s", "silence / noise");
        std::printf("\n");
        for (size_t slot = 0; slot < p.entries.size(); ++slot) {
            const Entry& e = p.entries[slot];
            const std::vector<double>& ref = reference(slot).noise_ns;
            const std::vector<bool> quiet = quiet_reps(slot);
            std::vector<double> all, calm, tail;
            for (size_t r = 0; r < e.noise_ns.size(); ++r) {
                const double ratio = e.noise_ns[r] / ref[r];
                all.push_back(ratio);
                if (quiet[r]) calm.push_back(ratio);
                if (r < e.silence_ns.size()) tail.push_back(e.silence_ns[r] / e.noise_ns[r]);
            }
            const Spread ns = spread(e.noise_ns), a = spread(all), c = spread(calm);
            summaries[i].all.push_back(a.median);
            summaries[i].quiet.push_back(c.median);
            std::printf("  %-30s %9.2f  %5.2f [%4.2f..%4.2f] %4.2f..%4.2f   %5.2f (%zu reps)   ",
                        e.name.c_str(), ns.median, a.median, a.low, a.high, a.min, a.max, c.median,
                        calm.size());
            if (!tail.empty()) {
                const Spread t = spread(tail);
                std::printf("  %5.2f [%4.2f..%4.2f] %4.2f..%4.2f", t.median, t.low, t.high, t.min,
                            t.max);
            }
            std::printf("\n");
        }
    }

    std::printf("\nSummary (ratio medians to the first, over the programs: median and worst):\n");
    for (size_t i = 0; i < plugins.size(); ++i) {
        const Spread a = spread(summaries[i].all), c = spread(summaries[i].quiet);
        std::printf("  %-44s all: %5.2f x the first, worst %5.2f   quiet: %5.2f, worst %5.2f\n",
                    plugins[i].label.c_str(), a.median, a.max, c.median, c.max);
    }
    return kExitOk;
}

CLI::App* add_bench_command(CLI::App& app, int& exit_code) {
    auto o = std::make_shared<BenchOptions>();
    CLI::App* c = app.add_subcommand("bench", "time plug-ins program by program");
    c->footer(kBenchHelp);
    c->add_option("plugins", o->plugins, "the plug-in modules (the first is the reference)")
        ->required();
    c->add_option("--rate", o->rate, "sample rate")
        ->capture_default_str()
        ->check(CLI::Range(1000, 768000));
    c->add_option("--block", o->block, "frames per block")
        ->capture_default_str()
        ->check(CLI::Range(1, 65536));
    c->add_option("--seconds", o->seconds, "audio per timing")
        ->capture_default_str()
        ->check(CLI::Range(0.001, 3600.0));
    c->add_option("--reps", o->reps, "repetitions")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    c->add_option("--warmup", o->warmup, "seconds of noise each instance plays before timing")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 3600.0));
    c->add_option("--program", o->program, "only program N (numbered from 1, as 'info' lists them)")
        ->check(CLI::Range(1, 1 << 20));
    c->add_option("--silence", o->silence,
                  "also time every program on silence, after this many seconds of silence that "
                  "follow the warm-up (0: not)")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 36000.0));
    c->add_flag("-v,--verbose", o->verbose, "log the plug-ins' callbacks to stderr");
    c->callback([o, &exit_code] { exit_code = run_bench(*o); });
    return c;
}

} // namespace corvane::tools
