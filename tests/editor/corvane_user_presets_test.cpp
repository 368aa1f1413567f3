// The user's preset files on their own: save, list, load, rename and delete in a scratch folder,
// and hostile files refused whole with a message.

#include "editor/corvane_user_presets.h"

#include "params/CorvaneParameterManager.h"
#include "params/CorvaneParameters.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace corvane {
namespace {

using test::TempDir;

std::vector<std::string> parameterNames() {
    CorvaneParameterManager m;
    std::vector<std::string> names;
    for (int i = 0; i < kNumParams; ++i)
        names.push_back(m.getNameString(i));
    return names;
}

class UserPresetStoreTest : public ::testing::Test {
protected:
    UserPreset preset(const std::string& name, float base) const {
        UserPreset p{name, {}};
        for (int i = 0; i < kNumParams; ++i)
            p.values.push_back(base + 0.01f * static_cast<float>(i));
        return p;
    }
    TempDir dir;
    UserPresetStore store{dir.file("corvane/presets"), parameterNames(),
                          std::vector<float>(kNumParams, 0.5f)};
    std::string error;
};

TEST_F(UserPresetStoreTest, SavedPresetsListLoadRenameAndDelete) {
    EXPECT_TRUE(store.list().empty());
    ASSERT_TRUE(store.save(preset("Warm Wash", 0.1f), error)) << error;
    ASSERT_TRUE(store.save(preset("Acid/Line", 0.3f), error)) << error;
    EXPECT_EQ(store.list(), (std::vector<std::string>{"Acid_Line", "Warm Wash"}));
    UserPreset back;
    ASSERT_TRUE(store.load("Warm Wash", back, error)) << error;
    EXPECT_EQ(back.name, "Warm Wash");
    EXPECT_EQ(back.values, preset("x", 0.1f).values);
    // Saving under an existing name replaces it; no temporary file stays behind.
    ASSERT_TRUE(store.save(preset("Warm Wash", 0.2f), error)) << error;
    ASSERT_TRUE(store.load("Warm Wash", back, error));
    EXPECT_FLOAT_EQ(back.values[0], 0.2f);
    ASSERT_TRUE(store.rename("Warm Wash", "Cold Wash", error)) << error;
    EXPECT_EQ(store.list(), (std::vector<std::string>{"Acid_Line", "Cold Wash"}));
    ASSERT_TRUE(store.load("Cold Wash", back, error));
    EXPECT_FLOAT_EQ(back.values[0], 0.2f);
    ASSERT_TRUE(store.remove("Acid_Line", error));
    EXPECT_EQ(store.list(), std::vector<std::string>{"Cold Wash"});
    EXPECT_EQ(TempDir::entries_of(dir.file("corvane/presets")),
              std::vector<std::string>{"Cold Wash.cvpreset"});
    EXPECT_FALSE(store.remove("Acid_Line", error));
    EXPECT_FALSE(store.save(preset(" ..", 0.1f), error));
    EXPECT_FALSE(store.load("../../etc/passwd", back, error));
}

// The folder follows XDG_DATA_HOME, then HOME.
TEST_F(UserPresetStoreTest, TheFolderFollowsTheEnvironment) {
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string savedData = oldData != nullptr ? oldData : "";
    setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(UserPresetStore::defaultDirectory(), "/data/x/corvane/presets");
    setenv("XDG_DATA_HOME", "relative", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(UserPresetStore::defaultDirectory(), "/home/u/.local/share/corvane/presets");
    if (oldData != nullptr)
        setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

// A file is taken whole or not at all: parameters in any order, left-out ones at their
// defaults; anything broken refused with a message and nothing written.
TEST_F(UserPresetStoreTest, HostileFilesAreRefusedWhole) {
    const std::string good = store.format(preset("Good", 0.1f));
    UserPreset read;
    ASSERT_TRUE(
        store.parse("corvane-preset 1\nname Few\nMix=0.25\nRev Color=1\nend\n", read, error))
        << error;
    EXPECT_FLOAT_EQ(read.values[kMix], 0.25f);
    EXPECT_FLOAT_EQ(read.values[kRevColor], 1.0f);
    EXPECT_FLOAT_EQ(read.values[kInput], 0.5f);

    const std::string binary("corvane-preset 1\nname B\n\0\x01\x02\nend\n", 30);
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {good.substr(0, good.size() / 2), "cut short"},
        {good.substr(0, good.size() - 4), "cut short"},
        {"", "not a Corvane preset"},
        {"<?xml version=\"1.0\"?>\n<preset/>\n", "not a Corvane preset"},
        {"corvane-preset 2\nname N\nend\n", "newer"},
        {"corvane-preset x\nend\n", "not a Corvane preset"},
        {binary, "binary"},
        {"corvane-preset 1\nWobble=0.5\nend\n", "unknown parameter 'Wobble'"},
        {"corvane-preset 1\nMix=nan\nend\n", "bad value"},
        {"corvane-preset 1\nMix=0.5x\nend\n", "bad value"},
        {"corvane-preset 1\nMix=0.5\nMix=0.6\nend\n", "bad value"},
        {std::string(UserPresetStore::kMaxFileBytes + 1, 'a'), "too large"},
    };
    for (const auto& c : cases) {
        UserPreset untouched{"keep", {0.75f}};
        EXPECT_FALSE(store.parse(c.text, untouched, error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(untouched.name, "keep");
    }
    // A huge file is refused before it is read.
    ASSERT_TRUE(store.save(preset("Huge", 0.1f), error));
    dir.write_text("corvane/presets/Huge.cvpreset",
                   good + std::string(2 * UserPresetStore::kMaxFileBytes, '\n'));
    EXPECT_FALSE(store.load("Huge", read, error));
    EXPECT_NE(error.find("too large"), std::string::npos);
}

} // namespace
} // namespace corvane
