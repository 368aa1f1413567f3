// The hand-over between the host's threads: changes from the user-interface thread while the
// audio thread renders, and an audio path that neither allocates nor locks.

#include "corvane_test_host.h"
#include "rt_probe.h"

#include "editor/corvaneeditor.h"
#include "gui/ccontrol.h"
#include "host/CorvaneVstEditor.h"

#include <functional>
#include <thread>

using namespace corvane;
using namespace corvane::test;

namespace {

// One thread renders blocks (with MIDI and automation of its own), another changes parameters
// and programs and reads texts and the display, as a host's user-interface thread does. Under
// ThreadSanitizer this must run without a report; afterwards nothing is lost.
TEST(CorvaneThreads, UserInterfaceChangesWhileTheAudioThreadRenders) {
    TestHost host;
    auto plugin = host.make_plugin();
    plugin->setSampleRate(48000.0f);
    plugin->resume();
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};

    std::thread audio([&] {
        noise_source noise;
        Block block(256);
        VstMidiEvent on = midi_event(0x90, 60, 100);
        VstMidiEvent off = midi_event(0x80, 60, 0);
        VstEvents list{};
        list.numEvents = 1;
        bool finite = true;
        for (long n = 0; !stop.load() || n < 50; ++n) {
            block.fill_noise(0, noise);
            block.fill_noise(1, noise);
            list.events[0] = reinterpret_cast<VstEvent*>(n % 2 ? &off : &on);
            plugin->processEvents(&list);
            if (n % 7 == 0) plugin->setParameter(kFilterDrive, (n % 100) / 100.0f);
            block.process(*plugin);
            finite = finite && block.outputs_finite();
            host.time.ppqPos += 0.01;
            blocks.store(n + 1);
        }
        EXPECT_TRUE(finite);
    });

    noise_source choice(7);
    char text[64];
    for (int round = 0; round < 400; ++round) {
        plugin->setProgram(round % kNumPrograms);
        for (VstInt32 i = 0; i < kNumParams; ++i) {
            plugin->setParameter(i, 0.5f + 0.5f * choice.next());
            plugin->getParameterReadout(i, text, sizeof text);
            plugin->getParameterDisplay(i, text);
        }
        CorvaneDisplayHistory& display = plugin->getProcessor().displayHistory();
        display.poll();
        (void)display.envelope()[display.index()];
    }
    // The last word from this thread: Filter Type high-pass and LFO Sync off in program 15.
    plugin->setProgram(14);
    plugin->setParameter(kFilterType, 1.0f);
    plugin->setParameter(kLfoSync, 0.0f);
    stop.store(true);
    audio.join();
    EXPECT_GE(blocks.load(), 50);

    // Nothing lost: the engine ends where a fresh instance given the same 29 values ends.
    TestHost reference_host;
    auto reference = reference_host.make_plugin();
    for (VstInt32 i = 0; i < kNumParams; ++i)
        reference->setParameter(i, plugin->getParameter(i));
    Block block(64);
    block.process(*plugin);
    block.process(*reference);
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 2);
    EXPECT_FALSE(plugin->getEngine().sync_on());
    expect_same_engine_settings(*reference, *plugin);
}

// A plug-in whose change on the arming thread is held up once between its steps (the value
// stored, nobody told yet) while another change runs, as if that thread had been preempted
// right there.
class OvertakenCorvane : public Corvane {
public:
    using Corvane::Corvane;
    void arm(CorvaneProcessor::Step step, std::function<void()> change) {
        armed_step = step;
        overtake = std::move(change);
        armed_thread = std::this_thread::get_id();
        getProcessor().setTestHook(&OvertakenCorvane::hook, this);
    }

private:
    static void hook(void* context, CorvaneProcessor::Step step) {
        auto* self = static_cast<OvertakenCorvane*>(context);
        if (self->overtake && step == self->armed_step &&
            std::this_thread::get_id() == self->armed_thread) {
            auto change = std::move(self->overtake);
            self->overtake = nullptr;
            change();
        }
    }

    CorvaneProcessor::Step armed_step = CorvaneProcessor::Step::WriterStored;
    std::function<void()> overtake;
    std::thread::id armed_thread;
};

// The user drags a control while automation writes the same parameter from the audio thread,
// and the drag's whole change runs while the automation's change is between its steps: the
// engine, the open editor and the program record end with the value the host reads back, not
// with the one overwritten. The overtaken change is a single one or part of a program switch.
class CorvaneOvertaken : public ::testing::TestWithParam<bool> {};

TEST_P(CorvaneOvertaken, EveryoneEndsWithTheLastValue) {
    const bool program_switch = GetParam();
    TestHost host;
    auto plugin = host.make_plugin<OvertakenCorvane>();
    AEffect* effect = plugin->getAeffect();
    CorvaneEditor* editor = &static_cast<CorvaneVstEditor*>(plugin->getEditor())->editor();
    ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.0f), 1);
    const float stored = effect->getParameter(effect, kFilterType);
    const float dragged = stored > 0.5f ? 0.0f : 1.0f;

    plugin->arm(program_switch ? CorvaneProcessor::Step::ProgramSelected
                               : CorvaneProcessor::Step::WriterStored,
                [&] {
                    std::thread drag([&] { effect->setParameter(effect, kFilterType, dragged); });
                    drag.join();
                });
    if (program_switch)
        effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0.0f);
    else
        effect->setParameter(effect, kFilterType, 0.5f); // neither the stored nor the dragged
    Block block(32);
    block.process(*plugin);
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);

    ASSERT_EQ(effect->getParameter(effect, kFilterType), dragged);
    EXPECT_EQ(plugin->getEngine().filter_type_index(), dragged > 0.5f ? 2 : 0);
    EXPECT_EQ(editor->getControl(kFilterType)->getValue(), dragged);
    // Selecting the program again replays its record.
    effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->getParameter(effect, kFilterType), dragged);
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Change, CorvaneOvertaken, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& change) {
                             return change.param ? "ProgramSwitch" : "SingleChange";
                         });

// Several changes of one parameter between two blocks: the engine gets the latest.
TEST(CorvaneThreads, LatestValueWins) {
    TestHost host;
    auto plugin = host.make_plugin();
    for (float v : {1.0f, 0.0f, 0.5f, 1.0f, 0.3f})
        plugin->setParameter(kFilterType, v);
    Block block(32);
    block.process(*plugin);
    EXPECT_EQ(plugin->getEngine().filter_type_index(), 1);
}

// processReplacing, processEvents, setParameter and program changes may all run on the audio
// thread: none of them allocates or takes a lock.
TEST(CorvaneRealtime, AudioPathNeitherAllocatesNorLocks) {
    TestHost host;
    auto plugin = host.make_plugin();
    plugin->setSampleRate(48000.0f);
    plugin->setProgram(3);
    plugin->resume();
    noise_source noise;
    Block block(512);
    block.fill_noise(0, noise);
    block.fill_noise(1, noise);
    block.fill_noise(2, noise);
    VstMidiEvent events[3] = {midi_event(0x90, 60, 100), midi_event(0x80, 60, 0),
                              midi_event(0xB0, 123, 0)};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[3];
    } list{3, 0, {}};
    for (int i = 0; i < 3; ++i)
        list.events[i] = reinterpret_cast<VstEvent*>(&events[i]);
    block.process(*plugin); // first touches outside the probe

    RealtimeProbe probe;
    for (int n = 0; n < 64; ++n) {
        plugin->processEvents(reinterpret_cast<VstEvents*>(&list));
        for (VstInt32 i = 0; i < kNumParams; ++i)
            plugin->setParameter(i, (n * 29 + i) % 101 / 100.0f);
        if (n % 16 == 0) plugin->setProgram(n / 16);
        block.process(*plugin);
        AEffect* e = plugin->getAeffect();
        e->setParameter(e, kLfoSync, n % 2 ? 1.0f : 0.0f);
        e->processReplacing(e, block.in_ptr, block.out_ptr, block.frames);
    }
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

} // namespace
