#include "tools/render_command.h"

#include "tools/cli_args.h"
#include "tools/demo_signal.h"
#include "tools/fx_files.h"
#include "tools/hosted_plugin.h"
#include "tools/pending_file.h"
#include "tools/progress_bar.h"
#include "tools/subcommands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace corvane::tools {

const char* const kRenderHelp =
    "Renders audio through a plug-in and writes it as a WAV file. Without -i it renders an\n"
    "embedded demo (four bars of drums and chords at the chosen tempo and time signature).\n"
    "\n"
    "  -i, --input FILE       mono or stereo input (WAV or any format libsndfile reads)\n"
    "  -o, --output FILE      WAV file to write (default out.wav); written only when complete\n"
    "  --sidechain FILE       mono or stereo side-chain on input pins 2 and 3\n"
    "  --program N|NAME       select program N (as numbered by 'info') or the one named NAME\n"
    "  --param INDEX=VALUE    set a parameter (index or name) to a normalised value 0..1;\n"
    "                         repeatable, applied after --program and --fxp\n"
    "  --fxp FILE             load a program file into the current program\n"
    "  --fxb FILE             load a bank file (before --program)\n"
    "  --save-fxp FILE        write the current program after rendering\n"
    "  --save-fxb FILE        write all programs as a bank after rendering\n"
    "  --note S:KEY:VEL:LEN   play a MIDI note from S seconds for LEN seconds; repeatable\n"
    "  --rate HZ              sample rate for the demo (default 44100); an input file's rate\n"
    "                         is used as it is\n"
    "  --block N              frames per processing block (default 512)\n"
    "  --tempo BPM            host tempo (default 120)\n"
    "  --timesig N/D          host time signature (default 4/4)\n"
    "  --no-time              give the plug-in no tempo or position, as a host without a\n"
    "                         transport (or a file renderer) does\n"
    "  --tail SECONDS         silence appended to the input, for reverb tails (default 0)\n"
    "  --format F             float (default), pcm16 or pcm24\n"
    "  -v, --verbose          log the plug-in's callbacks to stderr\n"
    "  -q, --quiet            print nothing but errors\n";

namespace {

constexpr const char* kName = "render";

bool parse_param(const std::string& text, std::pair<std::string, float>& param,
                 std::string& error) {
    const size_t eq = text.find('=');
    double value = 0.0;
    if (eq == std::string::npos || eq == 0 || !parse_double(text.substr(eq + 1), value) ||
        value < 0.0 || value > 1.0) {
        error = "--param takes INDEX=VALUE with a value from 0 to 1, not '" + text + "'";
        return false;
    }
    param = {text.substr(0, eq), static_cast<float>(value)};
    return true;
}

bool parse_format(const std::string& text, SampleFormat& format) {
    if (text == "float" || text == "float32")
        format = SampleFormat::float32;
    else if (text == "pcm16")
        format = SampleFormat::pcm16;
    else if (text == "pcm24")
        format = SampleFormat::pcm24;
    else
        return false;
    return true;
}

bool parse_option(ArgReader& args, RenderOptions& o, std::string& error) {
    const std::string& name = args.peek();
    std::string text;
    if (name == "-h" || name == "--help") {
        o.help = true;
        return true;
    }
    if (name == "-v" || name == "--verbose") {
        o.verbose = true;
        return true;
    }
    if (name == "-q" || name == "--quiet") {
        o.quiet = true;
        return true;
    }
    if (name == "-i" || name == "--input") return take_text(args, o.input, error);
    if (name == "-o" || name == "--output") return take_text(args, o.output, error);
    if (name == "--sidechain") return take_text(args, o.sidechain, error);
    if (name == "--no-time") {
        o.no_time = true;
        return true;
    }
    if (name == "--fxp") return take_text(args, o.load_fxp, error);
    if (name == "--fxb") return take_text(args, o.load_fxb, error);
    if (name == "--save-fxp") return take_text(args, o.save_fxp, error);
    if (name == "--save-fxb") return take_text(args, o.save_fxb, error);
    if (name == "--program") {
        if (!take_text(args, text, error)) return false;
        o.program = text;
        return true;
    }
    if (name == "--param") {
        std::pair<std::string, float> param;
        if (!take_text(args, text, error) || !parse_param(text, param, error)) return false;
        o.params.push_back(param);
        return true;
    }
    if (name == "--note") {
        NoteSpec note;
        if (!take_text(args, text, error) || !parse_note(text, note, error)) return false;
        o.notes.push_back(note);
        return true;
    }
    if (name == "--rate") {
        int rate = 0;
        if (!take_int(args, 1000, 768000, rate, error)) return false;
        o.rate = rate;
        return true;
    }
    if (name == "--block") return take_int(args, 1, 65536, o.block, error);
    if (name == "--tempo") return take_double(args, 1.0, 999.0, o.tempo, error);
    if (name == "--tail") return take_double(args, 0.0, 600.0, o.tail, error);
    if (name == "--timesig") {
        if (!take_text(args, text, error)) return false;
        if (parse_time_signature(text, o.numerator, o.denominator)) return true;
        error = "--timesig takes N/D with N from 1 to 64 and D a power of two up to 64, not '" +
                text + "'";
        return false;
    }
    if (name == "--format") {
        if (!take_text(args, text, error)) return false;
        if (parse_format(text, o.format)) return true;
        error = "--format takes float, pcm16 or pcm24, not '" + text + "'";
        return false;
    }
    error = "unknown option '" + name + "'";
    return false;
}

// Fails before any audio is rendered when an output could not be written at all.
bool check_writable(const std::string& path, std::string& error) {
    if (path.empty()) return true;
    PendingFile probe;
    return probe.create(path, error);
}

bool matches_plugin(const FxIdentity& file, HostedPlugin& plugin, const std::string& path,
                    std::string& error) {
    if (file.unique_id == plugin.unique_id()) return true;
    error = "'" + path + "' was saved by plug-in " + describe_four_cc(file.unique_id) +
            ", not by this one, " + describe_four_cc(plugin.unique_id());
    return false;
}

std::string program_list(HostedPlugin& plugin) {
    std::string text;
    const std::vector<std::string> names = plugin.program_names();
    for (size_t i = 0; i < names.size(); ++i)
        text += "\n  " + std::to_string(i) + "  " + names[i];
    return text;
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
bool apply_state(const RenderOptions& o, const StateFiles& files, HostedPlugin& plugin,
                 std::string& error) {
    if (files.has_bank && (!matches_plugin(files.bank_identity, plugin, o.load_fxb, error) ||
                           !apply_bank(plugin, files.bank, error)))
        return false;
    if (o.program) {
        const VstInt32 index = plugin.find_program(*o.program);
        if (index < 0) {
            error = "the plug-in has no program '" + *o.program +
                    "'; its programs are:" + program_list(plugin);
            return false;
        }
        plugin.set_program(index);
    }
    if (files.has_program && (!matches_plugin(files.program_identity, plugin, o.load_fxp, error) ||
                              !apply_program(plugin, files.program, error)))
        return false;
    for (const auto& [which, value] : o.params) {
        const VstInt32 index = plugin.find_parameter(which);
        if (index < 0) {
            error = "the plug-in has no parameter '" + which + "' (it has " +
                    std::to_string(plugin.num_params()) + ", numbered from 0)";
            return false;
        }
        plugin.set_parameter(index, value);
    }
    return true;
}

double peak_dbfs(const AudioBuffer& audio) {
    float peak = 0.0f;
    for (const auto& channel : audio.channels)
        for (float v : channel)
            peak = std::max(peak, std::fabs(v));
    return peak > 0.0f ? 20.0 * std::log10(peak) : -INFINITY;
}

} // namespace

bool parse_note(const std::string& text, NoteSpec& note, std::string& error) {
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
    note = NoteSpec{start, key, velocity, length};
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

bool parse_render_options(const std::vector<std::string>& arguments, RenderOptions& options,
                          std::string& error) {
    const auto option = [&options](ArgReader& args, std::string& why) {
        return parse_option(args, options, why);
    };
    if (!parse_plugin_arguments(arguments, options.plugin, options.help, option, error))
        return false;
    if (!options.help && options.output.empty()) {
        error = "-o needs a file name";
        return false;
    }
    return true;
}

int run_render(const RenderOptions& o) {
    remove_pending_files_on_signals();
    std::string error;

    AudioBuffer input, sidechain;
    if (!o.input.empty() && !read_audio_file(o.input, input, error)) return report_failure(error);
    if (!o.sidechain.empty() && !read_audio_file(o.sidechain, sidechain, error))
        return report_failure(error);
    double rate = o.rate ? *o.rate : 44100.0;
    if (!o.input.empty()) {
        if (o.rate && *o.rate != input.sample_rate)
            return report_failure("--rate " + std::to_string(*o.rate) + " differs from the " +
                                  std::to_string(static_cast<int>(input.sample_rate)) + " Hz of '" +
                                  o.input + "'; this host does not resample");
        rate = input.sample_rate;
    }
    if (!o.sidechain.empty() && sidechain.sample_rate != rate)
        return report_failure("the side-chain '" + o.sidechain + "' runs at " +
                              std::to_string(static_cast<int>(sidechain.sample_rate)) +
                              " Hz, the render at " + std::to_string(static_cast<int>(rate)) +
                              " Hz; this host does not resample");
    StateFiles files;
    if (!load_state_files(o, files, error)) return report_failure(error);
    for (const std::string* out : {&o.output, &o.save_fxp, &o.save_fxb})
        if (!check_writable(*out, error)) return report_failure(error);

    std::unique_ptr<HostedPlugin> plugin = HostedPlugin::load(o.plugin, error, o.verbose);
    if (!plugin) return report_failure(error);
    if (!o.sidechain.empty() && plugin->num_inputs() < 3)
        return report_failure("the plug-in has " + std::to_string(plugin->num_inputs()) +
                              " inputs, so no side-chain input");
    plugin->transport().available = !o.no_time;
    plugin->transport().tempo = o.tempo;
    plugin->transport().numerator = o.numerator;
    plugin->transport().denominator = o.denominator;
    plugin->set_sample_rate(rate);
    plugin->set_block_size(o.block);
    if (!apply_state(o, files, *plugin, error)) return report_failure(error);
    if (!o.notes.empty() && plugin->can_do("receiveVstMidiEvent") <= 0 && !o.quiet)
        std::fprintf(stderr, "corvane-host: warning: the plug-in does not say it takes MIDI; "
                             "sending the notes anyway\n");

    if (o.input.empty()) input = make_demo_signal(rate, o.tempo, o.numerator, o.denominator);
    RenderInput job;
    job.sample_rate = rate;
    job.block = o.block;
    job.main = &input;
    job.sidechain = o.sidechain.empty() ? nullptr : &sidechain;
    job.notes = o.notes;
    job.frames = std::max(input.frames(), notes_end_frame(o.notes, rate)) +
                 static_cast<size_t>(std::llround(o.tail * rate));

    AudioBuffer output;
    RenderStats stats;
    ProgressBar bar(!o.quiet);
    const auto started = std::chrono::steady_clock::now();
    const bool rendered = render_audio(
        *plugin, job, output, stats,
        [&bar](size_t done, size_t total) {
            bar.update(done, total);
            return true;
        },
        error);
    bar.finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!rendered) return report_failure(error);

    if (!write_wav_file(o.output, output, o.format, error)) return report_failure(error);
    if (!o.save_fxp.empty() &&
        !write_file_atomically(
            o.save_fxp, encode_fxp(identity_of(*plugin), read_current_program(*plugin)), error))
        return report_failure(error);
    if (!o.save_fxb.empty() &&
        !write_file_atomically(o.save_fxb, encode_fxb(identity_of(*plugin), read_bank(*plugin)),
                               error))
        return report_failure(error);

    if (stats.non_finite > 0)
        std::fprintf(stderr,
                     "corvane-host: warning: the plug-in produced %zu samples that were not "
                     "numbers; they were written as 0\n",
                     stats.non_finite);
    if (!o.quiet) {
        const double audio_seconds = static_cast<double>(output.frames()) / rate;
        std::printf("Rendered %.2f s (%zu frames, %d Hz, %d channels) of %s through '%s', "
                    "program %d '%s', in %.2f s (%.0fx real time); peak %.1f dBFS -> %s\n",
                    audio_seconds, output.frames(), static_cast<int>(rate), output.channel_count(),
                    o.input.empty() ? "the demo" : o.input.c_str(), plugin->effect_name().c_str(),
                    static_cast<int>(plugin->program()), plugin->program_name().c_str(), seconds,
                    seconds > 0.0 ? audio_seconds / seconds : 0.0, peak_dbfs(output),
                    o.output.c_str());
    }
    return kExitOk;
}

int render_main(const std::vector<std::string>& args) {
    RenderOptions options;
    std::string error;
    if (!parse_render_options(args, options, error)) return report_usage_error(kName, error);
    if (options.help) {
        std::printf("Usage: corvane-host render PLUGIN [-i in.wav] [-o out.wav] [options]\n\n%s",
                    kRenderHelp);
        return kExitOk;
    }
    return run_render(options);
}

} // namespace corvane::tools
