// The LV2 edition sounds as the VST 2.4 edition does: Debian's file renderers run the bundle
// (lv2apply one frame per run with every control port set, lv2file in blocks with a preset and
// the side-chain left unconnected) and the command-line host renders the VST 2.4 module with the
// same program, both without time information. The two outputs must agree to the last bit: the
// processor is the same, the presets hold the programs' values, and the engine does not depend
// on how the host splits its blocks.

#include "lv2_test_bundle.h"

#include "lv2/corvane_lv2_ports.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"
#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/demo_signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

using namespace corvane;
using namespace corvane::lv2;
using corvane::test::Lv2TestBundle;
using corvane::tools::AudioBuffer;

namespace {

constexpr double kRate = 44100.0;
constexpr size_t kFrames = 3 * 44100;

struct RenderCase {
    const char* name;
    int program;
    bool sidechain; // a kick pattern on the side-chain, or silence
    bool preset;    // through lv2file and the bundle's preset, side-chain unconnected
};

const RenderCase kCases[] = {
    {"BasicFollower", 0, false, false},
    {"Stutterverb", 3, false, false},
    {"Randverb", 5, false, false},
    {"SamplinHoldin", 7, false, false},
    {"RandomFiller", 13, false, false},
    {"MotherDuckerSidechain", 19, true, false},
    {"SnaregaterSidechain", 14, true, false},
    {"DottedDirtPreset", 4, false, true},
    {"EigthWonderPreset", 15, false, true},
};

void PrintTo(const RenderCase& c, std::ostream* out) {
    *out << c.name;
}

std::string quote(const std::string& s) {
    return "'" + s + "'";
}

class Lv2RenderTest : public ::testing::TestWithParam<RenderCase> {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/corvane-lv2-render-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        // Main: the demo's drums and chords; side-chain: short bursts four times a second.
        AudioBuffer demo = tools::make_demo_signal(kRate, 120.0, 4, 4);
        AudioBuffer main, side, silent, all;
        main.sample_rate = side.sample_rate = silent.sample_rate = all.sample_rate = kRate;
        main.resize(2, kFrames);
        side.resize(2, kFrames);
        silent.resize(2, kFrames);
        for (size_t i = 0; i < kFrames; ++i) {
            for (int c = 0; c < 2; ++c)
                main.channels[c][i] = i < demo.frames() ? demo.channels[c][i] : 0.0f;
            const size_t phase = i % 11025;
            const float burst = phase < 2000 ? std::exp(-float(phase) / 400.0f) : 0.0f;
            side.channels[0][i] = 0.8f * burst * std::sin(0.02f * float(i));
            side.channels[1][i] = 0.6f * burst;
        }
        std::string error;
        ASSERT_TRUE(
            tools::write_wav_file(path("main.wav"), main, tools::SampleFormat::float32, error))
            << error;
        ASSERT_TRUE(
            tools::write_wav_file(path("side.wav"), side, tools::SampleFormat::float32, error));
        ASSERT_TRUE(
            tools::write_wav_file(path("silent.wav"), silent, tools::SampleFormat::float32, error));
        for (bool withSide : {false, true}) {
            all.resize(4, kFrames);
            for (int c = 0; c < 4; ++c)
                all.channels[c] =
                    c < 2 ? main.channels[c] : (withSide ? side : silent).channels[c - 2];
            ASSERT_TRUE(tools::write_wav_file(path(withSide ? "four_side.wav" : "four.wav"), all,
                                              tools::SampleFormat::float32, error));
        }
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + quote(dir_)).c_str()); }

    static std::string path(const std::string& file) { return dir_ + "/" + file; }

    // lv2apply's control arguments: every control port as the program's preset holds it.
    static std::string controlArguments(int program) {
        const CorvaneParameterManager params;
        std::string args;
        for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p) {
            const float n = kFactoryPrograms[program].values[controlPort(p)->parameter];
            char value[32];
            std::snprintf(value, sizeof value, "%.9g",
                          static_cast<double>(toPortValue(params, p, n)));
            args += std::string(" -c ") + controlPort(p)->symbol + " " + value;
        }
        return args;
    }

    static std::string dir_;
};

std::string Lv2RenderTest::dir_;

TEST_P(Lv2RenderTest, MatchesTheVstEditionBitForBit) {
    const RenderCase& c = GetParam();
    const std::string programName = kFactoryPrograms[c.program].name;
    const std::string vstOut = path(std::string(c.name) + "_vst.wav");
    const std::string lv2Out = path(std::string(c.name) + "_lv2.wav");

    std::string vst = std::string(CORVANE_HOST_EXECUTABLE) + " render " + CORVANE_PLUGIN +
                      " -q --no-time -i " + quote(path("main.wav")) + " --program " +
                      std::to_string(c.program + 1) + " -o " + quote(vstOut);
    if (!c.preset) vst += " --sidechain " + quote(path(c.sidechain ? "side.wav" : "silent.wav"));
    ASSERT_EQ(std::system(vst.c_str()), 0) << vst;

    Lv2TestBundle bundle(CORVANE_LV2_BUNDLE);
    ASSERT_TRUE(bundle.ready());
    std::string command, output;
    if (c.preset) {
        command = "lv2file -b 256 -c 1:in_l -c 2:in_r -P " + quote(programName) + " -i " +
                  quote(path("main.wav")) + " -o " + quote(lv2Out) + " " + kPluginUri;
    } else {
        command = "lv2apply -i " + quote(path(c.sidechain ? "four_side.wav" : "four.wav")) +
                  " -o " + quote(lv2Out) + controlArguments(c.program) + " " + kPluginUri;
    }
    ASSERT_TRUE(bundle.run(command, output, true)) << command << "\n" << output;

    AudioBuffer a, b;
    std::string error;
    ASSERT_TRUE(tools::read_audio_file(vstOut, a, error)) << error;
    ASSERT_TRUE(tools::read_audio_file(lv2Out, b, error)) << error;
    ASSERT_EQ(a.channel_count(), 2);
    ASSERT_EQ(b.channel_count(), 2);
    ASSERT_EQ(a.frames(), b.frames());
    size_t differing = 0;
    double largest = 0.0, energy = 0.0;
    for (int ch = 0; ch < 2; ++ch)
        for (size_t i = 0; i < a.frames(); ++i) {
            const double d = std::fabs(double(a.channels[ch][i]) - double(b.channels[ch][i]));
            energy += double(a.channels[ch][i]) * double(a.channels[ch][i]);
            if (d != 0.0) ++differing;
            if (d > largest) largest = d;
        }
    EXPECT_GT(energy, 1.0) << "the program should make sound";
    EXPECT_EQ(differing, 0u) << "largest difference " << largest;
}

INSTANTIATE_TEST_SUITE_P(Programs, Lv2RenderTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RenderCase>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
