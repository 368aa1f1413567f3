// The audio side: resume and pins, channel plans, MIDI gate, tempo sync at each block start,
// sample rates and the blocks a broken host might send.

#include "corvane_test_host.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace corvane;
using namespace corvane::test;

namespace {

class CorvaneProcess : public ::testing::Test {
protected:
    void run_block(int frames = 64) {
        Block block(frames);
        block.process(*plugin);
    }
    float gate() const { return plugin->getEngine().note_gate(); }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
};

TEST_F(CorvaneProcess, ResumeAsksThePinsInOrderAndWantsMidiEveryTime) {
    EXPECT_EQ(plugin->getActiveInputCount(), 4);
    EXPECT_EQ(plugin->getActiveOutputCount(), 2);
    EXPECT_EQ(plugin->getSidechainCount(), 0);
    plugin->resume();
    ASSERT_EQ(host.pin_queries(), 4);
    const VstInt32 pins[] = {1, 1, 3, 2};
    const VstIntPtr outputs[] = {0, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(host.pin_query(i).pin, pins[i]) << i;
        EXPECT_EQ(host.pin_query(i).output, outputs[i]) << i;
    }
    EXPECT_EQ(plugin->getActiveInputCount(), 2);
    EXPECT_EQ(plugin->getActiveOutputCount(), 2);
    EXPECT_EQ(plugin->getSidechainCount(), 2);
    EXPECT_EQ(host.calls(audioMasterWantMidi), 1);
    plugin->resume();
    EXPECT_EQ(host.calls(audioMasterWantMidi), 2);
}

struct PinCase {
    bool in1, in2, in3, out1;
    VstInt32 inputs, outputs, sidechains;
};

class CorvanePins : public CorvaneProcess, public ::testing::WithParamInterface<PinCase> {};

TEST_P(CorvanePins, CountsFollowTheConnections) {
    const PinCase& c = GetParam();
    host.input_connected = {true, c.in1, c.in2, c.in3};
    host.output_connected = {true, c.out1};
    plugin->resume();
    EXPECT_EQ(plugin->getActiveInputCount(), c.inputs);
    EXPECT_EQ(plugin->getActiveOutputCount(), c.outputs);
    EXPECT_EQ(plugin->getSidechainCount(), c.sidechains);
}

INSTANTIATE_TEST_SUITE_P(Connections, CorvanePins,
                         ::testing::Values(PinCase{true, true, true, true, 2, 2, 2},
                                           PinCase{false, true, true, true, 1, 2, 2},
                                           PinCase{false, false, false, false, 1, 1, 0},
                                           PinCase{true, true, false, true, 2, 2, 1},
                                           PinCase{true, false, true, true, 2, 2, 1}));

// The channel plans, told apart by what reaches the outputs: the mono-to-stereo plan ignores
// main R, the mono plan leaves the right output alone, the stereo plan uses both inputs.
class CorvanePlans : public CorvaneProcess {
protected:
    static constexpr float kSentinel = 12345.0f;

    // Renders a few blocks of left noise plus right noise of the given seed, returns the last.
    Block render(std::uint32_t right_seed) {
        plugin->resume();
        noise_source left(1), right(right_seed);
        Block block(512);
        for (int i = 0; i < 8; ++i) {
            block.fill_noise(0, left);
            block.fill_noise(1, right);
            std::fill(block.out[1].begin(), block.out[1].end(), kSentinel);
            block.process(*plugin);
        }
        return block;
    }
    bool right_untouched(const Block& b) const {
        return std::all_of(b.out[1].begin(), b.out[1].end(),
                           [](float x) { return x == kSentinel; });
    }
    // Fresh instances, so reverb tails and smoothers start alike.
    Block render_fresh(std::uint32_t right_seed) {
        plugin = host.make_plugin();
        return render(right_seed);
    }
};

TEST_F(CorvanePlans, MonoInputAfterResumeIgnoresTheRightInput) {
    host.input_connected = {true, false, false, false};
    const Block a = render_fresh(2);
    const Block b = render_fresh(3);
    EXPECT_EQ(plugin->getActiveInputCount(), 1);
    EXPECT_EQ(a.out[0], b.out[0]);
    EXPECT_EQ(a.out[1], b.out[1]);
    EXPECT_FALSE(right_untouched(a));
    EXPECT_TRUE(a.outputs_finite());
}

TEST_F(CorvanePlans, MonoInputAndOutputWritesOnlyTheLeft) {
    host.input_connected = {true, false, false, false};
    host.output_connected = {true, false};
    const Block a = render_fresh(2);
    EXPECT_TRUE(right_untouched(a));
    EXPECT_GT(*std::max_element(a.out[0].begin(), a.out[0].end()), 0.0f);
}

TEST_F(CorvanePlans, StereoUsesBothInputs) {
    const Block a = render_fresh(2);
    const Block b = render_fresh(3);
    EXPECT_NE(a.out[0], b.out[0]);
    EXPECT_NE(a.out[1], b.out[1]);
}

TEST_F(CorvaneProcess, MidiGateHoldsTheLastVelocityUntilEveryNoteIsReleased) {
    plugin->resume();
    send_midi(*plugin, {midi_event(0x90, 60, 64), midi_event(0x91, 64, 100)});
    EXPECT_EQ(plugin->getHeldNoteCount(), 2);
    EXPECT_FLOAT_EQ(gate(), 100.0f / 127.0f);
    send_midi(*plugin, {midi_event(0x80, 60, 0)});
    EXPECT_FLOAT_EQ(gate(), 100.0f / 127.0f);
    // A note-on with velocity 0 is a note-off.
    send_midi(*plugin, {midi_event(0x91, 64, 0)});
    EXPECT_EQ(gate(), 0.0f);
    EXPECT_EQ(plugin->getHeldNoteCount(), 0);
}

TEST_F(CorvaneProcess, AllNotesOffClosesTheGate) {
    send_midi(*plugin, {midi_event(0x90, 60, 127), midi_event(0x90, 62, 127)});
    send_midi(*plugin, {midi_event(0xB5, 7, 100)}); // another controller: nothing
    EXPECT_EQ(gate(), 1.0f);
    send_midi(*plugin, {midi_event(0xBF, 123, 0)});
    EXPECT_EQ(gate(), 0.0f);
    EXPECT_EQ(plugin->getHeldNoteCount(), 0);
}

// Note-offs for notes held before a resume find nothing to release; they must not leave the
// count below zero, or the next note's release would keep the gate open for ever.
TEST_F(CorvaneProcess, StrayNoteOffsDoNotJamTheGate) {
    send_midi(*plugin, {midi_event(0x90, 60, 90)});
    plugin->resume();
    EXPECT_EQ(gate(), 0.0f);
    send_midi(*plugin, {midi_event(0x80, 60, 0), midi_event(0x80, 61, 0)});
    EXPECT_EQ(plugin->getHeldNoteCount(), 0);
    send_midi(*plugin, {midi_event(0x90, 67, 50)});
    EXPECT_FLOAT_EQ(gate(), 50.0f / 127.0f);
    send_midi(*plugin, {midi_event(0x80, 67, 0)});
    EXPECT_EQ(gate(), 0.0f);
}

TEST_F(CorvaneProcess, OnlyMidiEventsCount) {
    VstMidiEvent sysex = midi_event(0x90, 60, 100);
    sysex.type = kVstSysExType;
    send_midi(*plugin, {sysex, midi_event(0xE0, 0, 64), midi_event(0xA0, 60, 100)});
    EXPECT_EQ(gate(), 0.0f);
    EXPECT_EQ(plugin->processEvents(nullptr), 1);
    VstEvents empty{};
    empty.numEvents = 2; // pointers left null
    EXPECT_EQ(plugin->processEvents(&empty), 1);
    empty.numEvents = -5;
    EXPECT_EQ(plugin->processEvents(&empty), 1);
    EXPECT_EQ(plugin->getHeldNoteCount(), 0);
}

// Tempo sync: at every block start the phase follows the host position, and the increment is
// the sync factor times the quarter notes per sample, per control tick.
class CorvaneTempo : public CorvaneProcess {
protected:
    void SetUp() override {
        plugin->setSampleRate(48000.0f);
        plugin->setParameter(kLfoSync, 1.0f);
        plugin->setParameter(kLfoRate, 0.5f); // 1/4: one cycle per quarter note
        plugin->setParameter(kLfoPhase, 0.0f);
        plugin->resume();
    }
    // Control ticks are 32 samples apart, so a block of 32 frames runs exactly one, which
    // advances the phase set at the block start by one increment.
    void run_tick() { run_block(CCorvaneEngine::control_interval); }
    double phase_at_block_start() const {
        return plugin->getEngine().sync_phase() - plugin->getEngine().sync_increment();
    }
    static constexpr double kQuarterNotesPerSample = 120.0 / 60.0 / 48000.0;
};

TEST_F(CorvaneTempo, PhaseFollowsTheHostPositionAtBlockStart) {
    host.time.ppqPos = 2.5;
    run_tick();
    EXPECT_NEAR(phase_at_block_start(), 0.5, 1e-12);
    EXPECT_NEAR(plugin->getEngine().sync_increment(), kQuarterNotesPerSample * 32.0, 1e-15);
    // Wherever the LFO has run to, the next block starts at the host's position again.
    for (int i = 0; i < 10; ++i)
        run_block(100);
    host.time.ppqPos = 7.25;
    run_tick();
    EXPECT_NEAR(phase_at_block_start(), 0.25, 1e-12);
    host.time.ppqPos = -0.25; // pre-roll
    run_tick();
    EXPECT_NEAR(phase_at_block_start(), 0.75, 1e-12);
}

TEST_F(CorvaneTempo, FactorAndPhaseOffsetEnterThePhase) {
    plugin->setParameter(kLfoRate, 1.0f); // 1/32: eight cycles per quarter note
    plugin->setParameter(kLfoPhase, 0.25f);
    host.time.ppqPos = 1.0 + 1.0 / 32.0;
    run_tick();
    EXPECT_NEAR(phase_at_block_start(), 0.5, 1e-9);
    EXPECT_NEAR(plugin->getEngine().sync_increment(), 8.0 * kQuarterNotesPerSample * 32.0, 1e-12);
}

TEST_F(CorvaneTempo, DenominatorScalesTheIncrement) {
    host.time.timeSigDenominator = 8;
    run_tick();
    EXPECT_NEAR(plugin->getEngine().sync_increment(), kQuarterNotesPerSample * 16.0, 1e-15);
    for (VstInt32 bad : {0, -4}) {
        host.time.timeSigDenominator = bad;
        run_tick();
        EXPECT_NEAR(plugin->getEngine().sync_increment(), kQuarterNotesPerSample * 32.0, 1e-15);
    }
    host.time.timeSigDenominator = 8;
    host.signature_available = false;
    run_tick();
    EXPECT_NEAR(plugin->getEngine().sync_increment(), kQuarterNotesPerSample * 32.0, 1e-15);
}

TEST_F(CorvaneTempo, AsksTwiceAtEveryBlock) {
    const int before = host.calls(audioMasterGetTime);
    run_block(64);
    EXPECT_EQ(host.calls(audioMasterGetTime) - before, 2);
    host.time_available = false;
    run_block(64);
    EXPECT_EQ(host.calls(audioMasterGetTime) - before, 3);
}

TEST_F(CorvaneTempo, BrokenTimeInformationKeepsTheSyncState) {
    host.time.ppqPos = 2.5;
    run_tick();
    const double increment = plugin->getEngine().sync_increment();
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Broken {
        double tempo, position;
    };
    for (const Broken& b : {Broken{nan, 1.0}, Broken{inf, 1.0}, Broken{-120.0, 1.0},
                            Broken{120.0, nan}, Broken{120.0, -inf}}) {
        const double phase = plugin->getEngine().sync_phase();
        host.time.tempo = b.tempo;
        host.time.ppqPos = b.position;
        run_tick();
        // Only the block's own tick moved the phase.
        EXPECT_NEAR(plugin->getEngine().sync_phase(), phase + increment, 1e-12);
        EXPECT_EQ(plugin->getEngine().sync_increment(), increment);
    }
    host.time.tempo = 120.0;
    host.time_available = false;
    const double phase = plugin->getEngine().sync_phase();
    run_tick();
    EXPECT_NEAR(plugin->getEngine().sync_phase(), phase + increment, 1e-12);
}

TEST(CorvaneNoHost, WithoutTimeInformationTheSyncedLfoStandsStill) {
    auto plugin = std::make_unique<Corvane>(nullptr);
    plugin->setProgram(1);
    Block block(256);
    block.process(*plugin);
    EXPECT_TRUE(plugin->getEngine().sync_on());
    EXPECT_EQ(plugin->getEngine().sync_increment(), 0.0);
    EXPECT_EQ(plugin->getEngine().sync_phase(), 0.0);
}

TEST_F(CorvaneProcess, AbsurdSampleRatesAreRefusedOrLimited) {
    plugin->setSampleRate(48000.0f);
    for (float bad : {0.0f, -44100.0f, std::nanf(""), std::numeric_limits<float>::infinity()}) {
        plugin->setSampleRate(bad);
        EXPECT_EQ(plugin->getSamplePeriod(), 1.0 / 48000.0) << bad;
        EXPECT_EQ(plugin->getSampleRate(), 48000.0f);
    }
    plugin->setSampleRate(1e9f);
    EXPECT_EQ(plugin->getSampleRate(), 768000.0f);
    EXPECT_EQ(plugin->getSamplePeriod(), 1.0 / 768000.0);
    plugin->setSampleRate(1.0f);
    EXPECT_EQ(plugin->getSampleRate(), 8000.0f);
    // Through the dispatcher as well.
    AEffect* e = plugin->getAeffect();
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, -1.0f);
    EXPECT_EQ(plugin->getSampleRate(), 8000.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(plugin->getSampleRate(), 96000.0f);
    noise_source noise;
    Block block(512);
    block.fill_noise(0, noise);
    block.fill_noise(1, noise);
    block.process(*plugin);
    EXPECT_TRUE(block.outputs_finite());
}

TEST_F(CorvaneProcess, BadBuffersAndEmptyBlocksAreHarmless) {
    Block block(64);
    for (auto& c : block.out)
        std::fill(c.begin(), c.end(), 7.0f);
    plugin->processReplacing(block.in_ptr, block.out_ptr, 0);
    plugin->processReplacing(block.in_ptr, block.out_ptr, -64);
    plugin->processReplacing(block.in_ptr, nullptr, 64);
    EXPECT_EQ(block.out[0][0], 7.0f);
    // Missing inputs read as silence.
    plugin->processReplacing(nullptr, block.out_ptr, 64);
    float* partial[4] = {block.in_ptr[0], nullptr, nullptr, nullptr};
    plugin->processReplacing(partial, block.out_ptr, 64);
    EXPECT_TRUE(block.outputs_finite());
    // Through the record, as a host calls it.
    AEffect* e = plugin->getAeffect();
    e->processReplacing(e, nullptr, nullptr, 64);
    e->processReplacing(e, block.in_ptr, block.out_ptr, 0);
    e->process(e, block.in_ptr, block.out_ptr, 64);
    EXPECT_TRUE(block.outputs_finite());
}

// The block size is only announced: a larger block renders exactly as the same frames split up.
TEST_F(CorvaneProcess, BlocksLargerThanAnnouncedRenderAsSmallerOnes) {
    plugin->setBlockSize(64);
    plugin->resume();
    TestHost other_host;
    auto split = other_host.make_plugin();
    split->setBlockSize(64);
    split->resume();

    noise_source noise;
    Block big(4096);
    big.fill_noise(0, noise);
    big.fill_noise(1, noise);
    big.process(*plugin);
    Block small(64);
    for (int start = 0; start < 4096; start += 64) {
        for (int c = 0; c < 2; ++c)
            std::copy_n(big.in[c].begin() + start, 64, small.in[c].begin());
        small.process(*split);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ(small.out[c][i], big.out[c][start + i]) << c << " " << start + i;
    }
    EXPECT_TRUE(big.outputs_finite());
}

} // namespace
