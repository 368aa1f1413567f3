// The VST 2.4 binding of the editor: the host reaches the editor only through the plug-in's
// dispatcher.

#include "corvane_test_host.h"

#include "editor/corvaneeditor.h"
#include "gui/cframe.h"
#include "gui/cknob.h"
#include "host/CorvaneVstEditor.h"

using namespace corvane;

namespace {

struct CorvaneVstEditorTest : ::testing::Test {
    ~CorvaneVstEditorTest() override { AEffGUIEditor::knobMode = VSTGUI::kLinearMode; }
};

TEST_F(CorvaneVstEditorTest, AttachesItselfWithTheBackgroundsRectangleAndLinearKnobs) {
    AEffGUIEditor::knobMode = VSTGUI::kCircularMode;
    auto plugin = std::make_unique<Corvane>(nullptr);
    auto* binding = dynamic_cast<CorvaneVstEditor*>(plugin->getEditor());
    ASSERT_NE(binding, nullptr);
    EXPECT_NE(plugin->getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(AEffGUIEditor::knobMode, VSTGUI::kLinearMode);
    ERect* r = nullptr;
    ASSERT_TRUE(binding->getRect(&r));
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 302);
    EXPECT_EQ(r->right, 730);
    EXPECT_FALSE(binding->isOpen());
}

TEST_F(CorvaneVstEditorTest, AnswersTheHostsEditorRequests) {
    auto plugin = std::make_unique<Corvane>(nullptr);
    CorvaneEditor& editor = static_cast<CorvaneVstEditor*>(plugin->getEditor())->editor();
    AEffect* e = plugin->getAeffect();
    ERect* r = nullptr;
    EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &r, 0.f), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right, 730);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.f), 1);
    EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.f), 0);
    EXPECT_EQ(e->dispatcher(e, effSetEditKnobMode, 0, VSTGUI::kCircularMode, nullptr, 0.f), 1);
    EXPECT_EQ(editor.getFrame()->getKnobMode(), VSTGUI::kCircularMode);
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'a', 0, nullptr, 0.f), 0);
    e->setParameter(e, kRevDecay, 0.8f);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
    EXPECT_FLOAT_EQ(editor.getControl(kRevDecay)->getValue(), 0.8f);
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
    EXPECT_EQ(editor.getFrame(), nullptr);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
}

} // namespace
