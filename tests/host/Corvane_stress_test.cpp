// The host's threads all at once, as a busy session drives them: the audio thread renders blocks
// of any size with tempo, MIDI and automation; the user-interface thread edits parameters,
// programs and names, opens and closes the editor, idles it, drags its controls and reads texts;
// a third thread asks what hosts ask from their other threads. Under ThreadSanitizer this runs
// without a report, and afterwards nothing is lost: the editor, the names and the engine agree
// with the last word of every thread.

#include "corvane_test_host.h"

#include "editor/corvaneeditor.h"
#include "gui/ccontrol.h"
#include "host/CorvaneVstEditor.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>

using namespace corvane;
using namespace corvane::test;

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kSampleRate = 48000.0f;
constexpr VstInt32 kAnnouncedBlock = 512;
constexpr int kMaxBlock = 8192;
// Wall time of the user-interface thread's run; each thread also does a minimum of work, so a
// slow (instrumented) build still covers every path.
constexpr auto kRunTime = std::chrono::milliseconds(2000);
constexpr long kMinBlocks = 64;
constexpr long kMinQueryRounds = 64;
constexpr long kMinOpenings = 4;
constexpr long kMinGestures = 4;

int uniform(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
float unit(std::mt19937& rng) {
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

struct AudioReport {
    long blocks = 0;
    long long frames = 0;
    long oversized = 0; // blocks larger than the host announced
    bool finite = true;
    float peak = 0.0f;
};

// The audio thread: MIDI just before each block (the plug-in's note state belongs to this
// thread, as hosts deliver events there), some automation playback, blocks of 1 to 8192 frames
// and a song position that moves with them, at tempos that change now and then.
void run_audio(AEffect* effect, TestHost& host, const std::atomic<bool>& stop,
               AudioReport& report) {
    std::mt19937 rng(1);
    noise_source noise(3);
    Block block(kMaxBlock);
    for (int c = 0; c < 4; ++c)
        block.fill_noise(c, noise);
    VstMidiEvent midi[4];
    EventList<4> list;
    for (int i = 0; i < 4; ++i)
        list.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);

    while (!stop.load(std::memory_order_relaxed) || report.blocks < kMinBlocks) {
        // Every sixteenth block is larger than half the largest, far above the announced size.
        const int frames =
            report.blocks % 16 == 15 ? uniform(rng, 4097, kMaxBlock) : uniform(rng, 1, 4096);
        list.numEvents = uniform(rng, 0, 4);
        for (int i = 0; i < list.numEvents; ++i) {
            const int key = uniform(rng, 0, 127);
            switch (uniform(rng, 0, 3)) {
                case 0:
                    midi[i] = midi_event(0x90 | uniform(rng, 0, 15), key, uniform(rng, 1, 127));
                    break;
                case 1:
                    midi[i] = midi_event(0x80, key, 64);
                    break;
                case 2:
                    midi[i] = midi_event(0x91, key, 0);
                    break;
                default:
                    midi[i] = midi_event(0xB0, 123, 0);
                    break;
            }
            midi[i].deltaFrames = uniform(rng, 0, frames - 1);
        }
        dispatch(effect, effProcessEvents, 0, 0, list.get());
        if (uniform(rng, 0, 3) == 0)
            effect->setParameter(effect, uniform(rng, 0, kNumParams - 1), unit(rng));
        effect->processReplacing(effect, block.in_ptr, block.out_ptr, frames);

        for (const auto& channel : block.out)
            for (int i = 0; i < frames; ++i) {
                const float x = channel[i];
                if (!std::isfinite(x)) report.finite = false;
                report.peak = std::max(report.peak, std::fabs(x));
            }
        host.time.samplePos += frames;
        host.time.ppqPos += frames * host.time.tempo / (60.0 * kSampleRate);
        if (uniform(rng, 0, 31) == 0) host.time.tempo = 40.0 + 200.0 * unit(rng);
        ++report.blocks;
        report.frames += frames;
        if (frames > kAnnouncedBlock) ++report.oversized;
    }
}

// Another host thread: program lists, values for automation lanes, capability and unit
// conversions, the editor's size, the identity.
void run_queries(AEffect* effect, const std::atomic<bool>& stop, long& rounds) {
    std::mt19937 rng(2);
    static constexpr const char* kCanDos[] = {"receiveVstMidiEvent", "1in2out", "2in1out", "bypass",
                                              ""};
    char text[256];
    char question[64];
    while (!stop.load(std::memory_order_relaxed) || rounds < kMinQueryRounds) {
        dispatch(effect, effGetProgramNameIndexed, uniform(rng, -1, kNumPrograms), -1, text);
        const VstInt32 index = uniform(rng, -1, kNumParams);
        (void)effect->getParameter(effect, index);
        dispatch(effect, effGetParamName, index, 0, text);
        dispatch(effect, effGetParamDisplay, index, 0, text);
        std::snprintf(question, sizeof question, "%s", kCanDos[uniform(rng, 0, 4)]);
        dispatch(effect, effCanDo, 0, 0, question);
        float answer = 0.0f;
        const VstInt32 request =
            uniform(rng, 0, 1) ? Corvane::kRequestToNormalised : Corvane::kRequestToDisplayUnits;
        dispatch(effect, effVendorSpecific, request, index, &answer, 2000.0f * unit(rng) - 100.0f);
        ERect* rect = nullptr;
        dispatch(effect, effEditGetRect, 0, 0, &rect);
        dispatch(effect, effGetProgram);
        dispatch(effect, effGetEffectName, 0, 0, text);
        dispatch(effect, effGetTailSize);
        ++rounds;
    }
}

std::string random_name(std::mt19937& rng) {
    static constexpr const char kLetters[] = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ0123456789";
    std::string name(uniform(rng, 0, 30), ' ');
    for (char& c : name)
        c = kLetters[uniform(rng, 0, sizeof kLetters - 2)];
    return name;
}

TEST(CorvaneStress, HostThreadsTogether) {
    TestHost host;
    host.time.sampleRate = kSampleRate;
    auto plugin = host.make_plugin();
    AEffect* effect = plugin->getAeffect();
    CorvaneEditor* editor = &static_cast<CorvaneVstEditor*>(plugin->getEditor())->editor();
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, kSampleRate);
    dispatch(effect, effSetBlockSize, 0, kAnnouncedBlock);
    dispatch(effect, effMainsChanged, 0, 1);
    dispatch(effect, effStartProcess);

    std::string names[kNumPrograms];
    char text[256] = {};
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        dispatch(effect, effGetProgramNameIndexed, p, -1, text);
        names[p] = text;
    }

    std::atomic<bool> stop{false};
    AudioReport audio_report;
    long query_rounds = 0;
    std::thread audio([&] { run_audio(effect, host, stop, audio_report); });
    std::thread queries([&] { run_queries(effect, stop, query_rounds); });

    // The user-interface thread.
    std::mt19937 rng(4);
    bool open = false;
    long openings = 0, gestures = 0, idles = 0;
    const auto deadline = Clock::now() + kRunTime;
    while (Clock::now() < deadline || openings < kMinOpenings || gestures < kMinGestures) {
        switch (uniform(rng, 0, 9)) {
            case 0:
                effect->setParameter(effect, uniform(rng, -1, kNumParams), unit(rng));
                break;
            case 1:
                if (uniform(rng, 0, 3) == 0) {
                    dispatch(effect, effBeginSetProgram);
                    dispatch(effect, effSetProgram, 0, uniform(rng, -1, kNumPrograms));
                    dispatch(effect, effEndSetProgram);
                }
                break;
            case 2: {
                const std::string name = random_name(rng);
                std::snprintf(text, sizeof text, "%s", name.c_str());
                dispatch(effect, effSetProgramName, 0, 0, text);
                names[dispatch(effect, effGetProgram)] = name.substr(0, Corvane::kProgramNameChars);
                dispatch(effect, effGetProgramName, 0, 0, text);
                break;
            }
            case 3:
                if (open) {
                    dispatch(effect, effEditClose);
                } else {
                    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 1);
                    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 0);
                    ++openings;
                }
                open = !open;
                break;
            case 4: {
                // The user drags a control: begin, a move, end.
                const VstInt32 tag = uniform(rng, 0, kNumParams - 1);
                VSTGUI::CControl* control = open ? editor->getControl(tag) : nullptr;
                if (!control) break;
                editor->beginEdit(tag);
                control->setValue(unit(rng));
                editor->valueChanged(control);
                editor->endEdit(tag);
                ++gestures;
                break;
            }
            case 5:
            case 6:
                dispatch(effect, effEditIdle);
                ++idles;
                break;
            case 7: {
                const VstInt32 index = uniform(rng, -1, kNumParams);
                dispatch(effect, effGetParamName, index, 0, text);
                dispatch(effect, effGetParamLabel, index, 0, text);
                dispatch(effect, effGetParamDisplay, index, 0, text);
                break;
            }
            default:
                for (VstInt32 i = 0; i < kNumParams; ++i)
                    (void)effect->getParameter(effect, i);
                break;
        }
    }
    // The run ends with the window open, so the audio thread's last changes have to reach it.
    if (!open) {
        EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 1);
    }
    stop.store(true);
    audio.join();
    queries.join();
    dispatch(effect, effEditIdle);

    RecordProperty("blocks", std::to_string(audio_report.blocks));
    RecordProperty("frames", std::to_string(audio_report.frames));
    RecordProperty("openings", std::to_string(openings));
    RecordProperty("gestures", std::to_string(gestures));
    RecordProperty("query_rounds", std::to_string(query_rounds));
    RecordProperty("peak", std::to_string(audio_report.peak));
    EXPECT_GE(audio_report.blocks, kMinBlocks);
    EXPECT_GE(audio_report.oversized, kMinBlocks / 16);
    EXPECT_GE(query_rounds, kMinQueryRounds);
    EXPECT_GT(idles, 0);
    EXPECT_GE(host.calls(audioMasterAutomate), gestures);
    EXPECT_EQ(host.calls(audioMasterBeginEdit), gestures);
    EXPECT_EQ(host.calls(audioMasterEndEdit), gestures);
    // What random automation makes of the sound depends on when each change lands, so its
    // level is only recorded; that every sample is finite holds for any sequence of values.
    EXPECT_TRUE(audio_report.finite);

    // Every control shows the value its parameter ended with.
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        VSTGUI::CControl* control = editor->getControl(i);
        if (!control) continue;
        const float value = effect->getParameter(effect, i);
        EXPECT_EQ(control->getValue(), i == kLfoSync ? 1.0f - value : value) << i;
    }
    // Every program keeps the name the user-interface thread gave it last.
    for (VstInt32 p = 0; p < kNumPrograms; ++p) {
        ASSERT_EQ(dispatch(effect, effGetProgramNameIndexed, p, -1, text), 1);
        EXPECT_EQ(text, names[p]) << p;
    }
    // The engine holds the settings of the values the parameters ended with: none of the
    // hand-overs lost a change or applied a stale one last.
    TestHost fresh_host;
    auto fresh = fresh_host.make_plugin();
    for (VstInt32 i = 0; i < kNumParams; ++i)
        fresh->setParameter(i, effect->getParameter(effect, i));
    Block block(64);
    block.process(*plugin);
    block.process(*fresh);
    expect_same_engine_settings(*fresh, *plugin);
    dispatch(effect, effEditClose);
}

} // namespace
