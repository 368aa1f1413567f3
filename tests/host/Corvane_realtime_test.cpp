// The audio path as a host drives it from its audio thread, through the plug-in record: program
// changes, processEvents, setParameter and processReplacing neither allocate nor lock, and call
// the host for nothing but the two time requests of each block. Over every program, with the
// editor closed and open (its window receives every change), for blocks far larger than the
// host announced.

#include "corvane_test_host.h"
#include "rt_probe.h"

#include <random>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr VstInt32 kAnnouncedBlock = 256;
constexpr int kLargestBlock = 8192;
// Announced, 32 times announced, single frames, sizes off the control interval.
constexpr int kBlockSizes[] = {kAnnouncedBlock, kLargestBlock, 1, 4097, 13, 31, 33};

struct PathCounts {
    long allocations = 0;
    long locks = 0;
    int blocks = 0;
    int time_requests = 0;
    int other_calls = 0;
};

class CorvaneRealtimePath : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        dispatch(effect, effOpen);
        dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        dispatch(effect, effSetBlockSize, 0, kAnnouncedBlock);
        dispatch(effect, effMainsChanged, 0, 1);
        dispatch(effect, effStartProcess);
        if (editor_open()) {
            ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 1);
        }
        noise_source noise;
        for (int c = 0; c < 4; ++c)
            block.fill_noise(c, noise);
        midi[0] = midi_event(0x90, 60, 100);
        midi[1] = midi_event(0x80, 60, 0);
        midi[2] = midi_event(0xB5, 123, 0);
        events.numEvents = 3;
        for (int i = 0; i < 3; ++i)
            events.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    void TearDown() override { dispatch(effect, effEditClose); }

    bool editor_open() const { return GetParam(); }

    // One program as the audio thread sees it: the switch, then for every block size MIDI,
    // automation of all 29 parameters and the block. Counted inside the probe only.
    void run_program(VstInt32 program, PathCounts& counts) {
        const int calls_before = host.total_calls();
        const int time_before = host.calls(audioMasterGetTime);
        {
            RealtimeProbe probe;
            dispatch(effect, effSetProgram, 0, program);
            for (int frames : kBlockSizes) {
                dispatch(effect, effProcessEvents, 0, 0, events.get());
                for (VstInt32 i = 0; i < kNumParams; ++i)
                    effect->setParameter(effect, i, values(rng));
                effect->processReplacing(effect, block.in_ptr, block.out_ptr, frames);
                ++counts.blocks;
                host.time.ppqPos += 0.25;
            }
            counts.allocations += probe.allocations();
            counts.locks += probe.locks();
        }
        const int time_requests = host.calls(audioMasterGetTime) - time_before;
        counts.time_requests += time_requests;
        counts.other_calls += host.total_calls() - calls_before - time_requests;
    }

    TestHost host;
    std::unique_ptr<Corvane> plugin = host.make_plugin();
    AEffect* effect = plugin->getAeffect();
    Block block{kLargestBlock};
    VstMidiEvent midi[3];
    EventList<3> events;
    std::mt19937 rng{5};
    std::uniform_real_distribution<float> values{0.0f, 1.0f};
};

TEST_P(CorvaneRealtimePath, NoAllocationLockOrHostCallOverEveryProgram) {
    // A first pass outside the probe: whatever is touched for the first time is touched now.
    PathCounts warm_up;
    run_program(0, warm_up);

    PathCounts counts;
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        run_program(p, counts);
        // The user-interface thread collects what the window was sent; it may allocate.
        dispatch(effect, effEditIdle);
        ASSERT_TRUE(block.outputs_finite()) << p;
    }
    EXPECT_EQ(counts.allocations, 0);
    EXPECT_EQ(counts.locks, 0);
    EXPECT_EQ(counts.time_requests, 2 * counts.blocks);
    EXPECT_EQ(counts.other_calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Editor, CorvaneRealtimePath, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& open) {
                             return open.param ? "Open" : "Closed";
                         });

} // namespace
