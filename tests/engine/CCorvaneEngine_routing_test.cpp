#include "engine/CCorvaneEngine.h"

#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using corvane::test::make_engine;
using corvane::test::settle;
using E = CCorvaneEngine;

TEST(EngineRouting, ConstructionDefaults) {
    auto e = make_engine();
    EXPECT_EQ(e->filter_type_index(), 0);
    EXPECT_EQ(e->route(), 0);
    EXPECT_EQ(e->trigger_mode(), E::trigger_main);
    EXPECT_FLOAT_EQ(e->vca_gain(), 0.01f);
    EXPECT_EQ(e->current_filter(0)->frequency(), 2000.0f);
    EXPECT_EQ(e->current_filter(1)->frequency(), 2000.0f);
    EXPECT_EQ(e->control_counter(), E::control_interval);
}

TEST(EngineRouting, FilterTypeOutOfRangeLeavesEverythingAsItWas) {
    auto e = make_engine();
    e->set_parameter(E::filter_type, 1.0f);
    const twdsp_filter* before = e->current_filter(0);
    const float hz = before->frequency();
    for (float bad : {3.0f, -1.0f, 1e30f, NAN}) {
        e->set_parameter(E::filter_type, bad);
        EXPECT_EQ(e->filter_type_index(), 1);
        EXPECT_EQ(e->current_filter(0), before);
        EXPECT_EQ(e->current_filter(0)->frequency(), hz);
    }
}

TEST(EngineRouting, NewFilterPairGetsTheUnmodulatedBaseCutoffAndResonance) {
    auto e = make_engine();
    e->set_parameter(E::filter_reson, 0.4f);
    e->set_parameter(E::filter_cutoff, 500.0f);
    e->set_parameter(E::filter_type, 2.0f);
    EXPECT_EQ(e->current_filter(0)->frequency(), 500.0f);
    EXPECT_EQ(e->current_filter(1)->frequency(), 500.0f);
    EXPECT_FLOAT_EQ(e->current_filter(0)->q(), 1.0f); // k = 2.5 × 0.4
    settle(*e, 1);
    EXPECT_EQ(e->current_filter(0)->frequency(), e->cutoff());
}

struct normalised_step {
    int index;
    float value;
    int expected;
};

class NormalisedSteps : public testing::TestWithParam<normalised_step> {};

TEST_P(NormalisedSteps, SelectTheirPositions) {
    auto e = make_engine();
    const normalised_step s = GetParam();
    e->set_normalised_parameter(s.index, s.value);
    const int got = s.index == E::filter_type   ? e->filter_type_index()
                    : s.index == E::env_trigger ? e->trigger_mode()
                    : s.index == E::rev_route   ? e->route()
                                                : static_cast<int>(e->sync_on());
    EXPECT_EQ(got, s.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NormalisedSteps,
    testing::Values(
        normalised_step{E::filter_type, 0.24f, 0}, normalised_step{E::filter_type, 0.25f, 1},
        normalised_step{E::filter_type, 0.74f, 1}, normalised_step{E::filter_type, 0.75f, 2},
        normalised_step{E::env_trigger, 0.0f, 0}, normalised_step{E::env_trigger, 1.0f / 3.0f, 1},
        normalised_step{E::env_trigger, 2.0f / 3.0f, 2}, normalised_step{E::env_trigger, 1.0f, 3},
        normalised_step{E::env_trigger, 7.0f, 3}, normalised_step{E::rev_route, 0.99f, 0},
        normalised_step{E::rev_route, 1.0f, 1}, normalised_step{E::lfo_sync, 0.5f, 0},
        normalised_step{E::lfo_sync, 0.51f, 1}));

TEST(EngineRouting, BypassTargetsDryAndMixWaitsUntilBypassEnds) {
    auto e = make_engine();
    e->set_normalised_parameter(E::mix, 1.0f);
    settle(*e);
    EXPECT_NEAR(e->wet_gain(), 1.0f, 1e-6f);
    EXPECT_NEAR(e->dry_gain(), 0.0f, 1e-5f);
    e->set_normalised_parameter(E::bypass, 1.0f);
    e->set_normalised_parameter(E::mix, 0.5f); // only stored while bypassed
    settle(*e);
    EXPECT_NEAR(e->wet_gain(), 0.0f, 1e-5f);
    EXPECT_NEAR(e->dry_gain(), 1.0f, 1e-6f);
    e->set_normalised_parameter(E::bypass, 0.0f);
    settle(*e);
    EXPECT_NEAR(e->wet_gain(), 0.75f, 1e-5f);
    EXPECT_NEAR(e->dry_gain(), 0.75f, 1e-5f);
}

TEST(EngineRouting, GainsInDecibelsAndEnvelopeGainInBothForms) {
    auto e = make_engine();
    e->set_parameter(E::input, 6.0f);
    settle(*e);
    EXPECT_NEAR(e->input_gain(), std::pow(10.0f, 0.3f), 1e-5f);
    e->set_parameter(E::env_gain, 20.0f);
    EXPECT_FLOAT_EQ(e->envelope_gain(), 10.0f);
    e->set_normalised_parameter(E::env_gain, 0.5f);
    EXPECT_FLOAT_EQ(e->envelope_gain(), std::pow(10.0f, 0.5f));
}

TEST(EngineRouting, UnknownCommandsAndNonFiniteValuesChangeNothing) {
    auto e = make_engine();
    e->set_parameter(E::vca, -6.0f);
    settle(*e, 2);
    const float vca = e->vca_gain();
    for (int index : {-1, 0, 16, 21, 29, 1000})
        e->set_parameter(index, 0.3f);
    e->set_parameter(E::vca, NAN);
    e->set_parameter(E::filter_cutoff, INFINITY);
    e->set_normalised_parameter(E::vca, NAN);
    e->set_normalised_parameter(99, 0.5f);
    settle(*e, 2);
    EXPECT_EQ(e->vca_gain(), vca);
    EXPECT_TRUE(std::isfinite(e->cutoff()));
}

TEST(EngineRouting, ResonanceReachesTheCurrentPair) {
    auto e = make_engine();
    e->set_normalised_parameter(E::filter_reson, 0.8f);
    EXPECT_FLOAT_EQ(e->current_filter(0)->q(), 2.0f);
    EXPECT_FLOAT_EQ(e->current_filter(1)->q(), 2.0f);
}

TEST(EngineRouting, ResetClearsFiltersAndFeedbackButKeepsTheReverbTail) {
    auto e = make_engine();
    e->set_normalised_parameter(E::mix, 1.0f);
    e->set_normalised_parameter(E::rev_mix, 1.0f);
    e->set_parameter(E::vca, 0.0f);
    corvane::test::io burst(8192);
    corvane::test::noise().fill(burst.main_left);
    burst.main_right = burst.main_left;
    burst.render(*e);
    e->reset();
    corvane::test::io quiet(4096);
    quiet.render(*e);
    double energy = 0.0;
    for (float x : quiet.out_left)
        energy += static_cast<double>(x) * x;
    EXPECT_GT(energy, 1e-6);
}

} // namespace
