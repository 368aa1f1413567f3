// The processor on its own, as every format edition drives it: blocks with and without inputs,
// events at their frames, programs, the LFO's sync pair, texts, an audio path that neither
// allocates nor locks, and the floating-point mode it computes in.

#include "processor_test_support.h"

#include "params/CorvaneFactoryPrograms.h"
#include "processor/CorvaneFloatMode.h"
#include "rt_probe.h"

#include <cstring>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

using Block = CorvaneProcessor::Block;

// A host that delivers its blocks without an input array still gets output, and the changes
// it made before are applied.
TEST(CorvaneProcessor, NullInputsAreSilenceInAndStillApplyChanges) {
    auto p = make_processor();
    Buffers b(256);
    for (auto& channel : b.out)
        std::fill(channel.begin(), channel.end(), 7.0f);
    p->setParameter(kFilterType, 1.0f);
    Block block = b.block(256);
    block.inputs = nullptr;
    p->process(block);
    EXPECT_EQ(p->engine().filter_type_index(), 2);
    for (const auto& channel : b.out)
        for (float x : channel)
            ASSERT_NE(x, 7.0f);
    // Without outputs nothing is rendered, but the changes still land.
    p->setParameter(kFilterType, 0.0f);
    block.outputs = nullptr;
    p->process(block);
    EXPECT_EQ(p->engine().filter_type_index(), 0);
}

// Events act at their frame: a block with a change at frame 100 and a note at frame 200
// renders what three blocks split there render, and a block without events what any split of
// it renders.
TEST(CorvaneProcessor, EventsActAtTheirFrame) {
    auto whole = make_processor();
    auto split = make_processor();
    for (auto* p : {whole.get(), split.get()}) {
        p->setParameter(kEnvTrigger, 0.34f); // MIDI-triggered envelope
        p->setParameter(kFilterEnvMod, 1.0f);
    }
    Buffers a(300), b(300);
    CorvaneProcessor::ParameterEvent change{100, kFilterCutoff, 0.9f};
    CorvaneProcessor::MidiEvent note{200, {0x90, 60, 127}};
    Block block = a.block(300);
    block.changes = &change;
    block.changeCount = 1;
    block.midi = &note;
    block.midiCount = 1;
    whole->process(block);

    Block piece = b.block(100);
    split->process(piece);
    split->setParameter(kFilterCutoff, 0.9f);
    for (int c = 0; c < 4; ++c)
        b.in_ptr[c] += 100;
    for (int c = 0; c < 2; ++c)
        b.out_ptr[c] += 100;
    split->process(b.block(100));
    for (int c = 0; c < 4; ++c)
        b.in_ptr[c] += 100;
    for (int c = 0; c < 2; ++c)
        b.out_ptr[c] += 100;
    Block last = b.block(100);
    last.midi = &note;
    last.midiCount = 1;
    note.frame = 0;
    split->process(last);
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(whole->heldNotes(), 1);

    // Late and out-of-range events are applied, not lost.
    CorvaneProcessor::ParameterEvent odd[] = {
        {250, kMix, 0.25f}, {5, kVca, 0.5f}, {900, kBypass, 1.0f}};
    block.midi = nullptr;
    block.midiCount = 0;
    block.changes = odd;
    block.changeCount = 3;
    whole->process(block);
    EXPECT_EQ(whole->getParameter(kMix), 0.25f);
    EXPECT_EQ(whole->getParameter(kVca), 0.5f);
    whole->process(a.block(32));
    EXPECT_TRUE(whole->engine().bypassed());
}

// Program switches and the records: the current program's record is what getParameter reads;
// a change goes to the program that is current and stays there.
TEST(CorvaneProcessor, ProgramsKeepTheirOwnValuesAndNames) {
    auto p = make_processor();
    EXPECT_EQ(p->program(), 0);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(p->getParameter(i), kFactoryPrograms[0].values[i]) << i;
    p->setParameter(kMix, 0.125f);
    p->setProgram(3);
    EXPECT_EQ(p->getParameter(kMix), kFactoryPrograms[3].values[kMix]);
    p->setProgram(0);
    EXPECT_EQ(p->getParameter(kMix), 0.125f);
    p->setProgram(20);
    p->setProgram(-1);
    EXPECT_EQ(p->program(), 0);

    char name[CorvaneProcessor::kProgramNameChars + 1];
    p->programName(name);
    EXPECT_STREQ(name, kFactoryPrograms[0].name);
    p->setProgramName("init");
    p->programName(name);
    EXPECT_STREQ(name, "init 1");
    EXPECT_TRUE(p->programNameIndexed(0, name));
    EXPECT_STREQ(name, "init");
    p->setProgramName("a name far longer than twenty-three characters");
    p->programName(name);
    EXPECT_EQ(std::strlen(name), size_t{CorvaneProcessor::kProgramNameChars});
    EXPECT_FALSE(p->programNameIndexed(20, name));
    EXPECT_FALSE(p->programNameIndexed(0, nullptr));
}

// LFO Sync decides what LFO Rate means; the pair reaches the engine together, whichever
// changes, and the rate's normalised value survives every switch of the sync.
TEST(CorvaneProcessor, SyncAndRateReachTheEngineAsAPair) {
    auto p = make_processor();
    Buffers b(32);
    p->setParameter(kLfoSync, 0.0f);
    p->setParameter(kLfoRate, 0.5f);
    p->process(b.block(32));
    EXPECT_FALSE(p->engine().sync_on());
    EXPECT_NEAR(p->engine().lfo().frequency(), 1.0f * 32.0f, 1e-3f);
    p->setParameter(kLfoSync, 1.0f);
    p->process(b.block(32));
    EXPECT_TRUE(p->engine().sync_on());
    EXPECT_EQ(p->syncFactor(), 1.0); // 1/4: one cycle per quarter note
    EXPECT_EQ(p->getParameter(kLfoRate), 0.5f);
    char text[16];
    p->parameterDisplay(kLfoRate, text, CorvaneProcessor::kTextChars);
    EXPECT_EQ(std::string(text).find("1/4"), 0u);
    p->setParameter(kLfoSync, 0.0f);
    p->process(b.block(32));
    EXPECT_FALSE(p->engine().sync_on());
    EXPECT_EQ(p->getParameter(kLfoRate), 0.5f);
}

TEST(CorvaneProcessor, TextsAndConversions) {
    auto p = make_processor();
    char text[16];
    p->parameterName(kFilterCutoff, text, CorvaneProcessor::kTextChars);
    EXPECT_STREQ(text, "FiltrCut");
    p->parameterName(kNumParams, text, CorvaneProcessor::kTextChars);
    EXPECT_STREQ(text, "");
    p->setParameter(kLfoSync, 0.0f);
    p->setParameter(kLfoRate, 0.5f);
    char readout[32];
    p->parameterReadout(kLfoRate, readout, sizeof readout);
    EXPECT_STREQ(readout, "1.00Hz");
    // Value and text both ways, as the value text shows it.
    float n = 0.0f;
    ASSERT_TRUE(p->textToNormalised(kLfoRate, "1.00", n));
    EXPECT_NEAR(n, 0.5f, 1e-4f);
    p->normalisedToText(kLfoRate, 0.5f, text, CorvaneProcessor::kTextChars);
    EXPECT_STREQ(text, "1.00");
    EXPECT_FALSE(p->textToNormalised(kLfoRate, nullptr, n));
    float display = 0.0f;
    ASSERT_TRUE(p->displayToNormalised(kFilterCutoff, 1000.0f, n));
    ASSERT_TRUE(p->normalisedToDisplay(kFilterCutoff, n, display));
    EXPECT_NEAR(display, 1000.0f, 1.0f);
    EXPECT_FALSE(p->displayToNormalised(kFilterCutoff, NAN, n));
    EXPECT_FALSE(p->normalisedToDisplay(-1, 0.5f, display));
}

// Everything the audio thread may be asked to do, counted: blocks with events of both kinds,
// parameter changes and program switches.
TEST(CorvaneProcessor, AudioPathNeitherAllocatesNorLocks) {
    auto p = make_processor();
    Buffers b(4096);
    CorvaneProcessor::Transport transport;
    transport.tempoValid = transport.positionValid = true;
    CorvaneProcessor::ParameterEvent changes[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        changes[i] = {i * 100, i, 0.3f};
    CorvaneProcessor::MidiEvent midi[] = {{0, {0x90, 60, 100}}, {900, {0x80, 60, 0}}};
    RealtimeProbe probe;
    for (int program = 0; program < kNumPrograms; ++program) {
        p->setProgram(program);
        for (int i = 0; i < kNumParams; ++i)
            p->setParameter(i, 0.7f);
        Block block = b.block(4096);
        block.transport = &transport;
        block.changes = changes;
        block.changeCount = kNumParams;
        block.midi = midi;
        block.midiCount = 2;
        p->process(block);
        transport.positionPpq += 1.0;
    }
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

// The calls that run the engine compute in the processor's own mode (subnormals flushed,
// rounding to nearest) whatever mode the host left, and give the host's mode back: the same
// samples come out of a host that rounds towards zero, and its mode survives every call.
TEST(CorvaneProcessor, EngineCallsRunInTheirOwnFloatModeAndRestoreTheHosts) {
#if defined(__SSE2__) || defined(__x86_64__)
    const unsigned usual = _mm_getcsr();
    // Round towards zero, a host that already flushes but rounds upwards, and one already in
    // the processor's mode.
    const unsigned hostModes[] = {usual, (usual & ~0x6000u) | 0x6000u,
                                  (usual & ~0x6000u) | 0x4000u | 0x8040u, CorvaneFloatMode::kMode};
    std::vector<float> first;
    for (const unsigned host : hostModes) {
        auto p = make_processor();
        p->setProgram(1);
        unsigned inside = 0;
        p->setTestHook(
            [](void* context, CorvaneProcessor::Step) {
                *static_cast<unsigned*>(context) = CorvaneFloatMode::current();
            },
            &inside);
        _mm_setcsr(host);
        p->setSampleRate(44100.0);
        EXPECT_EQ(_mm_getcsr() & CorvaneFloatMode::kModeMask, host & CorvaneFloatMode::kModeMask);
        p->activate();
        EXPECT_EQ(inside & CorvaneFloatMode::kModeMask, CorvaneFloatMode::kMode);
        EXPECT_EQ(_mm_getcsr() & CorvaneFloatMode::kModeMask, host & CorvaneFloatMode::kModeMask);
        inside = 0;
        Buffers b(4096);
        std::vector<float> out;
        for (int i = 0; i < 8; ++i) {
            p->process(b.block(4096));
            out.insert(out.end(), b.out[0].begin(), b.out[0].end());
        }
        EXPECT_EQ(inside & CorvaneFloatMode::kModeMask, CorvaneFloatMode::kMode);
        EXPECT_EQ(_mm_getcsr() & CorvaneFloatMode::kModeMask, host & CorvaneFloatMode::kModeMask);
        _mm_setcsr(usual);
        if (first.empty())
            first = out;
        else
            EXPECT_EQ(std::memcmp(first.data(), out.data(), out.size() * sizeof(float)), 0);
    }
#else
    GTEST_SKIP() << "no control register to check on this processor";
#endif
}

} // namespace
