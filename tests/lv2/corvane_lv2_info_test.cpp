// The bundle as an LV2 host reads it: Debian's lv2info (lilv) lists every port with the range,
// default, unit properties and choice names the port table and the parameter table give, port
// groups for the editor's sections, the side-chain as optional, and the 20 factory programs as
// presets. The presets hold values that turn back into the factory programs' normalised values.

#include "lv2_test_bundle.h"

#include "lv2/corvane_lv2_ports.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

using namespace corvane;
using namespace corvane::lv2;
using corvane::test::Lv2TestBundle;

namespace {

struct PortInfo {
    std::string symbol, name, group, designation;
    double minimum = NAN, maximum = NAN, defaultValue = NAN;
    std::string properties, types;
    std::map<int, std::string> scalePoints;
};

std::string valueAfter(const std::string& line, const char* key) {
    const size_t at = line.find(key);
    if (at == std::string::npos) return "";
    size_t from = at + std::strlen(key);
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t'))
        ++from;
    return line.substr(from);
}

class Lv2InfoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Lv2TestBundle bundle(CORVANE_LV2_BUNDLE);
        ASSERT_TRUE(bundle.ready());
        ASSERT_TRUE(bundle.run(std::string("lv2info ") + kPluginUri, text_));
        std::istringstream in(text_);
        std::string line;
        PortInfo* port = nullptr;
        bool inPresets = false, inProperties = false, inTypes = false;
        while (std::getline(in, line)) {
            const std::string trimmed = valueAfter(line, "");
            if (line.rfind("\tPort ", 0) == 0) {
                port = &ports_[std::atoi(line.c_str() + 6)];
                inPresets = false;
                continue;
            }
            if (trimmed.rfind("Presets:", 0) == 0) {
                inPresets = true;
                continue;
            }
            if (inPresets) {
                if (!trimmed.empty()) presets_.push_back(trimmed);
                continue;
            }
            if (!port) continue;
            if (trimmed.rfind("Type:", 0) == 0)
                inTypes = true;
            else if (trimmed.rfind("http", 0) != 0)
                inTypes = false;
            if (inTypes) port->types += trimmed + " ";
            if (trimmed.rfind("Symbol:", 0) == 0) port->symbol = valueAfter(trimmed, "Symbol:");
            if (trimmed.rfind("Name:", 0) == 0) port->name = valueAfter(trimmed, "Name:");
            if (trimmed.rfind("Group:", 0) == 0) port->group = valueAfter(trimmed, "Group:");
            if (trimmed.rfind("Designation:", 0) == 0)
                port->designation = valueAfter(trimmed, "Designation:");
            if (trimmed.rfind("Minimum:", 0) == 0)
                port->minimum = std::atof(valueAfter(trimmed, "Minimum:").c_str());
            if (trimmed.rfind("Maximum:", 0) == 0)
                port->maximum = std::atof(valueAfter(trimmed, "Maximum:").c_str());
            if (trimmed.rfind("Default:", 0) == 0)
                port->defaultValue = std::atof(valueAfter(trimmed, "Default:").c_str());
            if (trimmed.rfind("Properties:", 0) == 0) inProperties = true;
            if (inProperties && trimmed.find("http") != std::string::npos)
                port->properties += trimmed + " ";
            if (trimmed.empty()) inProperties = false;
            const size_t equals = trimmed.find(" = \"");
            if (equals != std::string::npos && !trimmed.empty() && std::isdigit(trimmed[0]))
                port->scalePoints[std::atoi(trimmed.c_str())] =
                    trimmed.substr(equals + 4, trimmed.size() - equals - 5);
        }
    }

    static std::string text_;
    static std::map<int, PortInfo> ports_;
    static std::vector<std::string> presets_;
    CorvaneParameterManager params_;
};

std::string Lv2InfoTest::text_;
std::map<int, PortInfo> Lv2InfoTest::ports_;
std::vector<std::string> Lv2InfoTest::presets_;

TEST_F(Lv2InfoTest, ControlPortsCarryTheParameterTable) {
    ASSERT_EQ(ports_.size(), static_cast<size_t>(kPortCount)) << text_;
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p) {
        SCOPED_TRACE(p);
        const ControlPortInfo& desc = *controlPort(p);
        const PortInfo& info = ports_[static_cast<int>(p)];
        EXPECT_EQ(info.symbol, desc.symbol);
        if (desc.presentation != Presentation::Division) {
            EXPECT_EQ(info.name, params_.getNameString(desc.parameter));
        }
        EXPECT_EQ(info.group, std::string(kPluginUri) + "#" + groupInfo(desc.group).symbol);
        EXPECT_NEAR(info.minimum, portMinimum(params_, p), 1e-6);
        EXPECT_NEAR(info.maximum, portMaximum(params_, p), 1e-6);
        EXPECT_GE(info.defaultValue, info.minimum);
        EXPECT_LE(info.defaultValue, info.maximum);
        switch (desc.presentation) {
            case Presentation::Real:
                EXPECT_NEAR(info.defaultValue, params_.getDefault(desc.parameter), 1e-4);
                EXPECT_TRUE(info.scalePoints.empty());
                break;
            case Presentation::Toggle:
                EXPECT_NE(info.properties.find("#toggled"), std::string::npos);
                break;
            case Presentation::Choice:
            case Presentation::Division:
                EXPECT_NE(info.properties.find("#enumeration"), std::string::npos);
                EXPECT_NE(info.properties.find("#integer"), std::string::npos);
                ASSERT_EQ(info.scalePoints.size(), static_cast<size_t>(desc.stepCount));
                for (int s = 0; s < desc.stepCount; ++s)
                    EXPECT_EQ(info.scalePoints.at(s), desc.stepNames[s]);
                break;
        }
        const int kind = params_.getKind(desc.parameter);
        const bool logarithmic =
            desc.presentation == Presentation::Real &&
            (kind == tw_paramManager::kKindExponential || kind == tw_paramManager::kKindSyncRate);
        EXPECT_EQ(info.properties.find("#logarithmic") != std::string::npos, logarithmic);
    }
    // The choices a user meets first, spelled out.
    EXPECT_EQ(ports_[kFilterType].scalePoints.at(2), "High-pass");
    EXPECT_EQ(ports_[kEnvTrigger].scalePoints.at(1), "MIDI");
    EXPECT_EQ(ports_[kLfoDivisionPort].scalePoints.at(
                  static_cast<int>(ports_[kLfoDivisionPort].defaultValue)),
              "1/4");
    EXPECT_NEAR(ports_[kFilterCutoff].minimum, 20.0, 1e-6);
    EXPECT_NEAR(ports_[kFilterCutoff].maximum, 20000.0, 1e-6);
}

TEST_F(Lv2InfoTest, PortsBesideTheParametersAsHostsExpect) {
    const struct {
        int port;
        const char* symbol;
        const char* kind;
        bool sideChain;
        bool optional;
    } expected[] = {
        {kMainInLeftPort, "in_l", "#AudioPort", false, false},
        {kMainInRightPort, "in_r", "#AudioPort", false, false},
        {kSideInLeftPort, "sidechain_l", "#AudioPort", true, true},
        {kSideInRightPort, "sidechain_r", "#AudioPort", true, true},
        {kOutLeftPort, "out_l", "#AudioPort", false, false},
        {kOutRightPort, "out_r", "#AudioPort", false, false},
        // Optional too, so renderers that pass no events (lv2apply) can run the plug-in.
        {kControlPort, "control", "#AtomPort", false, true},
        {kNotifyPort, "notify", "#AtomPort", false, true},
        {kUiScalePort, "ui_scale", "#ControlPort", false, false},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.symbol);
        const PortInfo& info = ports_[e.port];
        EXPECT_EQ(info.symbol, e.symbol);
        EXPECT_EQ(info.properties.find("#isSideChain") != std::string::npos, e.sideChain);
        EXPECT_EQ(info.properties.find("#connectionOptional") != std::string::npos, e.optional);
        EXPECT_NE(info.types.find(e.kind), std::string::npos) << info.types;
    }
    // The editor's scale: the user's choice, kept by the host, neither automated nor shown as a
    // control; none (0) until the user makes one.
    const PortInfo& scale = ports_[kUiScalePort];
    EXPECT_NE(scale.types.find("#InputPort"), std::string::npos);
    EXPECT_NE(scale.properties.find("#notAutomatic"), std::string::npos);
    EXPECT_NE(scale.properties.find("#notOnGUI"), std::string::npos);
    EXPECT_EQ(scale.defaultValue, 0.0);
    EXPECT_EQ(scale.minimum, 0.0);
    EXPECT_EQ(scale.maximum, 3.0);
    EXPECT_NE(text_.find("Optional Features: http://lv2plug.in/ns/lv2core#hardRTCapable"),
              std::string::npos);
    EXPECT_NE(text_.find("http://lv2plug.in/ns/extensions/ui#X11UI"), std::string::npos);
}

TEST_F(Lv2InfoTest, PresetsAreTheFactoryPrograms) {
    ASSERT_EQ(presets_.size(), static_cast<size_t>(kNumPrograms)) << text_;
    for (const FactoryProgram& program : kFactoryPrograms)
        EXPECT_NE(std::find(presets_.begin(), presets_.end(), program.name), presets_.end())
            << program.name;
}

// What a preset stores for a program turns back into the program's own values, so loading it
// sounds as the VST 2.4 edition's program does, although a port's unit cannot always tell two
// normalised values apart (half a degree of LFO Phase).
TEST_F(Lv2InfoTest, PresetValuesTurnBackIntoTheProgramValues) {
    const ProgramPortValues table(params_);
    int coarse = 0;
    for (const FactoryProgram& program : kFactoryPrograms) {
        SCOPED_TRACE(program.name);
        for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p) {
            const float n = program.values[controlPort(p)->parameter];
            const float stored = toPortValue(params_, p, n);
            const float back = table.toNormalised(params_, p, stored);
            // Programs share divisions: any of their values selects the same one.
            if (p == kLfoDivisionPort) {
                EXPECT_EQ(toPortValue(params_, p, back), stored);
            } else {
                EXPECT_EQ(back, n) << controlPort(p)->symbol;
            }
            if (toNormalised(params_, p, stored) != n) ++coarse;
        }
    }
    // The table is needed: plain conversion misses some of the programs' values.
    EXPECT_GT(coarse, 0);
}

} // namespace
