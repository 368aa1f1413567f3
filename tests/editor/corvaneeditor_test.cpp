#include "editor/corvaneeditor.h"

#include "editor/ccorvaneknob.h"
#include "editor/corvane_layout.h"
#include "editor/ctwarrayview.h"
#include "engine/CCorvaneEngine.h"
#include "gui/vstgui.h"
#include "processor/CorvaneChangeMailbox.h"
#include "processor/CorvaneDisplayHistory.h"
#include "processor/CorvaneEditorView.h"
#include "tests/editor/fake_editor_view.h"
#include "tests/editor/panel_test_util.h"
#include "tests/gui/gui_test_util.h"

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
using namespace corvane::test;

namespace {

// The table's views, then the program browser and the help bubble.
constexpr int kWindowViews = layout::kViewCount + 2;

struct EditorTest : ::testing::Test {
    EditorTest() {
        g_calls.clear();
        engine->set_sample_rate(44100.f);
        engine->reset();
        engine->set_display(&view.history.sums());
    }
    ~EditorTest() override { delete editor; }

    CFrame& frame() { return *editor->getFrame(); }
    CCorvaneKnob* knob(int tag) { return static_cast<CCorvaneKnob*>(editor->getControl(tag)); }
    // What the processor's control tick would have added: ticks × 32 samples of silence, with
    // the envelope held at 1.0 by a MIDI gate of 0.1 (the follower multiplies by 10).
    void render(int ticks) {
        engine->set_normalised_parameter(CCorvaneEngine::env_trigger, 1.f / 3.f);
        engine->set_parameter(CCorvaneEngine::env_attack, 0.f);
        engine->set_note_gate(0.1f);
        std::vector<float> l(32 * ticks), r(32 * ticks);
        float* out[2] = {l.data(), r.data()};
        engine->process_buffers(nullptr, out, 2, 2, 0, 32 * ticks);
    }
    void replaceEditor() {
        delete editor;
        editor = new CorvaneEditor(&view);
    }

    FakeView view;
    std::unique_ptr<CCorvaneEngine> engine = std::make_unique<CCorvaneEngine>();
    CorvaneEditor* editor = new CorvaneEditor(&view);
};

TEST_F(EditorTest, IsTheBackgroundsSizeAndStartsClosedWithLinearKnobs) {
    EXPECT_EQ(editor->width(), 730);
    EXPECT_EQ(editor->height(), 302);
    EXPECT_EQ(editor->getKnobMode(), kLinearMode);
    EXPECT_FALSE(editor->isOpen());
}

TEST_F(EditorTest, OpenBuildsTheThirtyTwoViewsShowingThePluginsValues) {
    view.values[corvane::kLfoSync] = 1.f;
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(frame().getViewSize(), CRect(0, 0, 730, 302));
    EXPECT_EQ(frame().getBackgroundColor(), CColor(127, 127, 127, 255));
    ASSERT_EQ(frame().getNbViews(), kWindowViews);
    for (int i = 0; i < layout::kViewCount; ++i) {
        const layout::ViewItem& item = layout::kViews[i];
        CView* v = frame().getView(i);
        EXPECT_TRUE(v->isTypeOf(corvane::test::className(item.kind))) << i;
        EXPECT_EQ(v->getViewSize(), CRect(item.x, item.y, item.x + item.w, item.y + item.h)) << i;
        if (item.tag < 0 || item.tag >= corvane::kNumParams) continue;
        auto* c = static_cast<CControl*>(v);
        EXPECT_EQ(c->getTag(), item.tag) << i;
        EXPECT_EQ(editor->getControl(item.tag), c) << i;
        EXPECT_EQ(c->getListener(), editor) << i;
        const float expected = view.values[item.tag];
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
    EXPECT_EQ(first->getNbViews(), kWindowViews);
}

TEST_F(EditorTest, HostChangesReachTheControlsOnIdle) {
    ASSERT_TRUE(editor->open(nullptr));
    view.setParameter(corvane::kFilterCutoff, 0.75f);
    view.setParameter(corvane::kFilterType, 1.f);
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
    view.setParameter(corvane::kLfoSync, 1.f);
    editor->idle();
    EXPECT_EQ(sync->getValue(), 0.f);
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "1/4");

    // The user puts the switch in its lower position (value 1): sync goes off.
    Mouse m{frame()};
    m.move(275, 270);
    m.down(275, 270);
    m.up(275, 270);
    EXPECT_EQ(sync->getValue(), 1.f);
    EXPECT_EQ(view.values[corvane::kLfoSync], 0.f);
    EXPECT_EQ(knob(corvane::kLfoRate)->getValueText(), "0.120Hz");
    const std::vector<GestureCall> expected = {{kBegin, corvane::kLfoSync, 0.f},
                                               {kValue, corvane::kLfoSync, 0.f},
                                               {kEnd, corvane::kLfoSync, 0.f}};
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
    view.setParameter(corvane::kLfoTrigger, 0.9f);
    for (int index : {29, 30, -1, 1000})
        view.changes.raiseOne(index);
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
    view.changes.raiseOne(corvane::kRevMix); // never opened: nothing to move
    ASSERT_TRUE(editor->open(nullptr));
    Mouse m{frame()};
    m.move(150, 150);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(), "0.060Hz");
    editor->close();
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->getControl(corvane::kFilterCutoff), nullptr);
    EXPECT_EQ(editor->getTimer(), nullptr);

    view.changes.raiseOne(corvane::kFilterCutoff); // a notice without a new value
    view.values[corvane::kRevMix] = 0.4f;          // changed behind the editor's back
    editor->idle();
    ASSERT_TRUE(editor->open(nullptr));
    editor->idle();
    EXPECT_EQ(frame().getNbViews(), kWindowViews);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), 0.06f);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kRevMix)->getValue(), 0.4f);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(), "CUTOFF");
    EXPECT_EQ(frame().getHoverView(), nullptr);
}

TEST_F(EditorTest, ClickingTheAboutAreaShowsTheAboutScreenAndChangesNoParameter) {
    ASSERT_TRUE(editor->open(nullptr));
    const std::vector<float> values = view.snapshot();
    Mouse m{frame()};
    m.move(60, 20);
    m.down(60, 20);
    m.up(60, 20);
    editor->idle();
    auto* about = static_cast<CSplashScreen*>(frame().getView(31));
    EXPECT_TRUE(about->isSplashed());
    EXPECT_EQ(frame().getModalView(), about);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(view.snapshot(), values);
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
    const float dragged = view.values[corvane::kFilterCutoff];
    EXPECT_GT(dragged, 0.06f);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getShownText(),
              editor->readout(corvane::kFilterCutoff));
    m.up(168, 160);
    ASSERT_GE(g_calls.size(), 3u);
    EXPECT_EQ(g_calls.front(), (GestureCall{kBegin, corvane::kFilterCutoff, 0.f}));
    EXPECT_EQ(g_calls.back(), (GestureCall{kEnd, corvane::kFilterCutoff, 0.f}));
    for (size_t i = 1; i + 1 < g_calls.size(); ++i) {
        EXPECT_EQ(g_calls[i].gesture, kValue);
        EXPECT_EQ(g_calls[i].index, corvane::kFilterCutoff);
    }
    EXPECT_EQ(g_calls[g_calls.size() - 2].value, dragged);
    EXPECT_FLOAT_EQ(editor->getControl(corvane::kFilterCutoff)->getValue(), dragged);
}

// The default-value click returns a control to its parameter's default, in the switch's own
// sense for the inverted LFO Sync.
TEST_F(EditorTest, DefaultValueClickReturnsToTheParametersDefault) {
    for (int i = 0; i < corvane::kNumParams; ++i)
        view.defaults[i] = 0.25f;
    view.defaults[corvane::kFilterCutoff] = 0.5663233f;
    view.defaults[corvane::kLfoSync] = 1.0f;
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(editor->getControl(corvane::kLfoSync)->getDefaultValue(), 0.0f);
    EXPECT_EQ(editor->getControl(corvane::kMix)->getDefaultValue(), 0.25f);
    Mouse m{frame()};
    m.move(168, 180);
    m.down(168, 180, kLButton | kDefaultValueModifier);
    m.up(168, 180);
    EXPECT_EQ(view.values[corvane::kFilterCutoff], 0.5663233f);
}

TEST_F(EditorTest, TimerTicksPollTheDisplayAndMoveBothGraphsWithTheEngine) {
    render(20); // accumulated while closed: dropped by open
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(view.history.index(), 0);
    CTWArrayView* env = editor->getEnvView();
    CTWArrayView* lfo = editor->getLFOView();
    EXPECT_EQ(env->getCount(), CorvaneDisplayHistory::kSize);
    EXPECT_EQ(lfo->getCount(), CorvaneDisplayHistory::kSize);
    EXPECT_EQ(env->pointAt(128).y, 195); // flat along the bottom

    render(10);
    editor->notify(editor->getTimer(), CVSTGUITimer::kMsgTimer);
    EXPECT_EQ(view.history.envelope()[0], 1.f);
    EXPECT_EQ(view.history.index(), 1);
    EXPECT_EQ(env->getIndex(), 1);
    EXPECT_EQ(lfo->getIndex(), 1);
    // The newest entry is the last point, at the right.
    EXPECT_NEAR(env->pointAt(128).y, 196 - 1 - 4.3, 1e-5);

    // The real timer: due 30 ms after open, fired from the frame's idle.
    EXPECT_EQ(
        CVSTGUITimer::fireDueTimers(CVSTGUITimer::Clock::now() + std::chrono::milliseconds(31)), 1);
    EXPECT_EQ(view.history.index(), 2);
    EXPECT_EQ(env->getIndex(), 2);
    for (int i = 0; i < 127; ++i)
        editor->notify(nullptr, nullptr);
    EXPECT_EQ(view.history.index(), 0);
    EXPECT_EQ(env->getIndex(), 0);
    EXPECT_EQ(lfo->getIndex(), 0);

    editor->close();
    CVSTGUITimer::fireDueTimers(CVSTGUITimer::Clock::now() + std::chrono::hours(1));
    EXPECT_EQ(view.history.index(), 0);
}

TEST_F(EditorTest, WithoutAnyResourceTheEditorStillOpensAndWorks) {
    corvane::resources::ScopedResourceOverride o;
    o.hideAll();
    replaceEditor();
    EXPECT_EQ(editor->width(), 0);
    EXPECT_EQ(editor->height(), 0);
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_EQ(frame().getNbViews(), kWindowViews);
    EXPECT_EQ(knob(corvane::kFilterCutoff)->getValueText(), "0.060Hz");
    frame().render();
    editor->valueChanged(editor->getControl(corvane::kRevColor));
    editor->notify(nullptr, nullptr);
    editor->idle();
    EXPECT_EQ(g_calls.size(), 1u);
    editor->close();
}

TEST_F(EditorTest, WithoutAViewNothingBreaks) {
    CorvaneEditor lone(nullptr);
    ASSERT_TRUE(lone.open(nullptr));
    EXPECT_EQ(lone.readout(5), "");
    lone.idle();
    lone.valueChanged(lone.getControl(5));
    lone.notify(nullptr, nullptr);
    EXPECT_EQ(lone.getEnvView()->getCount(), 0);
    lone.close();
}

// Changes from another thread reach the controls on idle; the user-interface thread ends up
// with the latest value.
TEST_F(EditorTest, ChangesFromAnotherThreadArriveOnIdle) {
    ASSERT_TRUE(editor->open(nullptr));
    view.setParameter(corvane::kMix, 0.25f);
    std::atomic<bool> done{false};
    std::thread automation([&] {
        for (int i = 0; i <= 2000; ++i)
            view.setParameter(corvane::kVca, float(i) / 2000.f);
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
