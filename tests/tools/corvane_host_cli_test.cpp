// corvane-host as a user runs it: the files it writes, and clear failures that leave nothing
// behind.

#include "host_test_support.h"

#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/fx_files.h"
#include "tools/corvane-host/pending_file.h"
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

namespace corvane::tools {
namespace {

using namespace corvane::test;
namespace gp = corvane::test::gain_plugin;

AudioBuffer read_wav(const std::string& path) {
    AudioBuffer audio;
    std::string error;
    EXPECT_TRUE(read_audio_file(path, audio, error)) << error;
    return audio;
}

void write_wav(const std::string& path, const AudioBuffer& audio) {
    std::string error;
    ASSERT_TRUE(write_wav_file(path, audio, SampleFormat::float32, error)) << error;
}

FxBank read_fxb(const std::string& path) {
    std::vector<uint8_t> bytes;
    FxIdentity identity;
    FxBank bank;
    std::string error;
    EXPECT_TRUE(read_file(path, bytes, error)) << error;
    EXPECT_TRUE(decode_fxb(bytes, identity, bank, error)) << error;
    EXPECT_EQ(identity.unique_id, gp::kUniqueId);
    return bank;
}

TEST(HostCommandLine, InfoDescribesThePlugin) {
    TempDir dir;
    const RunResult r = run_host({"info", kTestPlugin}, dir.file(""));
    EXPECT_EQ(r.code, 0) << r.err;
    for (const char* expected :
         {"Test Gain", "'CvTg'", "HasEditor CanReplacing", "200 x 100", "Test In 1",
          "receiveVstMidiEvent      yes", "Balance", "Quiet", "4 inputs, 2 outputs"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
}

TEST(HostCommandLine, RendersTheDemoThroughTheProgram) {
    TempDir dir;
    const RunResult r =
        run_host({"render", kTestPlugin, "-o", "demo.wav", "--rate", "48000", "--tempo", "100"},
                 dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"demo.wav"});
    const AudioBuffer out = read_wav(dir.file("demo.wav"));
    EXPECT_EQ(out.sample_rate, 48000.0);
    // Program 0 is unity gain, so the file is the demo itself.
    EXPECT_EQ(out.channels, make_demo_signal(48000.0, 100.0, 4, 4).channels);
    EXPECT_NE(r.out.find("Rendered"), std::string::npos);
}

TEST(HostCommandLine, RendersAFileAtItsOwnRate) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(1, 9000, 22050.0));
    const RunResult r = run_host({"render", kTestPlugin, "-i", "in.wav", "-o", "out.wav",
                                  "--program", "quiet", "--block", "100", "--format", "float"},
                                 dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    const AudioBuffer in = read_wav(dir.file("in.wav"));
    const AudioBuffer out = read_wav(dir.file("out.wav"));
    EXPECT_EQ(out.sample_rate, 22050.0);
    ASSERT_EQ(out.channel_count(), 2);
    ASSERT_EQ(out.frames(), in.frames());
    for (size_t i = 0; i < in.frames(); ++i) {
        ASSERT_EQ(out.channels[0][i], 0.5f * in.channels[0][i]);
        ASSERT_EQ(out.channels[1][i], 0.5f * in.channels[0][i]);
    }
}

TEST(HostCommandLine, SidechainReachesPinsTwoAndThree) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(2, 3000, 48000.0));
    write_wav(dir.file("side.wav"), test_signal(1, 2000, 48000.0));
    const RunResult r = run_host(
        {"render", kTestPlugin, "-i", "in.wav", "--sidechain", "side.wav", "-o", "out.wav", "-q"},
        dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    const AudioBuffer in = read_wav(dir.file("in.wav"));
    const AudioBuffer side = read_wav(dir.file("side.wav"));
    const AudioBuffer out = read_wav(dir.file("out.wav"));
    ASSERT_EQ(out.frames(), 3000u);
    for (size_t i = 0; i < out.frames(); ++i) {
        const float s = i < side.frames() ? side.channels[0][i] : 0.0f;
        ASSERT_EQ(out.channels[0][i], in.channels[0][i] + s) << i;
        ASSERT_EQ(out.channels[1][i], in.channels[1][i] + s) << i;
    }
}

TEST(HostCommandLine, TailExtendsTheRender) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(2, 1000, 10000.0));
    ASSERT_EQ(
        run_host({"render", kTestPlugin, "-i", "in.wav", "--tail", "0.5", "-q"}, dir.file("")).code,
        0);
    EXPECT_EQ(read_wav(dir.file("out.wav")).frames(), 6000u);
}

// A bank saved with edits and loaded again into a fresh instance gives back every program's name
// and values, and saving it again gives the same file.
TEST(HostCommandLine, BankSavedAndLoadedRestoresEveryProgram) {
    TempDir dir;
    RunResult r = run_host({"render", kTestPlugin, "-o", "a.wav", "--program", "Left", "--param",
                            "Gain=0.8", "--save-fxb", "first.fxb", "--save-fxp", "left.fxp", "-q"},
                           dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    const FxBank first = read_fxb(dir.file("first.fxb"));
    ASSERT_EQ(first.programs.size(), 3u);
    EXPECT_EQ(first.current_program, 2);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(first.programs[p].name, gp::kPrograms[p].name);
        EXPECT_EQ(first.programs[p].values[gp::kGain],
                  p == 2 ? 0.8f : gp::kPrograms[p].values[gp::kGain]);
        EXPECT_EQ(first.programs[p].values[gp::kBalance], gp::kPrograms[p].values[gp::kBalance]);
    }

    r = run_host({"render", kTestPlugin, "-o", "b.wav", "--fxb", "first.fxb", "--save-fxb",
                  "second.fxb", "-q"},
                 dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<uint8_t> a, b;
    std::string error;
    ASSERT_TRUE(read_file(dir.file("first.fxb"), a, error));
    ASSERT_TRUE(read_file(dir.file("second.fxb"), b, error));
    EXPECT_EQ(a, b);
    // The bank's current program was rendered: the same audio both times.
    EXPECT_EQ(read_wav(dir.file("a.wav")).channels, read_wav(dir.file("b.wav")).channels);

    // The program file carries the edited program into program 0.
    r = run_host({"render", kTestPlugin, "-o", "c.wav", "--fxp", "left.fxp", "--save-fxb",
                  "third.fxb", "-q"},
                 dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    const FxBank third = read_fxb(dir.file("third.fxb"));
    EXPECT_EQ(third.current_program, 0);
    EXPECT_EQ(third.programs[0].name, "Left");
    EXPECT_EQ(third.programs[0].values, first.programs[2].values);
}

TEST(HostCommandLine, BenchComparesPluginsProgramByProgram) {
    TempDir dir;
    const RunResult r = run_host(
        {"bench", kTestPlugin, kTestPlugin, "--seconds", "0.02", "--reps", "3", "--warmup", "0.01"},
        dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("48000 Hz, block 256"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3 repetitions taking turns"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Summary"), std::string::npos);
    size_t rows = 0;
    for (size_t at = 0; (at = r.out.find("Quiet", at)) != std::string::npos; ++at)
        ++rows;
    EXPECT_EQ(rows, 2u);
    // The first plug-in against itself, every repetition.
    EXPECT_NE(r.out.find("1.00 [1.00..1.00] 1.00..1.00"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("silence / noise"), std::string::npos);
    EXPECT_TRUE(dir.entries().empty());

    const RunResult quiet =
        run_host({"bench", kTestPlugin, "--silence", "0.05", "--seconds", "0.02", "--reps", "1"},
                 dir.file(""));
    ASSERT_EQ(quiet.code, 0) << quiet.err;
    EXPECT_NE(quiet.out.find("silence timed after 0.05 s of silence"), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("silence / noise"), std::string::npos) << quiet.out;
}

TEST(HostCommandLine, HelpAndUsage) {
    TempDir dir;
    EXPECT_EQ(run_host({"help", "render"}, dir.file("")).code, 0);
    EXPECT_NE(run_host({"render", "--help"}, dir.file("")).out.find("--timesig"),
              std::string::npos);
    EXPECT_EQ(run_host({}, dir.file("")).code, 2);
    EXPECT_EQ(run_host({"info"}, dir.file("")).code, 2);
    EXPECT_EQ(run_host({"bench"}, dir.file("")).code, 2);
    const RunResult typo = run_host({"rendr", kTestPlugin}, dir.file(""));
    EXPECT_EQ(typo.code, 2);
    EXPECT_NE(typo.err.find("unknown subcommand 'rendr'; did you mean 'render'?"),
              std::string::npos)
        << typo.err;
    const RunResult bogus = run_host({"help", "bogus"}, dir.file(""));
    EXPECT_EQ(bogus.code, 2);
    EXPECT_NE(bogus.err.find("unknown subcommand 'bogus'"), std::string::npos) << bogus.err;
    // Options keep both spellings, with the value attached or apart.
    EXPECT_EQ(
        run_host({"render", kTestPlugin, "--output=eq.wav", "--tempo=128", "-q"}, dir.file(""))
            .code,
        0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("eq.wav")));
}

// Outputs reach what they name: a link's target, a device or FIFO in place, standard output;
// a replaced file keeps its permissions.
TEST(HostOutputs, GoWhereTheyPoint) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(2, 3000));
    const std::vector<std::string> render = {"render", kTestPlugin, "-i", "in.wav", "-q"};
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = render;
        args.insert(args.end(), extra.begin(), extra.end());
        return run_host(args, dir.file(""));
    };
    ASSERT_EQ(run({"-o", "plain.wav"}).code, 0);
    const AudioBuffer expected = read_wav(dir.file("plain.wav"));

    dir.write_text("target.wav", "old");
    chmod(dir.file("target.wav").c_str(), 0640);
    std::filesystem::create_symlink("target.wav", dir.file("link.wav"));
    ASSERT_EQ(run({"-o", "link.wav"}).code, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.wav")));
    EXPECT_EQ(read_wav(dir.file("target.wav")).channels, expected.channels);
    struct stat st {};
    ASSERT_EQ(stat(dir.file("target.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A FIFO is written in place, as a stream a reader takes as it comes.
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::string copy = dir.file("from-fifo.wav");
    const pid_t reader = fork();
    if (reader == 0) {
        std::ifstream in(dir.file("fifo"), std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
        _exit(0);
    }
    EXPECT_EQ(run({"-o", "fifo"}).code, 0);
    waitpid(reader, nullptr, 0);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
    EXPECT_EQ(read_wav(copy).channels, expected.channels);

    // Standard output: the WAV on it, the summary on the error stream.
    const RunResult piped =
        run_host({"render", kTestPlugin, "-i", "in.wav", "-o", "-"}, dir.file(""));
    EXPECT_EQ(piped.code, 0) << piped.err;
    EXPECT_EQ(piped.out.compare(0, 4, "RIFF"), 0);
    EXPECT_NE(piped.err.find("-> -"), std::string::npos) << piped.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("-")));

    // A character device (the null device's numbers, made here) stays a device.
    if (mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(run({"-o", "null"}).code, 0);
        ASSERT_EQ(stat(dir.file("null").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    for (const std::string& name : dir.entries())
        EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
}

// Nothing is replaced unless everything succeeded; no temporary file outlives the process,
// whether a write fails, the file size limit is reached or a signal ends it.
TEST(HostOutputs, AllOrNothing) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(2, 30000));
    dir.write_text("keep.wav", "old");
    dir.write_text("keep.fxp", "old");
    // The program file cannot be written (a full device): the WAV stays as it was.
    RunResult r;
    if (std::filesystem::exists("/dev/full")) {
        r = run_host({"render", kTestPlugin, "-i", "in.wav", "-o", "keep.wav", "--save-fxp",
                      "/dev/full", "-q"},
                     dir.file(""));
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;
        EXPECT_EQ(std::filesystem::file_size(dir.file("keep.wav")), 3u);
    }
    // Over the file size limit: an error, the old file and nothing else left.
    const pid_t child = fork();
    if (child == 0) {
        rlimit limit{20000, 20000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const RunResult big =
            run_host({"render", kTestPlugin, "-i", "in.wav", "-o", "keep.wav", "-q"}, dir.file(""));
        _exit(big.code == 1 && big.err.find("File too large") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("keep.wav")), 3u);
    for (const std::string& name : dir.entries())
        EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
}

// Integer formats clip what lies beyond full scale, and say so; the summary gives the peak.
TEST(HostOutputs, ClippingIsReported) {
    TempDir dir;
    write_wav(dir.file("in.wav"), test_signal(2, 3000));
    // Main plus side-chain at double gain: up to twice full scale.
    const std::vector<std::string> loud = {"render", kTestPlugin, "-i",     "in.wav", "--sidechain",
                                           "in.wav", "--param",   "Gain=1", "-o",     "out.wav"};
    RunResult r = run_host(loud, dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("clipped"), std::string::npos) << r.err; // float keeps everything
    EXPECT_NE(r.out.find("peak +6.0 dBFS"), std::string::npos) << r.out;
    std::vector<std::string> pcm16 = loud;
    pcm16.insert(pcm16.end(), {"--format", "pcm16"});
    r = run_host(pcm16, dir.file(""));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("samples clipped to full scale in pcm16 (peak +6.0 dBFS)"),
              std::string::npos)
        << r.err;
    const AudioBuffer out = read_wav(dir.file("out.wav"));
    EXPECT_GT(*std::max_element(out.channels[0].begin(), out.channels[0].end()), 0.9999f);
}

// Inputs stream: a header that promises more than the file holds is noticed, not trusted.
TEST(HostInputs, ShortFilesAreNoticedNotTrusted) {
    TempDir dir;
    write_wav(dir.file("whole.wav"), test_signal(2, 20000));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(read_file(dir.file("whole.wav"), bytes, error));
    bytes.resize(bytes.size() / 2);
    ASSERT_TRUE(write_file_atomically(dir.file("cut.wav"), bytes, error));
    const RunResult r =
        run_host({"render", kTestPlugin, "-i", "cut.wav", "-o", "out.wav"}, dir.file(""));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("'cut.wav' ends before its header says"), std::string::npos) << r.err;
    EXPECT_LT(read_wav(dir.file("out.wav")).frames(), 10000u);
}

// A failing render: its exit code, what it says, and that it leaves no file behind.
struct Failure {
    const char* name;
    std::vector<std::string> args; // after "render PLUGIN"; "@bad" replaces the plug-in
    int code;
    const char* complaint;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const Failure& row) {
    return out << row.name;
}

class FailingRender : public ::testing::TestWithParam<Failure> {};

TEST_P(FailingRender, ExitsWithAReasonAndWritesNothing) {
    TempDir dir;
    dir.write_text("text.wav", "this is not audio");
    dir.write_text("fake.so", "this is not a library");
    dir.write_text("fake.clap", "this is not a library either");
    write_wav(dir.file("mono48k.wav"), test_signal(1, 100, 48000.0));
    AudioBuffer three = test_signal(2, 100);
    three.channels.push_back(three.channels[0]);
    write_wav(dir.file("three.wav"), three);
    std::vector<uint8_t> bank = encode_fxb({vstFourCC('O', 't', 'h', 'r'), 1}, FxBank{0, {}});
    std::string error;
    ASSERT_TRUE(write_file_atomically(dir.file("other.fxb"), bank, error));
    bank.resize(100);
    ASSERT_TRUE(write_file_atomically(dir.file("short.fxb"), bank, error));
    const std::vector<std::string> before = dir.entries();

    std::vector<std::string> args = {"render"};
    const Failure& f = GetParam();
    size_t first = 0;
    if (!f.args.empty() && f.args[0].rfind("@", 0) == 0) {
        args.push_back(f.args[0].substr(1));
        first = 1;
    } else {
        args.push_back(kTestPlugin);
    }
    args.insert(args.end(), f.args.begin() + static_cast<long>(first), f.args.end());
    if (std::find(args.begin(), args.end(), "-o") == args.end()) {
        args.push_back("-o");
        args.push_back("out.wav");
    }
    args.push_back("--save-fxb");
    args.push_back("saved.fxb");

    const RunResult r = run_host(args, dir.file(""));
    EXPECT_EQ(r.code, f.code) << r.err;
    EXPECT_NE(r.err.find(f.complaint), std::string::npos) << r.err;
    EXPECT_EQ(dir.entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailingRender,
    ::testing::Values(
        Failure{"MissingPlugin", {"@missing.so"}, 1, "cannot find plug-in 'missing.so'"},
        Failure{"PluginNotALibrary", {"@fake.so"}, 1, "cannot load plug-in"},
        Failure{"PluginWithoutEntry", {"@" + kNotAPlugin}, 1, "neither VSTPluginMain nor main"},
        Failure{"ClapNotALibrary", {"@fake.clap"}, 1, "cannot load plug-in"},
        Failure{"MissingClap", {"@missing.clap"}, 1, "cannot find plug-in 'missing.clap'"},
        Failure{"MissingInput", {"-i", "nothere.wav"}, 1, "cannot find 'nothere.wav'"},
        Failure{"UnreadableInput", {"-i", "text.wav"}, 1, "cannot read 'text.wav' as audio"},
        Failure{"ThreeChannels", {"-i", "three.wav"}, 1, "mono or stereo"},
        Failure{"RateMismatch", {"-i", "mono48k.wav", "--rate", "44100"}, 1, "does not resample"},
        Failure{"SidechainRate", {"--sidechain", "mono48k.wav"}, 1, "does not resample"},
        Failure{"UnknownProgram", {"--program", "Loud"}, 1, "no program 'Loud'"},
        Failure{"ProgramOutOfRange", {"--program", "4"}, 1, "no program '4'"},
        Failure{"ProgramsCountFromOne", {"--program", "0"}, 1, "\n  1  Unity"},
        Failure{"UnknownParameter", {"--param", "7=0.5"}, 1, "no parameter '7'"},
        Failure{"BankOfAnotherPlugin", {"--fxb", "other.fxb"}, 1, "saved by plug-in 'Othr'"},
        Failure{"DamagedBank", {"--fxb", "short.fxb"}, 1, "cannot load bank"},
        Failure{"MissingProgramFile", {"--fxp", "none.fxp"}, 1, "cannot find 'none.fxp'"},
        Failure{"OutputDirectoryMissing", {"-o", "no/such/dir.wav"}, 1, "cannot write"},
        Failure{"UnknownParameterName", {"--param", "Loudness=0.5"}, 1, "\n  1  Balance"},
        Failure{"ParamWithoutValue", {"--param", "Gain"}, 1, "NAME=VALUE"},
        Failure{"ParamUnitsNotConverted", {"--param", "0=3"}, 1, "give '3' as a value from 0"},
        Failure{"ParamNaN", {"--param", "0=nan"}, 1, "no value of Gain"},
        Failure{"TimedChangeTime", {"--at", "soon", "Gain=1"}, 1, "--at takes SECONDS"},
        Failure{"TimedChangeName", {"--at", "1", "Loud=1"}, 1, "--at 1: the plug-in has no"},
        Failure{"OutputIsTheInput",
                {"-i", "mono48k.wav", "-o", "mono48k.wav"},
                1,
                "an output cannot overwrite an input"},
        Failure{"OutputIsTheSidechain",
                {"--sidechain", "./mono48k.wav", "-o", "mono48k.wav"},
                1,
                "an output cannot overwrite an input"},
        Failure{"TwoOutputsOneFile", {"-o", "both", "--save-fxp", "./both"}, 1, "both write"},
        Failure{"BadOption", {"--loud"}, 2, "--loud"},
        Failure{"MissingValue", {"-o"}, 2, "Try 'corvane-host help render'"},
        Failure{"TwoPlugins", {"other.so"}, 2, "other.so"},
        Failure{"BadBlock", {"--block", "-4"}, 2, "--block"},
        Failure{"FractionalBlock", {"--block", "12.5"}, 2, "--block"},
        Failure{"RateTooLow", {"--rate", "10"}, 2, "--rate"},
        Failure{"TempoNotNumber", {"--tempo", "fast"}, 2, "--tempo"},
        Failure{"TempoInfinite", {"--tempo", "inf"}, 2, "--tempo"},
        Failure{"TailTooLong", {"--tail", "9999"}, 2, "--tail"},
        Failure{"Format", {"--format", "mp3"}, 2, "--format"},
        Failure{"BadTimeSignature", {"--timesig", "5/0"}, 2, "--timesig"},
        Failure{"TimesigShape", {"--timesig", "4"}, 2, "--timesig"},
        Failure{"BadNote", {"--note", "1:60"}, 2, "--note"},
        Failure{"NoteKey", {"--note", "0:128:100:1"}, 2, "--note"},
        Failure{"NoteVelocityZero", {"--note", "0:60:0:1"}, 2, "--note"},
        Failure{"NoteNegativeStart", {"--note", "-1:60:100:1"}, 2, "--note"}),
    [](const ::testing::TestParamInfo<Failure>& row) { return std::string(row.param.name); });

} // namespace
} // namespace corvane::tools
