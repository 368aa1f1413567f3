// The editor as its users drive it, on the real processor: values typed in every form, fine
// dragging, the program browser with the user's presets in a scratch data folder, hostile preset
// files, and the help bubble. Synthetic events, offscreen window.

#include "editor/ccorvaneknob.h"
#include "editor/chelpbubble.h"
#include "editor/corvane_layout.h"
#include "editor/corvane_preset_browser.h"
#include "editor/corvaneeditor.h"
#include "gui/vstgui.h"
#include "params/tw_paramManager.h"
#include "processor/CorvaneProcessor.h"
#include "temp_dir.h"
#include "tests/gui/gui_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace VSTGUI;
using namespace corvane;
using corvane::test::Mouse;

namespace {

struct Gesture {
    char what; // 'b' begin, 'v' value, 'e' end, 'p' program selected
    int index;
    float value;
};

struct Recorder : CorvaneGestureListener {
    void gestureBegin(int index) override { calls.push_back({'b', index, 0.f}); }
    void gestureValue(int index, float value) override { calls.push_back({'v', index, value}); }
    void gestureEnd(int index) override { calls.push_back({'e', index, 0.f}); }
    void programSelected(int program) override { calls.push_back({'p', program, 0.f}); }
    std::vector<Gesture> calls;
};

class EditorUser : public ::testing::Test {
protected:
    EditorUser() {
        // The presets go where the environment says: a scratch folder of the test's own.
        const char* old = std::getenv("XDG_DATA_HOME");
        if (old != nullptr) savedData = old;
        hadData = old != nullptr;
        setenv("XDG_DATA_HOME", scratch.file("").c_str(), 1);
        processor.setGestureListener(&recorder);
        editor = new CorvaneEditor(&processor.editorView());
        editor->open(nullptr);
    }
    ~EditorUser() override {
        editor->close();
        editor->forget();
        if (hadData)
            setenv("XDG_DATA_HOME", savedData.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }

    CFrame& frame() { return *editor->getFrame(); }
    Mouse mouse() { return Mouse{frame()}; }
    void type(const std::string& text) {
        for (const char c : text) {
            CKeyCode key;
            key.character = c;
            frame().onKeyDown(key);
        }
    }
    void press(int32_t virt) {
        CKeyCode key;
        key.virt = virt;
        frame().onKeyDown(key);
    }
    CPoint centreOf(int tag) {
        const CRect& r = editor->getControl(tag)->getViewSize();
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void hover(int tag) {
        const CPoint c = centreOf(tag);
        mouse().move(c.x, c.y);
    }
    // Enter over the control, the text, Enter.
    void typeValue(int tag, const std::string& text) {
        hover(tag);
        press(kKeyReturn);
        ASSERT_NE(editor->getTypeInField(), nullptr);
        type(text);
        press(kKeyReturn);
    }
    std::string readout(int tag) { return editor->readout(tag); }
    void click(const CRect& r) {
        const CPoint c((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        mouse().move(c.x, c.y);
        mouse().down(c.x, c.y);
        mouse().up(c.x, c.y);
    }
    CorvanePresetBrowser& browser() { return editor->presetBrowser(); }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            editor->notify(editor->getTimer(), CVSTGUITimer::kMsgTimer);
    }

    test::TempDir scratch;
    std::string savedData;
    bool hadData = false;
    CorvaneProcessor processor;
    Recorder recorder;
    CorvaneEditor* editor = nullptr;
};

// Every form for every kind of parameter, typed over its control: each one gesture, landing on
// the read-out the text names. Knobs and switches alike take Enter.
TEST_F(EditorUser, TypedValuesOfEveryFormBecomeOneGestureEach) {
    processor.setParameter(kLfoSync, 0.0f);
    const struct {
        int tag;
        const char* text;
        const char* shows;
    } cases[] = {
        {kFilterCutoff, "1.5k", "1500Hz"}, {kFilterCutoff, "800 Hz", "800Hz"},
        {kFilterCutoff, "2000", "2000Hz"}, {kInput, "-6 dB", "-6dB"},
        {kFeedback, "-12", "-12dB"},       {kMix, "30%", "30%"},
        {kRevDecay, "75", "75"},           {kRevColor, "-40", "-40"},
        {kLfoPhase, "90 deg", "90deg"},    {kLfoRate, "120 ms", "8.33Hz"},
        {kFilterType, "BP", nullptr},      {kEnvTrigger, "SIDECH", nullptr},
        {kLfoShape, "sine", nullptr},      {kBypass, "on", nullptr},
        {kFilterCutoff, "99k", "20000Hz"}, // clamps
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        recorder.calls.clear();
        typeValue(c.tag, c.text);
        EXPECT_EQ(editor->getTypeInField(), nullptr);
        ASSERT_EQ(recorder.calls.size(), 3u);
        EXPECT_EQ(recorder.calls[0].what, 'b');
        EXPECT_EQ(recorder.calls[1].what, 'v');
        EXPECT_EQ(recorder.calls[2].what, 'e');
        for (const Gesture& g : recorder.calls)
            EXPECT_EQ(g.index, c.tag);
        float expected = -1.f;
        ASSERT_TRUE(processor.textToNormalised(c.tag, c.text, expected));
        EXPECT_EQ(processor.getParameter(c.tag), expected);
        if (c.shows != nullptr) {
            std::string shown = readout(c.tag);
            shown.erase(0, shown.find_first_not_of(' '));
            EXPECT_EQ(shown, c.shows);
        }
    }
    // A tempo division while the LFO is synchronised, on the same knob.
    processor.setParameter(kLfoSync, 1.0f);
    editor->idle();
    typeValue(kLfoRate, "1/8T");
    EXPECT_EQ(readout(kLfoRate), "1/8 T");
}

TEST_F(EditorUser, TextThatDoesNotParseLeavesTheValueAndSaysSo) {
    const float before = processor.getParameter(kFilterCutoff);
    recorder.calls.clear();
    typeValue(kFilterCutoff, "loud");
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(processor.getParameter(kFilterCutoff), before);
    auto* knob = static_cast<CCorvaneKnob*>(editor->getControl(kFilterCutoff));
    EXPECT_EQ(knob->getShownText(), "NO VALUE");
    EXPECT_NE(editor->getHelpBubble()->getText().find("\"loud\" is not a value"),
              std::string::npos);
    // Gone after its time.
    tick(CorvaneEditor::kMessageTicks);
    EXPECT_EQ(editor->getHelpBubble()->getText(), "");
}

// Escape and a click outside the field cancel; a double click on a knob opens the field with
// the value shown, selected, so that typing replaces it.
TEST_F(EditorUser, EscapeOrAClickOutsideCancelsAndADoubleClickOpens) {
    const float before = processor.getParameter(kMix);
    recorder.calls.clear();
    hover(kMix);
    press(kKeyReturn);
    type("10");
    press(kKeyEscape);
    EXPECT_EQ(editor->getTypeInField(), nullptr);
    hover(kMix);
    press(kKeyReturn);
    type("10");
    mouse().down(5, 295);
    EXPECT_EQ(editor->getTypeInField(), nullptr);
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(processor.getParameter(kMix), before);

    const CPoint c = centreOf(kMix);
    mouse().move(c.x, c.y);
    mouse().down(c.x, c.y);
    mouse().up(c.x, c.y);
    mouse().down(c.x, c.y, kLButton | kDoubleClick);
    ASSERT_NE(editor->getTypeInField(), nullptr);
    std::string shown = readout(kMix);
    shown.erase(0, shown.find_first_not_of(' '));
    EXPECT_EQ(editor->getTypeInField()->getText(), shown);
    type("25");
    press(kKeyReturn);
    EXPECT_NEAR(processor.parameterInfo().toReal(kMix, processor.getParameter(kMix)), 25.f, 0.01f);
}

// Shift pressed or released in the middle of a drag keeps the knob where it is; only the rate
// changes (ten times finer), and the read-out follows the value all along.
TEST_F(EditorUser, ShiftMidDragChangesOnlyTheRate) {
    const CPoint c = centreOf(kFilterCutoff);
    auto* knob = static_cast<CCorvaneKnob*>(editor->getControl(kFilterCutoff));
    const float start = processor.getParameter(kFilterCutoff);
    mouse().move(c.x, c.y);
    mouse().down(c.x, c.y);
    mouse().move(c.x, c.y - 20, kLButton);
    const float coarse = processor.getParameter(kFilterCutoff);
    EXPECT_EQ(knob->getShownText(), readout(kFilterCutoff));
    mouse().move(c.x, c.y - 20, kLButton | kShift);
    EXPECT_EQ(processor.getParameter(kFilterCutoff), coarse);
    mouse().move(c.x, c.y - 40, kLButton | kShift);
    const float fine = processor.getParameter(kFilterCutoff);
    EXPECT_NEAR(fine - coarse, (coarse - start) / 10.f, 1e-5f);
    EXPECT_EQ(knob->getShownText(), readout(kFilterCutoff));
    mouse().move(c.x, c.y - 40, kLButton);
    EXPECT_EQ(processor.getParameter(kFilterCutoff), fine);
    mouse().move(c.x, c.y - 60, kLButton);
    EXPECT_NEAR(processor.getParameter(kFilterCutoff) - fine, coarse - start, 1e-5f);
    mouse().up(c.x, c.y - 60);
}

// The arrows step through the programs, round; the list selects one; the mark shows values
// that differ from the program as loaded.
TEST_F(EditorUser, TheBrowserStepsListsAndMarksChanges) {
    CProgramBrowser* b = browser().getBrowser();
    ASSERT_NE(b, nullptr);
    char name[32];
    processor.programName(name);
    EXPECT_EQ(b->getName(), name);
    EXPECT_FALSE(b->isModified());
    click(b->nextArrow());
    EXPECT_EQ(processor.program(), 1);
    ASSERT_FALSE(recorder.calls.empty());
    EXPECT_EQ(recorder.calls.back().what, 'p');
    click(b->previousArrow());
    click(b->previousArrow());
    EXPECT_EQ(processor.program(), 19);
    processor.programName(name);
    EXPECT_EQ(b->getName(), name);

    click(b->getViewSize());
    CProgramList* list = browser().getList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(frame().getModalView(), list);
    click(list->factoryRow(4));
    EXPECT_EQ(processor.program(), 4);
    EXPECT_EQ(browser().getList(), nullptr);
    EXPECT_EQ(frame().getModalView(), nullptr);

    typeValue(kMix, "1%");
    tick();
    EXPECT_TRUE(b->isModified());
    // A host's program change is a fresh start too.
    processor.setProgram(7);
    tick();
    EXPECT_FALSE(b->isModified());
    processor.programName(name);
    EXPECT_EQ(b->getName(), name);
    // Escape or a click outside closes the list.
    click(b->getViewSize());
    press(kKeyEscape);
    EXPECT_EQ(browser().getList(), nullptr);
    click(b->getViewSize());
    mouse().down(2, 2);
    EXPECT_EQ(browser().getList(), nullptr);
}

// Save, load, rename and delete the user's presets from the list, in the folder the
// environment names; loading is gestures that bring back the saved values.
TEST_F(EditorUser, UserPresetsSaveLoadRenameAndDeleteFromTheList) {
    EXPECT_EQ(browser().store().directory(), scratch.file("") + "/corvane/presets");
    typeValue(kMix, "33%");
    typeValue(kFilterType, "HP");
    const float mix = processor.getParameter(kMix);
    click(browser().getBrowser()->getViewSize());
    CProgramList* list = browser().getList();
    click(list->userRow(0));
    type("My Wash");
    press(kKeyReturn);
    EXPECT_EQ(test::TempDir::entries_of(browser().store().directory()),
              std::vector<std::string>{"My Wash.cvpreset"});
    EXPECT_EQ(browser().getBrowser()->getName(), "My Wash");
    EXPECT_FALSE(browser().getBrowser()->isModified());

    press(kKeyEscape);
    processor.setProgram(3);
    tick();
    recorder.calls.clear();
    click(browser().getBrowser()->getViewSize());
    list = browser().getList();
    click(list->userRow(1));
    EXPECT_EQ(processor.getParameter(kMix), mix);
    EXPECT_EQ(processor.getParameter(kFilterType), 1.f);
    EXPECT_EQ(browser().loadedPreset(), "My Wash");
    int begins = 0, ends = 0;
    for (const Gesture& g : recorder.calls) {
        begins += g.what == 'b';
        ends += g.what == 'e';
    }
    EXPECT_GT(begins, 0);
    EXPECT_EQ(begins, ends);

    // The arrows go on from the last program to the presets.
    processor.setProgram(19);
    tick();
    click(browser().getBrowser()->nextArrow());
    EXPECT_EQ(browser().loadedPreset(), "My Wash");

    click(browser().getBrowser()->getViewSize());
    list = browser().getList();
    click(list->renameButton(0));
    type("Dry Wash");
    press(kKeyReturn);
    EXPECT_EQ(browser().store().list(), std::vector<std::string>{"Dry Wash"});
    EXPECT_EQ(browser().getBrowser()->getName(), "Dry Wash");
    click(list->deleteButton(0));
    EXPECT_EQ(browser().store().list().size(), 1u); // asks first
    click(list->deleteButton(0));
    EXPECT_TRUE(browser().store().list().empty());
}

// A hostile file in the folder is refused whole with a message; nothing changes.
TEST_F(EditorUser, AHostilePresetFileChangesNothingAndSaysWhy) {
    const std::string folder = scratch.file("corvane/presets");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Broken.cvpreset") << "corvane-preset 1\nname Broken\nMix=0.1\n";
    std::ofstream(folder + "/Future.cvpreset") << "corvane-preset 9\nend\n";
    std::ofstream(folder + "/Strange.cvpreset") << "corvane-preset 1\nMix=0.1\nWarp=1\nend\n";
    const float mix = processor.getParameter(kMix);
    recorder.calls.clear();
    for (const char* expected : {"cut short", "newer", "unknown parameter"}) {
        const std::string name = expected == std::string("cut short") ? "Broken"
                                 : expected == std::string("newer")   ? "Future"
                                                                      : "Strange";
        browser().presetChosen(name);
        EXPECT_NE(editor->getHelpBubble()->getText().find(expected), std::string::npos)
            << editor->getHelpBubble()->getText();
    }
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(processor.getParameter(kMix), mix);
    EXPECT_EQ(browser().loadedPreset(), "");
}

// A pointer resting on a control names it and its range after a short while.
TEST_F(EditorUser, HelpNamesTheControlAndItsRangeAfterAShortRest) {
    hover(kFilterCutoff);
    tick(CorvaneEditor::kHelpDelayTicks - 1);
    EXPECT_EQ(editor->getHelpBubble()->getText(), "");
    tick(2);
    const std::string help = editor->getHelpBubble()->getText();
    EXPECT_EQ(help.find("Filter Cutoff: "), 0u) << help;
    EXPECT_NE(help.find("Hz to "), std::string::npos) << help;
    hover(kFilterType);
    tick(CorvaneEditor::kHelpDelayTicks + 1);
    EXPECT_EQ(editor->getHelpBubble()->getText(), "Filter Type: LP / BP / HP");
    mouse().move(5, 295);
    tick();
    EXPECT_EQ(editor->getHelpBubble()->getText(), "");
}

} // namespace

namespace {

// At twice the size the browser, its list and the typing field are drawn at their places in
// editor units, twice as large: the list's panel colour where its panel is, in window pixels.
TEST_F(EditorUser, TheNewViewsScaleWithTheWindow) {
    editor->close();
    editor->setScale(2);
    ASSERT_TRUE(editor->open(nullptr));
    browser().browserOpenList();
    CProgramList* list = browser().getList();
    ASSERT_NE(list, nullptr);
    frame().render();
    cairo_surface_t* image = frame().getImage();
    ASSERT_EQ(cairo_image_surface_get_width(image), 2 * 730);
    const CRect panel = list->panel();
    // Inside the panel, right of the split, below the last preset row: panel colour.
    const int x = static_cast<int>(2 * (panel.right - 20)),
              y = static_cast<int>(2 * (panel.bottom - 10));
    const test::Pixel p = test::pixelAt(image, x, y);
    EXPECT_NEAR(p.r, 28, 4);
    EXPECT_NEAR(p.g, 30, 4);
    EXPECT_NEAR(p.b, 34, 4);
}

} // namespace
