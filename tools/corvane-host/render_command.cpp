#include "tools/corvane-host/render_command.h"

#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/fx_files.h"
#include "tools/corvane-host/hosted_plugin.h"
#include "tools/corvane-host/pending_file.h"
#include "tools/corvane-host/progress_bar.h"
#include "tools/corvane-host/subcommands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace corvane::tools {

namespace {

constexpr const char* kRenderHelp =
    "Renders audio through a plug-in and writes it as a WAV file. Without -i it renders an\n"
    "embedded demo (four bars of drums and chords at the chosen tempo and time signature).\n"
    "Audio streams through in blocks, so files of any length take the same memory.\n"
    "A parameter is named by index, short or long name (any case); a value is normalised\n"
    "(0 to 1), in the parameter's unit (1000Hz, 50%) or one of its texts (BP). Programs are\n"
    "numbered from 1, as 'info' lists them. Timed changes land on their exact frame.\n"
    "An output that is a symbolic link is written to its target; a device, a FIFO or '-'\n"
    "(standard output) is written directly; other outputs appear only when all are complete.";

// A file the render reads or writes, named by the option that gave it.
struct NamedFile {
    const char* option;
    const std::string* path;
};

// The same file reached twice: by its identity when it exists, else by its resolved name.
bool same_file(const std::string& a, const std::string& b) {
    if (a == "-" || b == "-") return a == b;
    FileIdentity ia, ib;
    if (identify_file(a, ia) && identify_file(b, ib)) return ia == ib;
    std::error_code ignored;
    return std::filesystem::weakly_canonical(std::filesystem::absolute(a, ignored), ignored) ==
           std::filesystem::weakly_canonical(std::filesystem::absolute(b, ignored), ignored);
}

// An output must not overwrite an input, nor another output.
bool check_distinct(const RenderOptions& o, std::string& error) {
    const NamedFile outputs[] = {
        {"-o", &o.output}, {"--save-fxp", &o.save_fxp}, {"--save-fxb", &o.save_fxb}};
    const NamedFile inputs[] = {
        {"the plug-in", &o.plugin},    {"-i", &o.input},
        {"--sidechain", &o.sidechain}, {"--fxp", &o.load_fxp},
        {"--fxb", &o.load_fxb},        {"--automation", &o.settings.automation}};
    for (size_t i = 0; i < std::size(outputs); ++i) {
        const NamedFile& out = outputs[i];
        if (out.path->empty()) continue;
        for (const NamedFile& in : inputs)
            if (!in.path->empty() && same_file(*out.path, *in.path)) {
                error = std::string(out.option) + " '" + *out.path + "' is " + in.option + " '" +
                        *in.path + "': an output cannot overwrite an input";
                return false;
            }
        for (size_t j = i + 1; j < std::size(outputs); ++j)
            if (!outputs[j].path->empty() && same_file(*out.path, *outputs[j].path)) {
                error = std::string(out.option) + " and " + outputs[j].option + " both write '" +
                        *out.path + "'";
                return false;
            }
    }
    return true;
}

bool matches_plugin(const FxIdentity& file, HostedPlugin& plugin, const std::string& path,
                    std::string& error) {
    if (file.unique_id == plugin.unique_id()) return true;
    error = "'" + path + "' was saved by plug-in " + describe_four_cc(file.unique_id) +
            ", not by this one, " + describe_four_cc(plugin.unique_id());
    return false;
}

// Loads the program and bank files named on the command line, before the plug-in is touched.
struct StateFiles {
    bool has_program = false, has_bank = false;
    FxIdentity program_identity, bank_identity;
    FxProgram program;
    FxBank bank;
};

bool load_state_files(const RenderOptions& o, StateFiles& files, std::string& error) {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!o.load_fxb.empty()) {
        if (!read_file(o.load_fxb, bytes, error)) return false;
        if (!decode_fxb(bytes, files.bank_identity, files.bank, why)) {
            error = "cannot load bank '" + o.load_fxb + "': " + why;
            return false;
        }
        files.has_bank = true;
    }
    if (!o.load_fxp.empty()) {
        if (!read_file(o.load_fxp, bytes, error)) return false;
        if (!decode_fxp(bytes, files.program_identity, files.program, why)) {
            error = "cannot load program '" + o.load_fxp + "': " + why;
            return false;
        }
        files.has_program = true;
    }
    return true;
}

// Bank, then program selection, then program file, then single parameters: each later one
// refines what the earlier ones set.
bool apply_state(const RenderOptions& o, const StateFiles& files, PluginInstance& instance,
                 std::string& error) {
    HostedPlugin* plugin = dynamic_cast<HostedPlugin*>(&instance);
    if ((files.has_bank || files.has_program) && !plugin) {
        error = "program and bank files are VST 2.4's; this plug-in is " +
                std::string(instance.format_name());
        return false;
    }
    if (files.has_bank && (!matches_plugin(files.bank_identity, *plugin, o.load_fxb, error) ||
                           !apply_bank(*plugin, files.bank, error)))
        return false;
    if (!select_program(instance, o.settings, error)) return false;
    if (files.has_program && (!matches_plugin(files.program_identity, *plugin, o.load_fxp, error) ||
                              !apply_program(*plugin, files.program, error)))
        return false;
    return apply_parameters(instance, o.settings, error);
}

double dbfs(float peak) {
    return peak > 0.0f ? 20.0 * std::log10(static_cast<double>(peak)) : -INFINITY;
}

bool open_source(const std::string& path, std::unique_ptr<AudioFileReader>& reader,
                 std::string& error) {
    if (path.empty()) return true;
    reader = AudioFileReader::open(path, error);
    return reader != nullptr;
}

void warn_if_short(const AudioFileReader* reader) {
    if (reader && reader->ended_early())
        std::fprintf(stderr,
                     "corvane-host: warning: '%s' ends before its header says; its %zu frames "
                     "were rendered\n",
                     reader->path().c_str(), reader->frames_read());
}

std::string program_name_of(PluginInstance& plugin) {
    const std::vector<std::string> names = plugin.program_names();
    const size_t index = static_cast<size_t>(plugin.program());
    return index < names.size() ? names[index] : std::string();
}

SampleFormat sample_format(const std::string& name) {
    return name == "pcm16" ? SampleFormat::pcm16
                           : (name == "pcm24" ? SampleFormat::pcm24 : SampleFormat::float32);
}

} // namespace

bool parse_note(const std::string& text, PlannedNote& note, std::string& error) {
    const std::vector<std::string> parts = split(text, ':');
    double start = 0.0, length = 0.0;
    int key = 0, velocity = 0;
    if (parts.size() != 4 || !parse_double(parts[0], start) || !parse_int(parts[1], key) ||
        !parse_int(parts[2], velocity) || !parse_double(parts[3], length) || start < 0.0 ||
        key < 0 || key > 127 || velocity < 1 || velocity > 127 || length <= 0.0 ||
        start + length > 86400.0) {
        error = "--note takes START:KEY:VELOCITY:LENGTH (seconds, key 0-127, velocity 1-127, "
                "length above 0), not '" +
                text + "'";
        return false;
    }
    note = PlannedNote{start, key, velocity, length};
    return true;
}

bool parse_time_signature(const std::string& text, int& numerator, int& denominator) {
    const std::vector<std::string> parts = split(text, '/');
    int n = 0, d = 0;
    if (parts.size() != 2 || !parse_int(parts[0], n) || !parse_int(parts[1], d)) return false;
    if (n < 1 || n > 64 || d < 1 || d > 64 || (d & (d - 1)) != 0) return false;
    numerator = n;
    denominator = d;
    return true;
}

void add_settings_options(CLI::App& command, SettingsOptions& settings) {
    command.add_option("--program", settings.program,
                       "select program N (numbered from 1, as 'info' lists them) or NAME");
    command
        .add_option("--param", settings.params,
                    "set NAME=VALUE before playing (index, short or long name; value 0..1, "
                    "in the parameter's unit, or one of its texts); repeatable")
        ->allow_extra_args(false);
    command
        .add_option("--at", settings.at,
                    "at SECONDS set NAME=VALUE, or program=N (e.g. --at 2.5 Freeze=1); "
                    "repeatable")
        ->type_name("SECONDS NAME=VALUE")
        ->allow_extra_args(false);
    command
        .add_option("--automation", settings.automation,
                    "file of timed changes, one 'SECONDS NAME=VALUE' per line, # comments")
        ->check(CLI::ExistingFile);
}

void add_playing_options(CLI::App& command, int& block, double& tempo, bool& verbose, bool& quiet) {
    command.add_option("--block", block, "frames per processing block")
        ->capture_default_str()
        ->check(CLI::Range(1, 65536));
    command.add_option("--tempo", tempo, "host tempo in BPM")
        ->capture_default_str()
        ->check(CLI::Range(1.0, 999.0));
    command.add_flag("-v,--verbose", verbose, "log the plug-in's callbacks to stderr");
    command.add_flag("-q,--quiet", quiet, "print nothing but errors");
}

CLI::App* add_render_command(CLI::App& app, int& exit_code) {
    auto o = std::make_shared<RenderOptions>();
    CLI::App* c = app.add_subcommand("render", "render audio through a plug-in into a WAV file");
    c->footer(kRenderHelp);
    c->add_option("plugin", o->plugin, "the plug-in module")->required();
    c->add_option("-i,--input", o->input,
                  "mono or stereo input (WAV or any format libsndfile "
                  "reads); default: the demo");
    c->add_option("-o,--output", o->output, "WAV file to write, or - for standard output")
        ->capture_default_str();
    c->add_option("--sidechain", o->sidechain,
                  "mono or stereo side-chain, into inputs 3 and 4 (pins 2 and 3, counted from 0)");
    add_settings_options(*c, o->settings);
    c->add_option("--fxp", o->load_fxp, "load a program file into the current program");
    c->add_option("--fxb", o->load_fxb, "load a bank file (before --program)");
    c->add_option("--save-fxp", o->save_fxp, "write the current program after rendering");
    c->add_option("--save-fxb", o->save_fxb, "write all programs as a bank after rendering");
    c->add_option("--note", o->notes,
                  "play a MIDI note S:KEY:VEL:LEN (seconds, key, velocity, seconds); repeatable")
        ->allow_extra_args(false);
    c->add_option("--rate", o->rate,
                  "sample rate for the demo (default 44100); an input file's rate is used as it is")
        ->check(CLI::Range(1000, 768000));
    add_playing_options(*c, o->block, o->tempo, o->verbose, o->quiet);
    c->add_option("--timesig", o->timesig, "host time signature N/D")->capture_default_str();
    c->add_flag("--no-time", o->no_time,
                "give the plug-in no tempo or position, as a host without a transport (or a file "
                "renderer) does");
    c->add_option("--tail", o->tail, "seconds of silence appended to the input, for tails")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 600.0));
    c->add_option("--format", o->format, "sample format of the WAV file")
        ->capture_default_str()
        ->check(CLI::IsMember({"float", "float32", "pcm16", "pcm24"}));
    c->callback([o, &exit_code] { exit_code = run_render(*o); });
    return c;
}

int run_render(const RenderOptions& o) {
    remove_pending_files_on_signals();
    std::string error;
    int numerator = 4, denominator = 4;
    if (!parse_time_signature(o.timesig, numerator, denominator))
        return report_usage_error("render", "--timesig takes N/D with N from 1 to 64 and D a "
                                            "power of two up to 64, not '" +
                                                o.timesig + "'");
    std::vector<PlannedNote> notes;
    for (const std::string& text : o.notes) {
        PlannedNote note;
        if (!parse_note(text, note, error)) return report_usage_error("render", error);
        notes.push_back(note);
    }
    if (o.output.empty()) return report_usage_error("render", "-o needs a file name");
    if (!check_distinct(o, error)) return report_failure(error);

    std::unique_ptr<AudioFileReader> input, sidechain;
    if (!open_source(o.input, input, error) || !open_source(o.sidechain, sidechain, error))
        return report_failure(error);
    double rate = o.rate ? *o.rate : 44100.0;
    if (input) {
        if (o.rate && *o.rate != input->sample_rate())
            return report_failure("--rate " + std::to_string(*o.rate) + " differs from the " +
                                  std::to_string(static_cast<int>(input->sample_rate())) +
                                  " Hz of '" + o.input + "'; this host does not resample");
        rate = input->sample_rate();
    }
    if (sidechain && sidechain->sample_rate() != rate)
        return report_failure("the side-chain '" + o.sidechain + "' runs at " +
                              std::to_string(static_cast<int>(sidechain->sample_rate())) +
                              " Hz, the render at " + std::to_string(static_cast<int>(rate)) +
                              " Hz; this host does not resample");
    StateFiles files;
    if (!load_state_files(o, files, error)) return report_failure(error);

    std::unique_ptr<PluginInstance> plugin = load_plugin(o.plugin, error, o.verbose);
    if (!plugin) return report_failure(error);
    if (sidechain && plugin->num_inputs() < 3)
        return report_failure("the plug-in has " + std::to_string(plugin->num_inputs()) +
                              " inputs, so no side-chain input");
    plugin->transport().available = !o.no_time;
    plugin->transport().tempo = o.tempo;
    plugin->transport().numerator = numerator;
    plugin->transport().denominator = denominator;
    plugin->set_sample_rate(rate);
    plugin->set_block_size(o.block);
    if (!apply_state(o, files, *plugin, error)) return report_failure(error);
    RenderInput job;
    if (!timed_changes(*plugin, o.settings, rate, job.automation, error))
        return report_failure(error);
    if (!notes.empty() && !plugin->takes_midi() && !o.quiet)
        std::fprintf(stderr, "corvane-host: warning: the plug-in does not say it takes MIDI; "
                             "sending the notes anyway\n");
    HostedPlugin* vst = dynamic_cast<HostedPlugin*>(plugin.get());
    if ((!o.save_fxp.empty() || !o.save_fxb.empty()) && !vst)
        return report_failure("program and bank files are VST 2.4's; this plug-in is " +
                              std::string(plugin->format_name()));

    // Every output is opened before the render, so one that cannot be written fails first.
    PendingFile wav, fxp, fxb;
    if (!wav.create(o.output, error) || (!o.save_fxp.empty() && !fxp.create(o.save_fxp, error)) ||
        (!o.save_fxb.empty() && !fxb.create(o.save_fxb, error)))
        return report_failure(error);
    WavWriter writer;
    if (!writer.open(wav, plugin->num_outputs(), rate, sample_format(o.format), error))
        return report_failure(error);

    const AudioBuffer demo =
        input ? AudioBuffer{} : make_demo_signal(rate, o.tempo, numerator, denominator);
    BufferSource demo_source(demo);
    job.sample_rate = rate;
    job.block = o.block;
    job.main = input ? static_cast<AudioSource*>(input.get()) : &demo_source;
    job.sidechain = sidechain.get();
    job.notes = notes;
    job.tail_frames = frame_at(o.tail, rate);

    RenderStats stats;
    ProgressBar bar(!o.quiet);
    const auto started = std::chrono::steady_clock::now();
    const bool rendered = render_audio(
        *plugin, job,
        [&writer](const float* const* channels, size_t frames, std::string& why) {
            return writer.write(channels, frames, why);
        },
        stats,
        [&bar](size_t done, size_t total) {
            bar.update(done, total);
            return true;
        },
        error);
    bar.finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!rendered || !writer.finish(error)) return report_failure(error);
    if ((!o.save_fxp.empty() &&
         !write_all(fxp, encode_fxp(identity_of(*vst), read_current_program(*vst)), error)) ||
        (!o.save_fxb.empty() &&
         !write_all(fxb, encode_fxb(identity_of(*vst), read_bank(*vst)), error)))
        return report_failure(error);
    // All outputs are complete: only now does any of them replace what was there.
    if (!wav.commit(error) || (!o.save_fxp.empty() && !fxp.commit(error)) ||
        (!o.save_fxb.empty() && !fxb.commit(error)))
        return report_failure(error);

    warn_if_short(input.get());
    warn_if_short(sidechain.get());
    if (stats.non_finite > 0)
        std::fprintf(stderr,
                     "corvane-host: warning: the plug-in produced %zu samples that were not "
                     "numbers; they were written as 0\n",
                     stats.non_finite);
    const WriteStats& written = writer.stats();
    if (written.clipped > 0)
        std::fprintf(stderr,
                     "corvane-host: warning: %zu samples clipped to full scale in %s (peak "
                     "%+.1f dBFS); choose --format float to keep them\n",
                     written.clipped, o.format.c_str(), dbfs(written.peak));
    if (!o.quiet) {
        // With the audio on standard output, the summary goes to the error stream.
        std::FILE* to = o.output == "-" ? stderr : stdout;
        const double audio_seconds = static_cast<double>(stats.frames) / rate;
        std::fprintf(to,
                     "Rendered %.2f s (%zu frames, %d Hz, %d channels) of %s through '%s', "
                     "program %s '%s', in %.2f s (%.0fx real time); peak %+.1f dBFS -> %s\n",
                     audio_seconds, stats.frames, static_cast<int>(rate), plugin->num_outputs(),
                     o.input.empty() ? "the demo" : o.input.c_str(), plugin->effect_name().c_str(),
                     program_number_text(plugin->program()).c_str(),
                     program_name_of(*plugin).c_str(), seconds,
                     seconds > 0.0 ? audio_seconds / seconds : 0.0, dbfs(written.peak),
                     o.output.c_str());
    }
    return kExitOk;
}

} // namespace corvane::tools
