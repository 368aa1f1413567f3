// The four ways two threads' steps can interleave that a review found to break a hand-over
// of derived values, each forced deterministically: one thread is held at a step (a test hook)
// while the other thread's whole action runs. Afterwards the manager, the engine, the editor's
// view and the program record agree, and the engine holds what a fresh instance given the
// final values holds.

#include "processor_test_support.h"

#include "params/CorvaneFactoryPrograms.h"

using namespace corvane;
using namespace corvane::test;

namespace {

using Step = CorvaneProcessor::Step;

void run_block(CorvaneProcessor& p) {
    Buffers b(64);
    p.process(b.block(64));
}

// What every interleaving must end with: one program record that is what getParameter reads,
// an engine like a fresh one's, and an editor that learns of every parameter that changed.
void expect_settled(CorvaneProcessor& p) {
    run_block(p);
    for (int i = 0; i < kNumParams; ++i) {
        const tw_paramManager::Value v = p.parameterInfo().getValueIn(p.program(), i);
        EXPECT_EQ(v.normalized, p.getParameter(i)) << i;
    }
    auto fresh = fresh_copy(p);
    run_block(*fresh);
    expect_same_engine_settings(*fresh, p);
}

// 1. LFO Sync and LFO Rate changed at the same moment, in every order of their steps: neither
// value is lost, the rate's value is read in the sync state stored with it, and the sync
// factor follows the pair.
struct PairCase {
    const char* name;
    int held;       // the parameter whose change is held after storing its value
    int other;      // the parameter changed while it is held
    bool audioHeld; // instead, the audio thread is held after taking its flags
};

class SyncAndRate : public ::testing::TestWithParam<PairCase> {};

TEST_P(SyncAndRate, NeitherValueIsLostNorMixed) {
    const PairCase c = GetParam();
    auto p = make_processor();
    p->setParameter(kLfoSync, 0.0f);
    p->setParameter(kLfoRate, 0.2f);
    run_block(*p);
    auto target = [](int index) { return index == kLfoSync ? 1.0f : 0.9f; };
    if (c.audioHeld) {
        Interleave hold(*p, Step::AudioTookChanges, [&] {
            p->setParameter(kLfoSync, 1.0f);
            p->setParameter(kLfoRate, 0.9f);
        });
        run_block(*p);
        ASSERT_TRUE(hold.happened());
    } else {
        Interleave hold(*p, Step::WriterStored, [&] { p->setParameter(c.other, target(c.other)); });
        p->setParameter(c.held, target(c.held));
        ASSERT_TRUE(hold.happened());
    }
    EXPECT_EQ(p->getParameter(kLfoSync), 1.0f);
    EXPECT_EQ(p->getParameter(kLfoRate), 0.9f);
    const tw_paramManager::Value rate = p->parameterInfo().getValueIn(p->program(), kLfoRate);
    EXPECT_TRUE(rate.synced);
    EXPECT_EQ(rate.real, p->parameterInfo().toRealSynced(kLfoRate, 0.9f, true));
    expect_settled(*p);
    EXPECT_TRUE(p->engine().sync_on());
    EXPECT_EQ(p->syncFactor(), p->parameterInfo().toEngineValueSynced(kLfoRate, rate.real, true));
}

INSTANTIATE_TEST_SUITE_P(Orders, SyncAndRate,
                         ::testing::Values(PairCase{"RateDuringSync", kLfoSync, kLfoRate, false},
                                           PairCase{"SyncDuringRate", kLfoRate, kLfoSync, false},
                                           PairCase{"BothDuringABlock", kLfoRate, kLfoSync, true}),
                         [](const ::testing::TestParamInfo<PairCase>& pair) {
                             return pair.param.name;
                         });

// 2. A burst of changes on one thread against one change on another, the single change held
// after storing (its announcement lands after all of the burst), or the audio thread held
// while the burst runs: the value the manager ends with is the one everybody ends with.
TEST(Interleavings, ABurstAgainstOneChangeLeavesTheLastValueEverywhere) {
    for (Step step : {Step::WriterStored, Step::AudioTookChanges}) {
        auto p = make_processor();
        run_block(*p);
        p->takeChangedParameters();
        auto burst = [&] {
            for (int n = 0; n < 12; ++n) {
                p->setParameter(kFilterCutoff, 0.05f * n);
                p->setParameter(kFilterType, (n % 3) * 0.5f);
            }
        };
        {
            Interleave hold(*p, step, burst);
            if (step == Step::WriterStored)
                p->setParameter(kFilterCutoff, 0.9f);
            else
                run_block(*p);
            ASSERT_TRUE(hold.happened());
        }
        // The burst's values are the last stored; the editor is told of both parameters.
        EXPECT_EQ(p->getParameter(kFilterCutoff), 0.55f);
        EXPECT_EQ(p->getParameter(kFilterType), 1.0f);
        EXPECT_EQ(p->takeChangedParameters(), (1u << kFilterCutoff) | (1u << kFilterType));
        expect_settled(*p);
        EXPECT_EQ(p->engine().filter_type_index(), 2);
    }
}

// 3. The editor opens while a change is between storing its value and announcing it: whatever
// the order, the window that opens ends up showing the manager's value (it takes the flags,
// then reads every value; the change announces after storing).
TEST(Interleavings, OpeningTheEditorCannotMissAChange) {
    auto p = make_processor();
    CorvaneEditorView& view = p->editorView();
    float shown[kNumParams] = {};
    auto open = [&] {
        view.takeChangedParameters();
        for (int i = 0; i < kNumParams; ++i)
            shown[i] = view.parameterValue(i);
    };
    auto idle = [&] {
        std::uint32_t changed = view.takeChangedParameters();
        for (int i = 0; i < kNumParams; ++i)
            if (changed & (1u << i)) shown[i] = view.parameterValue(i);
    };
    {
        // Opened between the store and the flag.
        Interleave hold(*p, Step::WriterStored, open);
        p->setParameter(kRevMix, 0.75f);
        ASSERT_TRUE(hold.happened());
    }
    idle();
    EXPECT_EQ(shown[kRevMix], 0.75f);
    {
        // A change stored before the open, announced after it.
        Interleave hold(*p, Step::WriterStored, [&] {});
        p->setParameter(kRevMix, 0.25f);
        open();
    }
    idle();
    EXPECT_EQ(shown[kRevMix], 0.25f);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(shown[i], p->getParameter(i)) << i;
}

// 4. A program switch with the audio thread starting a block in the middle of it (the program
// chosen, nobody told yet), or held after taking its flags while the whole switch runs: the
// block gets all of the new program, never the new rate with the old sync state.
TEST(Interleavings, AProgramSwitchReachesABlockWhole) {
    // Programs 1 and 2 differ in LFO Sync, LFO Rate and Filter Type.
    ASSERT_NE(kFactoryPrograms[0].values[kLfoSync], kFactoryPrograms[1].values[kLfoSync]);
    ASSERT_NE(kFactoryPrograms[0].values[kLfoRate], kFactoryPrograms[1].values[kLfoRate]);
    for (Step step : {Step::ProgramSelected, Step::AudioTookChanges}) {
        auto p = make_processor();
        run_block(*p);
        auto reference = make_processor();
        reference->setProgram(1);
        run_block(*reference);
        {
            Interleave hold(*p, step, [&] {
                if (step == Step::ProgramSelected)
                    run_block(*p);
                else
                    p->setProgram(1);
            });
            if (step == Step::ProgramSelected)
                p->setProgram(1);
            else
                run_block(*p);
            ASSERT_TRUE(hold.happened());
        }
        // The block that ran in the middle already had the whole new program.
        expect_same_engine_settings(*reference, *p);
        expect_settled(*p);
    }
}

} // namespace
