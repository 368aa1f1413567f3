// The LV2 UI's view of the plug-in: the editor's gestures become control port writes in the
// ports' units, bracketed by ui:touch; LFO Rate writes to the port LFO Sync selects; port events
// from the host move the values and texts the editor shows; and the notify port's tick sums
// become graph entries.

#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_ui_view.h"

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::lv2;

namespace {

struct Write {
    std::uint32_t port;
    float value;
};

struct HostRecord {
    std::vector<Write> writes;
    std::vector<std::pair<std::uint32_t, bool>> touches;
};

void recordWrite(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                 std::uint32_t format, const void* buffer) {
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    float value;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<HostRecord*>(controller)->writes.push_back({port, value});
}

void recordTouch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    static_cast<HostRecord*>(handle)->touches.emplace_back(port, grabbed);
}

class Lv2UiView : public ::testing::Test {
protected:
    HostRecord host;
    LV2UI_Touch touch{&host, recordTouch};
    CorvaneLv2UiView view{recordWrite, &host, &touch};
    CorvaneParameterManager params;

    std::string readout(int index) {
        char text[32];
        view.parameterReadout(index, text, sizeof text);
        return text;
    }
};

TEST_F(Lv2UiView, GesturesWritePortValuesBracketedByTouch) {
    view.beginEdit(kFilterCutoff);
    view.performEdit(kFilterCutoff, 1.0f);
    view.endEdit(kFilterCutoff);
    ASSERT_EQ(host.writes.size(), 1u);
    EXPECT_EQ(host.writes[0].port, static_cast<std::uint32_t>(kFilterCutoff));
    EXPECT_NEAR(host.writes[0].value, 20000.0f, 0.01f);
    ASSERT_EQ(host.touches.size(), 2u);
    EXPECT_EQ(host.touches[0], std::make_pair(std::uint32_t{kFilterCutoff}, true));
    EXPECT_EQ(host.touches[1], std::make_pair(std::uint32_t{kFilterCutoff}, false));

    // A four-way switch's third position is the step number 2 ("Side-chain").
    view.performEdit(kEnvTrigger, 2.0f / 3.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kEnvTrigger));
    EXPECT_EQ(host.writes.back().value, 2.0f);
}

TEST_F(Lv2UiView, LfoRateFollowsTheSyncSwitch) {
    // The defaults: synchronised, a quarter note.
    EXPECT_EQ(readout(kLfoRate), "1/4  ");
    view.performEdit(kLfoRate, 1.0f); // fastest: 1/32
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoDivisionPort));
    EXPECT_EQ(host.writes.back().value, 0.0f);

    // Sync off: the rate shows, and writes, the Hz port, which still holds its own value.
    view.portValue(kLfoRate, 2.0f);
    view.performEdit(kLfoSync, 0.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoSync));
    EXPECT_NEAR(view.parameterValue(kLfoRate), toNormalised(params, kLfoRate, 2.0f), 1e-6f);
    view.performEdit(kLfoRate, 0.0f);
    EXPECT_EQ(host.writes.back().port, static_cast<std::uint32_t>(kLfoRate));
    EXPECT_NEAR(host.writes.back().value, 0.01f, 1e-6f);
}

TEST_F(Lv2UiView, PortEventsMoveValuesAndTexts) {
    view.takeChangedParameters();
    view.portValue(kInput, -12.0f);
    view.portValue(kFilterType, 2.0f);
    view.portValue(kNotifyPort, 1.0f); // not a control: ignored
    EXPECT_EQ(view.takeChangedParameters(), (1u << kInput) | (1u << kFilterType));
    EXPECT_NEAR(view.parameterValue(kInput), toNormalised(params, kInput, -12.0f), 1e-6f);
    EXPECT_EQ(view.parameterValue(kFilterType), 1.0f);
    EXPECT_NE(readout(kInput).find("-12"), std::string::npos) << readout(kInput);
    // Gestures write; the host does not echo them back as changes the editor must undo.
    EXPECT_TRUE(host.writes.empty());
}

TEST_F(Lv2UiView, DisplayDataBecomesGraphEntries) {
    CorvaneDisplayHistory& history = view.displayHistory();
    history.clear();
    view.displayData(64.0, -32.0, 128); // a mean of 0.5 and -0.25 over 128 ticks
    history.poll();
    EXPECT_FLOAT_EQ(history.envelope()[0], 0.5f);
    EXPECT_FLOAT_EQ(history.lfo()[0], -0.25f);
    view.displayData(1.0, NAN, 4); // broken data adds nothing
    view.displayData(1.0, 1.0, -4);
    EXPECT_EQ(history.displayedTicks(), 128u);
}

} // namespace

namespace {

// The browser's factory programs in the LV2 UI: the host owns the presets, so choosing one
// writes its values as gestures (every parameter touched and written); typed text goes through
// the shared conversion with the UI's own sync state.
TEST_F(Lv2UiView, AFactoryProgramIsWrittenAsGesturesAndTypedTextParses) {
    EXPECT_EQ(view.programCount(), kNumPrograms);
    char name[32];
    ASSERT_TRUE(view.programNameAt(3, name, sizeof name));
    EXPECT_STREQ(name, kFactoryPrograms[3].name);
    EXPECT_FALSE(view.programNameAt(kNumPrograms, name, sizeof name));
    view.selectProgram(3);
    EXPECT_EQ(view.currentProgram(), 3);
    EXPECT_EQ(host.touches.size(), 2u * kNumParams);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_FLOAT_EQ(view.parameterValue(i), kFactoryPrograms[3].values[i]) << i;
    float n = 0.0f;
    view.portValue(kLfoSync, 0.0f);
    ASSERT_TRUE(view.parseTyped(kLfoRate, "4 Hz", n));
    EXPECT_FALSE(view.parseTyped(kLfoRate, "1/8T", n));
    view.portValue(kLfoSync, 1.0f);
    EXPECT_TRUE(view.parseTyped(kLfoRate, "1/8T", n));
}

} // namespace
