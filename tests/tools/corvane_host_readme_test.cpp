// corvane-host with Corvane, as the README shows it: every command there runs as written, and
// the examples do what they claim. Also what a long or hostile input costs in memory.

#include "host_test_support.h"

#include "tools/corvane-host/demo_signal.h"
#include "tools/corvane-host/fx_files.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

namespace corvane::tools {
namespace {

using namespace corvane::test;

const std::string kModule = CORVANE_MODULE;
const std::string kSourceDir = CORVANE_SOURCE_DIR;

// The lines of the README's command-line host section, as written.
struct Readme {
    std::vector<std::string> commands; // continuation lines joined
    std::string sweep;                 // the automation file it shows
};

Readme read_readme() {
    std::ifstream in(kSourceDir + "/README.md");
    Readme readme;
    std::string line;
    bool in_section = false, in_sweep = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) in_section = line == "## The command-line host";
        if (!in_section) continue;
        if (line.rfind("    build/corvane-host", 0) == 0) {
            std::string command = line.substr(4);
            while (!command.empty() && command.back() == '\\' && std::getline(in, line))
                command = command.substr(0, command.size() - 1) + " " + line.substr(8);
            readme.commands.push_back(command);
        } else if (line.find("`sweep.txt` holds") != std::string::npos) {
            in_sweep = true;
        } else if (in_sweep && line.rfind("    ", 0) == 0) {
            readme.sweep += line.substr(4) + "\n";
        } else if (in_sweep && !readme.sweep.empty()) {
            in_sweep = false;
        }
    }
    return readme;
}

// Runs a command line through the shell in dir; its exit code.
int run_shell(const std::string& command, const std::string& dir) {
    const std::string line = "cd '" + dir + "' && (" + command + ") >/dev/null 2>shell.err";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

AudioBuffer read_wav(const std::string& path) {
    AudioBuffer audio;
    std::string error;
    EXPECT_TRUE(read_audio_file(path, audio, error)) << error;
    return audio;
}

// The level of a - b relative to a, in dB.
double difference_db(const AudioBuffer& a, const AudioBuffer& b) {
    double energy = 0.0, difference = 0.0;
    for (size_t c = 0; c < a.channels.size(); ++c)
        for (size_t i = 0; i < std::min(a.frames(), b.frames()); ++i) {
            energy += a.channels[c][i] * a.channels[c][i];
            const double d = a.channels[c][i] - b.channels[c][i];
            difference += d * d;
        }
    return 10.0 * std::log10(difference / energy + 1e-30);
}

// A kick on every beat at 96 beats per minute: a falling sine that dies away.
AudioBuffer kick_track(double rate, double seconds) {
    AudioBuffer audio;
    audio.sample_rate = rate;
    audio.resize(1, static_cast<size_t>(seconds * rate));
    const size_t beat = static_cast<size_t>(rate * 60.0 / 96.0);
    for (size_t i = 0; i < audio.frames(); ++i) {
        const double t = static_cast<double>(i % beat) / rate;
        audio.channels[0][i] = static_cast<float>(
            0.9 * std::exp(-t * 12.0) *
            std::sin(2.0 * M_PI * (50.0 * t + 40.0 * (1.0 - std::exp(-t * 30.0)) / 30.0)));
    }
    return audio;
}

class ReadmeCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // build/ in the scratch folder is this build, so the README's paths hold as written.
        std::filesystem::create_directory_symlink(
            std::filesystem::path(kHostExecutable).parent_path(), dir.file("build"));
        std::string error;
        ASSERT_TRUE(write_wav_file(dir.file("drums.wav"), make_demo_signal(44100.0, 96.0, 4, 4),
                                   SampleFormat::float32, error))
            << error;
        ASSERT_TRUE(write_wav_file(dir.file("kick.wav"), kick_track(44100.0, 9.0),
                                   SampleFormat::float32, error))
            << error;
        ASSERT_EQ(run_host({"render", kModule, "-q", "-o", "bank.wav", "--save-fxb", "mybank.fxb"},
                           dir.file(""))
                      .code,
                  0);
        readme = read_readme();
        dir.write_text("sweep.txt", readme.sweep);
    }
    TempDir dir;
    Readme readme;
};

TEST_F(ReadmeCommands, RunAsWrittenAndShowWhatTheyClaim) {
    ASSERT_GE(readme.commands.size(), 10u);
    ASSERT_NE(readme.sweep.find("Filter Cutoff=200Hz"), std::string::npos) << readme.sweep;
    const bool x_server = std::getenv("DISPLAY") != nullptr;
    for (const std::string& command : readme.commands) {
        if (command.find(" editor ") != std::string::npos && !x_server) {
            std::printf("skipped without an X server: %s\n", command.c_str());
            continue;
        }
        EXPECT_EQ(run_shell(command, dir.file("")), 0)
            << command << "\n"
            << std::string(
                   std::istreambuf_iterator<char>(std::ifstream(dir.file("shell.err")).rdbuf()),
                   {});
    }
    // The side-chain example follows the side-chain: without it the output is another.
    ASSERT_EQ(run_host({"render", kModule, "-i", "drums.wav", "--program", "20 Mother Ducker",
                        "--param", "Env Trigger=SIDECH", "--tempo", "96", "-o", "alone.wav", "-q"},
                       dir.file(""))
                  .code,
              0);
    EXPECT_GT(difference_db(read_wav(dir.file("alone.wav")), read_wav(dir.file("ducked.wav"))),
              -15.0);
    // The MIDI example gates on its notes.
    ASSERT_EQ(run_host({"render", kModule, "--program", "1", "--param", "Env Trigger=MIDI", "-o",
                        "no-notes.wav", "-q"},
                       dir.file(""))
                  .code,
              0);
    EXPECT_GT(difference_db(read_wav(dir.file("no-notes.wav")), read_wav(dir.file("gated.wav"))),
              -6.0);
    // The streamed file reads back whole.
    EXPECT_EQ(read_wav(dir.file("streamed.wav")).frames(),
              read_wav(dir.file("drums.wav")).frames());
    // Bypassed from 6 s on: after the fade the output is the dry input.
    const AudioBuffer frozen = read_wav(dir.file("frozen.wav"));
    const AudioBuffer dry = make_demo_signal(44100.0, 120.0, 4, 4);
    for (size_t i = static_cast<size_t>(6.5 * 44100); i < dry.frames(); i += 97)
        ASSERT_NEAR(frozen.channels[0][i], dry.channels[0][i], 1e-4) << i;
}

// Values in the parameters' own units and positions reach the plug-in as the values they mean.
TEST(HostSettings, ValuesInUnitsAndPositions) {
    TempDir dir;
    ASSERT_EQ(
        run_host({"render", kModule, "-q", "-o", "x.wav", "--param", "filter cutoff=1000Hz",
                  "--param", "FiltrTyp=BP", "--param", "Mix=50%", "--param", "Env Trigger=sidech",
                  "--param", "27=0.25", "--param", "Input=-6dB", "--save-fxp", "x.fxp"},
                 dir.file(""))
            .code,
        0);
    std::vector<uint8_t> bytes;
    FxIdentity identity;
    FxProgram program;
    std::string error;
    ASSERT_TRUE(read_file(dir.file("x.fxp"), bytes, error));
    ASSERT_TRUE(decode_fxp(bytes, identity, program, error)) << error;
    const std::vector<float>& v = program.values;
    ASSERT_EQ(v.size(), 29u);
    EXPECT_NEAR(v[5], std::log(1000.0 / 20.0) / std::log(1000.0), 1e-3); // exponential 20..20k
    EXPECT_EQ(v[7], 0.5f);                                               // LP, BP, HP
    EXPECT_NEAR(v[21], 2.0f / 3.0f, 1e-6);                               // AUDIO MIDI SIDECH LFO
    EXPECT_EQ(v[27], 0.25f);               // by index, after "Mix=50%"
    EXPECT_NEAR(v[22], 34.0 / 46.0, 1e-3); // -40..+6 dB
}

// However long a render is, or a file says it is, memory stays small: a file whose header
// claims 2^36 frames, a note a day away and ten minutes of tail all run in 100 MB.
TEST(HostMemory, BoundedWhateverTheLength) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit";
#endif
    TempDir dir;
    std::string error;
    AudioBuffer short_audio = make_demo_signal(44100.0, 120.0, 4, 4);
    short_audio.channels[0].resize(4410);
    short_audio.channels[1].resize(4410);
    // A FLAC file whose stream header claims 2^36 - 1 frames.
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* flac = sf_open(dir.file("liar.flac").c_str(), SFM_WRITE, &info);
    ASSERT_NE(flac, nullptr);
    std::vector<float> interleaved;
    for (size_t i = 0; i < short_audio.frames(); ++i)
        for (int c = 0; c < 2; ++c)
            interleaved.push_back(short_audio.channels[c][i]);
    sf_writef_float(flac, interleaved.data(), static_cast<sf_count_t>(short_audio.frames()));
    sf_close(flac);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(read_file(dir.file("liar.flac"), bytes, error));
    // STREAMINFO: after "fLaC" and the block header, 18 bytes in, 36 bits of total frames.
    bytes[21] |= 0x0f;
    for (int i = 22; i < 26; ++i)
        bytes[i] = 0xff;
    ASSERT_TRUE(write_file_atomically(dir.file("liar.flac"), bytes, error));
    const bool device = mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;

    const auto limited = [&](const std::vector<std::string>& args, int& code, std::string& err) {
        TempDir capture;
        const pid_t child = fork();
        if (child == 0) {
            rlimit limit{100u << 20, 100u << 20};
            setrlimit(RLIMIT_AS, &limit);
            const RunResult r = run_host(args, dir.file(""));
            std::ofstream(capture.file("err")) << r.err;
            _exit(r.code);
        }
        int status = 0;
        waitpid(child, &status, 0);
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        err = std::string(
            std::istreambuf_iterator<char>(std::ifstream(capture.file("err")).rdbuf()), {});
    };
    int code = 0;
    std::string err;
    limited({"render", kModule, "-i", "liar.flac", "-o", "liar.wav"}, code, err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_NE(err.find("ends before its header says"), std::string::npos) << err;
    EXPECT_EQ(read_wav(dir.file("liar.wav")).frames(), 4410u);
    // Nothing is made ready for a note a day away: the render starts, and stops at the first
    // write the device refuses.
    if (std::filesystem::exists("/dev/full")) {
        limited({"render", kModule, "--note", "86000:60:100:1", "-o", "/dev/full"}, code, err);
        EXPECT_EQ(code, 1) << err;
        EXPECT_NE(err.find("No space left"), std::string::npos) << err;
    }
    if (device) {
        limited({"render", kModule, "--tail", "600", "-o", "null"}, code, err);
        EXPECT_EQ(code, 0) << err;
    }
}

} // namespace
} // namespace corvane::tools
