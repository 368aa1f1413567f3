// Every factory program through the plug-in record at every sample rate a host may run, at
// block sizes from one frame to 8192 and on the three channel plans: the output stays finite and
// bounded. And the state a host saves (each program's name and 29 values, through the ordinary
// requests) comes back bit for bit, in whatever order the values arrive, and sounds the same as
// a fresh instance loaded with it.

#include "corvane_saved_bank.h"
#include "corvane_test_host.h"
#include "sanitizer_build.h"

#include <random>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr float kBound = 16.0f;

// Pins as the host connects them; a pin the host leaves unconnected gets no buffer.
struct ChannelPlan {
    const char* name;
    std::array<bool, 4> inputs;
    std::array<bool, 2> outputs;
};
constexpr ChannelPlan kPlans[] = {
    {"mono", {true, false, false, false}, {true, false}},
    {"mono-to-stereo", {true, false, true, true}, {true, true}},
    {"stereo", {true, true, true, true}, {true, true}},
};

// Instrumented builds run several times slower: they sweep the extremes and one common rate.
std::vector<float> sweep_rates() {
    if (kSanitizedBuild) return {8000.0f, 44100.0f, 384000.0f};
    return {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f};
}
constexpr int kBlockSizes[] = {1, 13, 256, 8192};
// Frames rendered per case, at least two blocks of the case's size.
constexpr int kFramesPerCase = kSanitizedBuild ? 1024 : 4096;
constexpr int kLargestBlock = 8192;
// The inputs read through a long stretch of noise, so that short blocks do not repeat a sample.
constexpr int kNoiseFrames = 4 * kLargestBlock;

struct Worst {
    float peak = 0.0f;
    bool finite = true;
};

class CorvaneSweep : public ::testing::TestWithParam<int> {
protected:
    CorvaneSweep() {
        noise_source noise(17);
        for (auto& channel : noise_in)
            channel.resize(kNoiseFrames);
        for (auto& channel : noise_in)
            noise.fill(channel, 0.5f);
        for (auto& channel : out)
            channel.resize(kLargestBlock);
    }

    // One case: the host stops the plug-in, sets rate and block size, starts it and renders.
    Worst run_case(const ChannelPlan& plan, float rate, int block_size) {
        dispatch(effect, effMainsChanged, 0, 0);
        dispatch(effect, effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effect, effSetBlockSize, 0, block_size);
        dispatch(effect, effMainsChanged, 0, 1);
        Worst worst;
        const int frames_total = std::max(kFramesPerCase, 2 * block_size);
        for (int done = 0; done < frames_total; done += block_size) {
            const int start = done % (kNoiseFrames - block_size);
            float* inputs[4];
            for (int c = 0; c < 4; ++c)
                inputs[c] = plan.inputs[c] ? noise_in[c].data() + start : nullptr;
            float* outputs[2];
            for (int c = 0; c < 2; ++c)
                outputs[c] = plan.outputs[c] ? out[c].data() : nullptr;
            effect->processReplacing(effect, inputs, outputs, block_size);
            for (int c = 0; c < 2; ++c) {
                if (!plan.outputs[c]) continue;
                for (int i = 0; i < block_size; ++i) {
                    const float x = out[c][i];
                    if (!std::isfinite(x)) worst.finite = false;
                    worst.peak = std::max(worst.peak, std::fabs(x));
                }
            }
            host.time.ppqPos += block_size * host.time.tempo / (60.0 * rate);
        }
        return worst;
    }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
    AEffect* effect = plugin->getAeffect();
    std::array<std::vector<float>, 4> noise_in;
    std::array<std::vector<float>, 2> out;
};

TEST_P(CorvaneSweep, FiniteAndBoundedAtEveryRateBlockSizeAndChannelPlan) {
    const VstInt32 program = GetParam();
    dispatch(effect, effOpen);
    dispatch(effect, effSetProgram, 0, program);
    int cases = 0;
    for (const ChannelPlan& plan : kPlans) {
        host.input_connected = plan.inputs;
        host.output_connected = plan.outputs;
        for (float rate : sweep_rates()) {
            host.time.sampleRate = rate;
            for (int block_size : kBlockSizes) {
                const Worst worst = run_case(plan, rate, block_size);
                EXPECT_TRUE(worst.finite) << plan.name << " " << rate << " Hz, " << block_size;
                EXPECT_LT(worst.peak, kBound) << plan.name << " " << rate << " Hz, " << block_size;
                ++cases;
            }
        }
    }
    EXPECT_EQ(plugin->getProgram(), program);
    EXPECT_EQ(cases, 3 * static_cast<int>(sweep_rates().size()) * 4);
}

INSTANTIATE_TEST_SUITE_P(Factory, CorvaneSweep, ::testing::Range(0, kNumPrograms));

// Automation at any rate: random values for random parameters before every block, down to
// single frames. Held still, random settings keep noise at half scale near full scale at most
// (about 1.3); jumps between blocks must not pump the resonant filters far beyond that.
TEST(CorvaneAutomation, RandomValuesBeforeEveryBlockKeepTheOutputFiniteAndBounded) {
    const int frames_total = kSanitizedBuild ? 8192 : 48000;
    for (int block_size : {1, 7, 64, 512}) {
        SCOPED_TRACE(block_size);
        TestHost host;
        auto plugin = host.make_plugin();
        AEffect* effect = plugin->getAeffect();
        dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        dispatch(effect, effSetBlockSize, 0, block_size);
        dispatch(effect, effMainsChanged, 0, 1);
        std::mt19937 rng(block_size);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        noise_source noise(block_size);
        Block block(block_size);
        Worst worst;
        for (int done = 0; done < frames_total; done += block_size) {
            for (int changes = rng() % 4; changes > 0; --changes)
                effect->setParameter(effect, static_cast<VstInt32>(rng() % kNumParams), value(rng));
            for (int c = 0; c < 4; ++c)
                block.fill_noise(c, noise);
            effect->processReplacing(effect, block.in_ptr, block.out_ptr, block_size);
            for (const auto& channel : block.out)
                for (float x : channel) {
                    if (!std::isfinite(x)) worst.finite = false;
                    worst.peak = std::max(worst.peak, std::fabs(x));
                }
        }
        EXPECT_TRUE(worst.finite);
        EXPECT_LT(worst.peak, kBound);
        RecordProperty("peak_block_" + std::to_string(block_size), std::to_string(worst.peak));
    }
}

// New names and values for every program; with a block, audio runs between the edits.
void edit_everything(AEffect* effect, std::mt19937& rng, Block* audio) {
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        dispatch(effect, effSetProgram, 0, p);
        std::string name = "Edit " + std::to_string(rng() % 100000);
        dispatch(effect, effSetProgramName, 0, 0, name.data());
        for (VstInt32 i = 0; i < kNumParams; ++i)
            effect->setParameter(effect, i, value(rng));
        if (audio) effect->processReplacing(effect, audio->in_ptr, audio->out_ptr, audio->frames);
    }
    dispatch(effect, effSetProgram, 0, static_cast<VstInt32>(rng() % kNumPrograms));
}

void expect_bank(AEffect* effect, const SavedBank& bank) {
    EXPECT_EQ(dispatch(effect, effGetProgram), bank.current);
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        EXPECT_EQ(text_of(effect, effGetProgramNameIndexed, p), bank.programs[p].name) << p;
        dispatch(effect, effSetProgram, 0, p);
        for (VstInt32 i = 0; i < kNumParams; ++i)
            EXPECT_EQ(bits_of(effect->getParameter(effect, i)), bits_of(bank.programs[p].values[i]))
                << "program " << p << ", parameter " << i;
    }
    dispatch(effect, effSetProgram, 0, bank.current);
}

class CorvaneSavedState : public ::testing::Test {
protected:
    static void start(AEffect* instance) {
        dispatch(instance, effOpen);
        dispatch(instance, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        dispatch(instance, effSetBlockSize, 0, 256);
        dispatch(instance, effMainsChanged, 0, 1);
    }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
    AEffect* effect = plugin->getAeffect();
    std::mt19937 rng{23};
};

TEST_F(CorvaneSavedState, BankRestoresBitExactlyInEitherOrder) {
    start(effect);
    // A bank far from the factory one: every value and name edited, one name "init".
    Block audio(333);
    edit_everything(effect, rng, &audio);
    dispatch(effect, effSetProgram, 0, 6);
    char init[] = "init";
    dispatch(effect, effSetProgramName, 0, 0, init);
    const SavedBank bank = save_bank(effect);
    ASSERT_EQ(bank.programs[6].name, "init");

    for (bool ascending : {true, false}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        edit_everything(effect, rng, &audio);
        restore_bank(effect, bank, index_order(ascending));
        expect_bank(effect, bank);
        dispatch(effect, effSetProgram, 0, 6);
        EXPECT_EQ(text_of(effect, effGetProgramName), "init 7");
        dispatch(effect, effSetProgram, 0, bank.current);
    }
}

// The restored instance renders every program exactly as a fresh instance given the same bank
// in the other order of values (LFO Sync before or after LFO Rate). No audio runs before the
// restore: the LFO phase, the reverb tail and the smoothers are run-time state that survives a
// restart by design and is no part of what a host saves.
TEST_F(CorvaneSavedState, RestoredBankSoundsLikeAFreshInstanceLoadedWithIt) {
    start(effect);
    edit_everything(effect, rng, nullptr);
    const SavedBank bank = save_bank(effect);
    edit_everything(effect, rng, nullptr);
    restore_bank(effect, bank, index_order(false));

    TestHost fresh_host;
    auto fresh = fresh_host.make_plugin();
    AEffect* reference = fresh->getAeffect();
    start(reference);
    restore_bank(reference, bank, index_order(true));

    const int blocks = kSanitizedBuild ? 8 : 16;
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        dispatch(effect, effSetProgram, 0, p);
        dispatch(reference, effSetProgram, 0, p);
        const std::vector<float> restored = render_run(effect, host, blocks);
        const std::vector<float> expected = render_run(reference, fresh_host, blocks);
        EXPECT_EQ(first_difference(restored, expected), -1) << "program " << p;
    }
}

} // namespace
