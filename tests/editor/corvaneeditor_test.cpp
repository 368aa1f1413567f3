#include "editor/corvaneeditor.h"

#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/ctwarrayview.h"
#include "engine/CCorvaneEngine.h"
#include "gui/vstgui.h"
#include "rt_probe.h"
#include "tests/editor/panel_test_util.h"
#include "tests/gui/gui_test_util.h"
#include "vst/audio_effect_x.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace VSTGUI;
namespace layout = corvane::layout;
using corvane::test::Mouse;

namespace {

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    float value;
    bool operator==(const HostCall& o) const {
        return opcode == o.opcode && index == o.index && value == o.value;
    }
};

std::vector<HostCall> g_calls;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
        opcode == audioMasterEndEdit)
        g_calls.push_back({opcode, index, opcode == audioMasterAutomate ? opt : 0.f});
    return opcode == audioMasterVersion ? 2400 : 0;
}

// A plug-in with the shape the editor relies on: it keeps the 29 normalised values, answers
// value and unit texts (the LFO Rate's depend on LFO Sync, as the real one's do) and, like the
// real one, ends every parameter change by telling its editor.
struct FakePlugin : AudioEffectX {
    FakePlugin() : AudioEffectX(&hostCallback, 1, corvane::kNumParams) {
        for (int i = 0; i < corvane::kNumParams; ++i)
            values[i] = 0.01f * float(i + 1);
    }
    std::vector<float> snapshot() const {
        return std::vector<float>(values, values + corvane::kNumParams);
    }
    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override {
        values[index] = value;
        if (auto* e = static_cast<AEffGUIEditor*>(editor)) e->setParameter(index, value);
    }
    float getParameter(VstInt32 index) override { return values[index]; }
    void getParameterDisplay(VstInt32 index, char* text) override {
        if (synced(index))
            std::strcpy(text, "1/4");
        else
            std::snprintf(text, kVstMaxParamStrLen + 1, "%.3f", values[index].load());
    }
    void getParameterLabel(VstInt32 index, char* label) override {
        std::strcpy(label, synced(index) ? "" : "Hz");
    }
    bool synced(VstInt32 index) const {
        return index == corvane::kLfoRate && values[corvane::kLfoSync] >= 0.5f;
    }
    // Written by whichever thread changes a parameter, read by the editor's.
    std::atomic<float> values[corvane::kNumParams];
};

struct EditorTest : ::testing::Test {
    EditorTest() {
        g_calls.clear();
        engine->set_sample_rate(44100.f);
        engine->reset();
    }
    ~EditorTest() override { AEffGUIEditor::knobMode = kLinearMode; }

    CFrame& frame() { return *editor->getFrame(); }
    CCorvaneKnob* knob(int tag) { return static_cast<CCorvaneKnob*>(editor->getControl(tag)); }
    // What the plug-in's control tick would have added: ticks × 32 samples of silence, with the
    // envelope held at 1.0 by a MIDI gate of 0.1 (the follower multiplies by 10).
    void render(int ticks) {
        engine->set_normalised_parameter(CCorvaneEngine::env_trigger, 1.f / 3.f);
        engine->set_parameter(CCorvaneEngine::env_attack, 0.f);
        engine->set_note_gate(0.1f);
        std::vector<float> l(32 * ticks), r(32 * ticks);
        float* out[2] = {l.data(), r.data()};
        engine->process_buffers(nullptr, out, 2, 2, 0, 32 * ticks);
    }
    // A new editor in place of the fixture's (the plug-in deletes only the editor it holds).
    void replaceEditor() {
        delete editor;
        editor = new CorvaneEditor(&plugin, engine.get());
    }

    // The engine outlives the plug-in, which deletes its editor.
    std::unique_ptr<CCorvaneEngine> engine = std::make_unique<CCorvaneEngine>();
    FakePlugin plugin;
    CorvaneEditor* editor = new CorvaneEditor(&plugin, engine.get());
};

TEST_F(EditorTest, AttachesItselfWithTheBackgroundsRectangleAndLinearKnobs) {
    AEffGUIEditor::knobMode = kCircularMode;
    replaceEditor();
    EXPECT_EQ(plugin.getEditor(), editor);
    EXPECT_NE(plugin.getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(AEffGUIEditor::knobMode, kLinearMode);
    ERect* r = nullptr;
    ASSERT_TRUE(editor->getRect(&r));
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 302);
    EXPECT_EQ(r->right, 730);
    EXPECT_FALSE(editor->isOpen());
}

// The host reaches the editor only through the plug-in's dispatcher.
TEST_F(EditorTest, AnswersTheHostsEditorRequests) {
    AEffect* e = plugin.getAeffect();
    ERect* r = nullptr;
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &r, 0.f), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right, 730);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.f), 1);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.f), 0);
    EXPECT_EQ(e->dispatcher(e, effSetEditKnobMode, 0, kCircularMode, nullptr, 0.f), 1);
    EXPECT_EQ(frame().getKnobMode(), kCircularMode);
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', 0, nullptr, 0.f), 0);
    e->setParameter(e, corvane::kRevDecay, 0.8f);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kRevDecay)->getValue(), 0.8f);
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
    EXPECT_EQ(editor->getFrame(), nullptr);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
}

TEST_F(EditorTest, OpenBuildsTheThirtyTwoViewsShowingThePluginsValues) {
    plugin.values[corvane::kLfoSync] = 1.f;
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(frame().getViewSize(), CRect(0, 0, 730, 302));
    EXPECT_EQ(frame().getBackgroundColor(), CColor(127, 127, 127, 255));
    ASSERT_EQ(frame().getNbViews(), layout::kViewCount);
    for (int i = 0; i < layout::kViewCount; ++i) {
        const layout::ViewSpec& item = layout::kViews[i];
        CView* v = frame().getView(i);
        EXPECT_TRUE(v->isTypeOf(corvane::test::className(item.kind))) << i;
        EXPECT_EQ(v->getViewSize(), CRect(item.x, item.y, item.x + item.w, item.y + item.h)) << i;
        if (item.tag < 0 || item.tag >= corvane::kNumParams) continue;
        auto* c = static_cast<CControl*>(v);
        EXPECT_EQ(c->getTag(), item.tag) << i;
        EXPECT_EQ(editor->getControl(item.tag), c) << i;
        EXPECT_EQ(c->getListener(), editor) << i;
        const float expected = plugin.values[item.tag];
        EXPECT_FLOAT_EQ(c->getValue(), item.tag == corvane::kLfoSync ? 1.f - expected : expected);
        if (item.kind == layout::ViewKind::Knob) {
            auto* k = static_cast<CCorvaneKnob*>(v);
            EXPECT_EQ(k->getValueText(), editor->readout(item.tag)) << i;
            EXPECT_EQ(k->getShownText(), item.label) << i;
        }
    }
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getValueText(), "0.060Hz");
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "1/4");
    EXPECT_EQ(editor->getControl(corvane::kLfoTrigger), nullptr);
    EXPECT_EQ(static_cast<CControl*>(frame().getView(31))->getTag(), layout::kAboutTag);
    EXPECT_EQ(editor->getLFOView(), frame().getView(28));
    EXPECT_EQ(editor->getEnvView(), frame().getView(29));
    ASSERT_NE(editor->getTimer(), nullptr);
    EXPECT_TRUE(editor->getTimer()->isRunning());
    EXPECT_EQ(editor->getTimer()->getFireTime(), 30);
}

TEST_F(EditorTest, SecondOpenReturnsFalseAndKeepsTheWindow) {
    ASSERT_TRUE(editor->open(nullptr));
    CFrame* first = editor->getFrame();
    EXPECT_FALSE(editor->open(nullptr));
    EXPECT_EQ(editor->getFrame(), first);
    EXPECT_EQ(first->getNbViews(), layout::kViewCount);
}

TEST_F(EditorTest, HostChangesReachTheControlsOnIdle) {
    ASSERT_TRUE(editor->open(nullptr));
    plugin.setParameter(corvane::kFilterCutoff, 0.75f);
    plugin.setParameter(corvane::kFilterType, 1.f);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), 0.06f);
    editor->idle();
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), 0.75f);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getValueText(), "0.750Hz");
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterType)->getValue(), 1.f);
    // The host changes parameters; it is not told about its own changes.
    EXPECT_TRUE(g_calls.empty());
}

// LFO Sync's switch is the parameter upside down, and the rate reads differently with it.
TEST_F(EditorTest, LfoSyncIsInvertedBothWaysAndRefreshesTheRateReadout) {
    ASSERT_TRUE(editor->open(nullptr));
    CControl* sync = editor->getControl(corvane::kLfoSync);
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "0.120Hz");
    plugin.setParameter(corvane::kLfoSync, 1.f);
    editor->idle();
    EXPECT_EQ(sync->getValue(), 0.f);
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "1/4");

    // The user puts the switch in its lower position (value 1): sync goes off.
    Mouse m{frame()};
    m.move(275, 270);
    m.down(275, 270);
    m.up(275, 270);
    EXPECT_EQ(sync->getValue(), 1.f);
    EXPECT_EQ(plugin.values[corvane::kLfoSync], 0.f);
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "0.120Hz");
    const std::vector<HostCall> expected = {{audioMasterBeginEdit, corvane::kLfoSync, 0.f},
                                            {audioMasterAutomate, corvane::kLfoSync, 0.f},
                                            {audioMasterEndEdit, corvane::kLfoSync, 0.f}};
    EXPECT_EQ(g_calls, expected);
}

TEST_F(EditorTest, ParametersWithoutAControlChangeNothing) {
    ASSERT_TRUE(editor->open(nullptr));
    editor->idle();
    std::vector<float> before;
    std::vector<std::string> texts;
    for (int tag = 0; tag < corvane::kNumParams; ++tag) {
        CControl* c = editor->getControl(tag);
        before.push_back(c != nullptr ? c->getValue() : -1.f);
        texts.push_back(c != nullptr && c->isTypeOf("CCorvaneKnob") ? knob(tag)->getValueText()
                                                                    : "");
    }
    for (VstInt32 index : {VstInt32(corvane::kLfoTrigger), 29, 30, -1, 1000})
        editor->setParameter(index, 0.9f);
    editor->idle();
    for (int tag = 0; tag < corvane::kNumParams; ++tag) {
        CControl* c = editor->getControl(tag);
        EXPECT_EQ(c != nullptr ? c->getValue() : -1.f, before[tag]) << tag;
        if (c != nullptr && c->isTypeOf("CCorvaneKnob")) {
            EXPECT_EQ(knob(tag)->getValueText(), texts[tag]) << tag;
        }
    }
}

TEST_F(EditorTest, ChangesWhileClosedAreDroppedAndReopeningBuildsAFreshWindow) {
    editor->setParameter(corvane::kRevMix, 0.9f); // never opened: nothing to move
    ASSERT_TRUE(editor->open(nullptr));
    Mouse m{frame()};
    m.move(150, 150);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(), "0.060Hz");
    editor->close();
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->getControl(corvane::kFilterCutoff), nullptr);
    EXPECT_EQ(editor->getTimer(), nullptr);

    editor->setParameter(corvane::kFilterCutoff, 0.9f); // closed: dropped
    plugin.values[corvane::kRevMix] = 0.4f;             // changed behind the editor's back
    editor->idle();
    ASSERT_TRUE(editor->open(nullptr));
    editor->idle();
    EXPECT_EQ(frame().getNbViews(), layout::kViewCount);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), 0.06f);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kRevMix)->getValue(), 0.4f);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(), "CUTOFF");
    EXPECT_EQ(frame().getHoverView(), nullptr);
}

TEST_F(EditorTest, ClickingTheAboutAreaShowsTheAboutScreenAndChangesNoParameter) {
    ASSERT_TRUE(editor->open(nullptr));
    const std::vector<float> values = plugin.snapshot();
    Mouse m{frame()};
    m.move(60, 20);
    m.down(60, 20);
    m.up(60, 20);
    editor->idle();
    auto* about = static_cast<CSplashScreen*>(frame().getView(31));
    EXPECT_TRUE(about->isSplashed());
    EXPECT_EQ(frame().getModalView(), about);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(plugin.snapshot(), values);
    m.down(400, 200); // anywhere on the about screen closes it
    EXPECT_FALSE(about->isSplashed());
    EXPECT_TRUE(g_calls.empty());
}

// The drag a user makes on the cutoff knob: one gesture, automated values in between, and the
// read-out follows the knob at once.
TEST_F(EditorTest, DraggingAKnobAutomatesItsParameterInsideOneGesture) {
    ASSERT_TRUE(editor->open(nullptr));
    Mouse m{frame()};
    m.move(168, 180);
    m.down(168, 180);
    m.move(168, 160, kLButton);
    const float dragged = plugin.values[corvane::kFilterCutoff];
    EXPECT_GT(dragged, 0.06f);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(),
              editor->readout(corvane::kFilterCutoff));
    m.up(168, 160);
    ASSERT_GE(g_calls.size(), 3u);
    EXPECT_EQ(g_calls.front(), (HostCall{audioMasterBeginEdit, corvane::kFilterCutoff, 0.f}));
    EXPECT_EQ(g_calls.back(), (HostCall{audioMasterEndEdit, corvane::kFilterCutoff, 0.f}));
    for (size_t i = 1; i + 1 < g_calls.size(); ++i) {
        EXPECT_EQ(g_calls[i].opcode, audioMasterAutomate);
        EXPECT_EQ(g_calls[i].index, corvane::kFilterCutoff);
    }
    EXPECT_EQ(g_calls[g_calls.size() - 2].value, dragged);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), dragged);
}

// The default-value click returns a control to its parameter's default, in the switch's own
// sense for the inverted LFO Sync.
TEST_F(EditorTest, DefaultValueClickReturnsToTheParametersDefault) {
    float defaults[corvane::kNumParams];
    for (int i = 0; i < corvane::kNumParams; ++i)
        defaults[i] = 0.25f;
    defaults[corvane::kFilterCutoff] = 0.5663233f;
    defaults[corvane::kLfoSync] = 1.0f;
    editor->setParameterDefaults(defaults);
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(editor->getControl(corvane::kLfoSync)->getDefaultValue(), 0.0f);
    EXPECT_EQ(editor->getControl(corvane::kMix)->getDefaultValue(), 0.25f);
    Mouse m{frame()};
    m.move(168, 180);
    m.down(168, 180, kLButton | kDefaultValueModifier);
    m.up(168, 180);
    EXPECT_EQ(plugin.values[corvane::kFilterCutoff], 0.5663233f);
}

TEST_F(EditorTest, TimerTicksPollTheDisplayAndMoveBothGraphsWithTheEngine) {
    render(20); // accumulated while closed: dropped by open
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(engine->history_index(), 0);
    CTWArrayView* env = editor->getEnvView();
    CTWArrayView* lfo = editor->getLFOView();
    EXPECT_EQ(env->getCount(), CCorvaneEngine::history_size);
    EXPECT_EQ(lfo->getCount(), CCorvaneEngine::history_size);
    EXPECT_EQ(env->pointAt(128).y, 195); // flat along the bottom

    render(10);
    editor->notify(editor->getTimer(), CVSTGUITimer::kMsgTimer);
    EXPECT_EQ(engine->envelope_history()[0], 1.f);
    EXPECT_EQ(engine->history_index(), 1);
    EXPECT_EQ(env->getIndex(), 1);
    EXPECT_EQ(lfo->getIndex(), 1);
    // The newest entry is the last point, at the right.
    EXPECT_NEAR(env->pointAt(128).y, 196 - 1 - 4.3, 1e-5);

    // The real timer: due 30 ms after open, fired from the frame's idle.
    EXPECT_EQ(
        CVSTGUITimer::fireDueTimers(CVSTGUITimer::Clock::now() + std::chrono::milliseconds(31)), 1);
    EXPECT_EQ(engine->history_index(), 2);
    EXPECT_EQ(env->getIndex(), 2);
    for (int i = 0; i < 127; ++i)
        editor->notify(nullptr, nullptr);
    EXPECT_EQ(engine->history_index(), 0);
    EXPECT_EQ(env->getIndex(), 0);
    EXPECT_EQ(lfo->getIndex(), 0);

    editor->close();
    CVSTGUITimer::fireDueTimers(CVSTGUITimer::Clock::now() + std::chrono::hours(1));
    EXPECT_EQ(engine->history_index(), 0);
}

TEST_F(EditorTest, WithoutAnyResourceTheEditorStillOpensAndWorks) {
    corvane::resources::ScopedResourceOverride o;
    o.hideAll();
    replaceEditor();
    ERect* r = nullptr;
    ASSERT_TRUE(editor->getRect(&r));
    EXPECT_EQ(r->right, 0);
    EXPECT_EQ(r->bottom, 0);
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getNbViews(), layout::kViewCount);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getValueText(), "0.060Hz");
    frame().render();
    editor->valueChanged(editor->getControl(corvane::kRevColor));
    editor->notify(nullptr, nullptr);
    editor->idle();
    EXPECT_EQ(g_calls.size(), 1u);
    editor->close();
}

TEST_F(EditorTest, WithoutAPluginOrEngineNothingBreaks) {
    CorvaneEditor lone(nullptr, nullptr);
    ASSERT_TRUE(lone.open(nullptr));
    EXPECT_EQ(lone.readout(5), "");
    lone.setParameter(5, 0.5f);
    lone.idle();
    lone.valueChanged(lone.getControl(5));
    lone.notify(nullptr, nullptr);
    EXPECT_EQ(lone.getEnvView()->getCount(), 0);
    lone.close();
}

// The plug-in calls setParameter from whatever thread changed the parameter: posting takes no
// lock and allocates nothing, and the user-interface thread ends up with the latest value.
TEST_F(EditorTest, SetParameterFromAnotherThreadIsRealtimeSafeAndArrivesOnIdle) {
    ASSERT_TRUE(editor->open(nullptr));
    {
        corvane::test::RealtimeProbe probe;
        editor->setParameter(corvane::kMix, 0.25f);
        EXPECT_EQ(probe.allocations(), 0);
        EXPECT_EQ(probe.locks(), 0);
    }
    std::atomic<bool> done{false};
    std::thread automation([&] {
        for (int i = 0; i <= 2000; ++i)
            plugin.setParameter(corvane::kVca, float(i) / 2000.f);
        done.store(true);
    });
    while (!done.load())
        editor->idle();
    automation.join();
    editor->idle();
    EXPECT_EQ(editor->getControl(corvane::kVca)->getValue(), 1.f);
    EXPECT_EQ(knob(corvane::kVca)->getValueText(), "1.000Hz");
    EXPECT_EQ(editor->getControl(corvane::kMix)->getValue(), 0.25f);
}

} // namespace
