// Editor key requests as the dispatcher receives them: character in index, virtual key in
// value, modifier flags in opt, whatever floats a host puts there.

#include "vst/audio_effect_x.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class KeyEditor : public AEffEditor {
public:
    bool onKeyDown(VstKeyCode& key) override {
        last = key;
        return true;
    }
    VstKeyCode last{-1, 0xEE, 0xEE};
};

class KeyPlugin : public AudioEffectX {
public:
    KeyPlugin() : AudioEffectX(nullptr, 1, 1) { setEditor(keys = new KeyEditor); }
    void processReplacing(float**, float**, VstInt32) override {}
    KeyEditor* keys;
};

struct ModifierCase {
    float opt;
    unsigned char modifier;
};

class EditorKeyModifiers : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(EditorKeyModifiers, ReachTheEditorAsAByte) {
    KeyPlugin plugin;
    AEffect* e = plugin.getAeffect();
    EXPECT_EQ(e->dispatcher(e, effEditKeyDown, 'q', 300, nullptr, GetParam().opt), 1);
    EXPECT_EQ(plugin.keys->last.character, 'q');
    EXPECT_EQ(plugin.keys->last.virt, 300 & 0xFF);
    EXPECT_EQ(plugin.keys->last.modifier, GetParam().modifier);
}

constexpr float kInf = std::numeric_limits<float>::infinity();
// Flags that fit a byte pass (fractions cut off); anything else means no modifier.
INSTANTIATE_TEST_SUITE_P(
    Values, EditorKeyModifiers,
    ::testing::Values(ModifierCase{0.0f, 0}, ModifierCase{3.0f, 3}, ModifierCase{255.9f, 255},
                      ModifierCase{256.0f, 0}, ModifierCase{-1.0f, 0}, ModifierCase{1e9f, 0},
                      ModifierCase{kInf, 0}, ModifierCase{-kInf, 0},
                      ModifierCase{std::numeric_limits<float>::quiet_NaN(), 0}));

} // namespace
