#include "gui/aeffguieditor.h"
#include "gui/vstgui.h"
#include "tests/gui/gui_test_util.h"
#include "vst/audio_effect_x.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace VSTGUI;

namespace {

std::vector<std::pair<VstInt32, VstInt32>> g_hostCalls;

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
    g_hostCalls.emplace_back(opcode, index);
    return 1;
}

struct Effect : AudioEffectX {
    Effect() : AudioEffectX(&hostCallback, 1, 29) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// The smallest real editor: one knob on the frame it opens.
struct Editor : AEffGUIEditor {
    explicit Editor(void* owner) : AEffGUIEditor(owner) { rect = {0, 0, 302, 730}; }
    bool open(void* parent) override {
        if (frame != nullptr) return false;
        AEffGUIEditor::open(parent);
        frame = new CFrame(CRect(0, 0, 730, 302), parent, this);
        frame->addView(new CKnob(CRect(10, 10, 60, 60), nullptr, 5, nullptr, nullptr));
        return true;
    }
    void close() override {
        CFrame* f = frame;
        frame = nullptr;
        if (f != nullptr) f->forget();
        AEffGUIEditor::close();
    }
};

TEST(AEffGUIEditor, RegistersWithThePluginAndGivesItsRectangle) {
    Effect fx;
    auto* editor = new Editor(&fx);
    EXPECT_EQ(fx.getEditor(), editor);
    EXPECT_NE(fx.getAeffect()->flags & effFlagsHasEditor, 0);
    ERect* r = nullptr;
    EXPECT_TRUE(editor->getRect(&r));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right, 730);
    EXPECT_EQ(r->bottom, 302);
    EXPECT_FALSE(editor->getRect(nullptr));
}

TEST(AEffGUIEditor, PassesGesturesToTheHostAndSharesTheKnobMode) {
    Effect fx;
    auto* editor = new Editor(&fx);
    ASSERT_TRUE(editor->open(nullptr));
    EXPECT_FALSE(editor->open(nullptr));
    EXPECT_TRUE(editor->setKnobMode(kLinearMode));
    EXPECT_EQ(editor->getFrame()->getKnobMode(), kLinearMode);
    g_hostCalls.clear();
    corvane::test::Mouse m{*editor->getFrame()};
    m.drag(30, 30, 30, 10);
    editor->idle();
    std::vector<std::pair<VstInt32, VstInt32>> edits;
    for (auto c : g_hostCalls)
        if (c.first == audioMasterBeginEdit || c.first == audioMasterEndEdit) edits.push_back(c);
    EXPECT_EQ(edits, (std::vector<std::pair<VstInt32, VstInt32>>{{audioMasterBeginEdit, 5},
                                                                 {audioMasterEndEdit, 5}}));
    editor->close();
    EXPECT_EQ(editor->getFrame(), nullptr);
    editor->idle();
    EXPECT_TRUE(editor->open(nullptr));
    editor->close();
    AEffGUIEditor::knobMode = kCircularMode;
}

TEST(AEffGUIEditor, WithoutAPluginGesturesGoNowhere) {
    Editor editor(nullptr);
    g_hostCalls.clear();
    editor.beginEdit(3);
    editor.endEdit(3);
    editor.setParameter(3, 0.5f);
    EXPECT_TRUE(g_hostCalls.empty());
}

} // namespace
