// Hosting a module through its entry point: loading, identity, what the host answers the
// plug-in, and bank state through the ordinary requests.

#include "host_test_support.h"
#include "tools/corvane-host/plugin_settings.h"

#include "rt_probe.h"
#include "tools/corvane-host/fx_files.h"
#include <ostream>

#include <dlfcn.h>

namespace corvane::tools {
namespace {

using namespace corvane::test;
namespace gp = corvane::test::gain_plugin;

TEST(PluginModule, ExportsOnlyItsEntryPoints) {
    void* handle = dlopen(kTestPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_NE(dlsym(handle, "VSTPluginMain"), nullptr);
    EXPECT_NE(dlsym(handle, "main"), nullptr);
    // The bases it is built on stay inside: AudioEffect::dispatcher, vst_strncpy.
    EXPECT_EQ(dlsym(handle, "_ZN11AudioEffect10dispatcherEiilPvf"), nullptr);
    EXPECT_EQ(dlsym(handle, "_Z11vst_strncpyPcPKci"), nullptr);
    dlclose(handle);
}

TEST(PluginModule, BothEntryPointsCreateAnInstance) {
    void* handle = dlopen(kTestPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    for (const char* name : {"VSTPluginMain", "main"}) {
        auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(handle, name));
        auto host = [](AEffect*, VstInt32 op, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
            return op == audioMasterVersion ? 2400 : 0;
        };
        AEffect* effect = entry(host);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->uniqueID, gp::kUniqueId);
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
        // A host that does not say its version gets no instance.
        auto silent = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
            return 0;
        };
        EXPECT_EQ(entry(silent), nullptr) << name;
    }
    dlclose(handle);
}

struct BadModule {
    const char* name;
    std::string path;
    const char* complaint;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const BadModule& row) {
    return out << row.name;
}

class UnloadablePlugin : public ::testing::TestWithParam<BadModule> {};

TEST_P(UnloadablePlugin, FailsWithAReason) {
    std::string error;
    EXPECT_EQ(HostedPlugin::load(GetParam().path, error), nullptr);
    EXPECT_NE(error.find(GetParam().complaint), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Modules, UnloadablePlugin,
    ::testing::Values(BadModule{"Missing", "/nonexistent/x.so", "cannot find plug-in"},
                      BadModule{"Directory", "/tmp", "is not a file"},
                      BadModule{"NoEntryPoint", kNotAPlugin, "neither VSTPluginMain nor main"}),
    [](const ::testing::TestParamInfo<BadModule>& row) { return std::string(row.param.name); });

TEST(UnloadablePlugin, TextFileIsNoLibrary) {
    TempDir dir;
    dir.write_text("fake.so", "not a shared library");
    std::string error;
    EXPECT_EQ(HostedPlugin::load(dir.file("fake.so"), error), nullptr);
    EXPECT_NE(error.find("cannot load plug-in"), std::string::npos) << error;
}

class Hosted : public ::testing::Test {
protected:
    std::unique_ptr<HostedPlugin> plugin = load_test_plugin();
};

TEST_F(Hosted, ReportsTheRecordAndIdentity) {
    EXPECT_EQ(plugin->unique_id(), gp::kUniqueId);
    EXPECT_EQ(plugin->version(), gp::kVersion);
    EXPECT_EQ(plugin->num_params(), gp::kNumParams);
    EXPECT_EQ(plugin->num_programs(), gp::kNumPrograms);
    EXPECT_EQ(plugin->flags(), effFlagsCanReplacing | effFlagsHasEditor);
    EXPECT_EQ(plugin->effect_name(), "Test Gain");
    EXPECT_EQ(plugin->vendor_string(), "Corvane Tests");
    EXPECT_EQ(plugin->vendor_version(), 42);
    EXPECT_EQ(plugin->vst_version(), 2400);
    EXPECT_EQ(plugin->can_do("receiveVstMidiEvent"), 1);
    EXPECT_EQ(plugin->can_do("2in1out"), 0);
    ERect rect{};
    ASSERT_TRUE(plugin->editor_rect(rect));
    EXPECT_EQ(rect.right - rect.left, gp::kEditorWidth);
    EXPECT_EQ(rect.bottom - rect.top, gp::kEditorHeight);
    VstPinProperties pin;
    ASSERT_TRUE(plugin->input_properties(0, pin));
    EXPECT_STREQ(pin.label, "Test In 1");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_FALSE(plugin->input_properties(4, pin));
}

TEST_F(Hosted, FindsProgramsAndParametersByNumberOrName) {
    EXPECT_EQ(plugin->program_names(), (std::vector<std::string>{"Unity", "Quiet", "Left"}));
    std::string error;
    // Programs count from 1, as info lists them.
    EXPECT_EQ(find_program(*plugin, "3", error), 2);
    EXPECT_EQ(find_program(*plugin, "quiet", error), 1);
    EXPECT_EQ(find_program(*plugin, "0", error), -1);
    EXPECT_EQ(find_program(*plugin, "Loud", error), -1);
    EXPECT_NE(error.find("\n  3  Left"), std::string::npos) << error;
    EXPECT_EQ(find_parameter(*plugin, "balance", error), gp::kBalance);
    EXPECT_EQ(find_parameter(*plugin, "0", error), gp::kGain);
    EXPECT_EQ(find_parameter(*plugin, "2", error), -1);
    EXPECT_NE(error.find("\n  1  Balance"), std::string::npos) << error;
    // Values: normalised, or refused with the ways to give one when the plug-in cannot convert.
    float value = 0.0f;
    EXPECT_TRUE(parameter_value(*plugin, gp::kGain, "0.25", value, error));
    EXPECT_EQ(value, 0.25f);
    EXPECT_FALSE(parameter_value(*plugin, gp::kGain, "6dB", value, error));
    EXPECT_NE(error.find("from 0 to 1"), std::string::npos) << error;
    EXPECT_EQ(plugin->parameter(gp::kGain), gp::kPrograms[0].values[gp::kGain]);
    EXPECT_EQ(plugin->parameter_label(gp::kGain), "dB");
    EXPECT_EQ(plugin->parameter_display(gp::kGain).substr(0, 4), "0.00");
}

TEST_F(Hosted, ResumeSeesThePinsTheHostReports) {
    plugin->set_input_connected(1, false);
    plugin->resume();
    EXPECT_EQ(plugin_pins(*plugin), 0b1101);
    EXPECT_TRUE(plugin->midi_wanted());
    plugin->suspend();
    plugin->set_input_connected(1, true);
    plugin->set_input_connected(3, false);
    plugin->resume();
    EXPECT_EQ(plugin_pins(*plugin), 0b0111);
}

TEST_F(Hosted, TimeInformationFollowsTheTransport) {
    plugin->set_sample_rate(48000.0);
    plugin->transport().tempo = 140.0;
    plugin->transport().numerator = 6;
    plugin->transport().denominator = 8;
    plugin->resume();
    float buffer[4][480] = {};
    float* io[4] = {buffer[0], buffer[1], buffer[2], buffer[3]};
    plugin->process(io, io, 480);
    SeenTime t = plugin_time(*plugin);
    EXPECT_EQ(t.tempo, 140.0);
    EXPECT_EQ(t.ppq, 0.0);
    EXPECT_EQ(t.denominator, 8.0);
    plugin->process(io, io, 480);
    t = plugin_time(*plugin);
    EXPECT_EQ(t.sample_pos, 480.0);
    EXPECT_NEAR(t.ppq, 480.0 / 48000.0 * 140.0 / 60.0, 1e-12);
    EXPECT_EQ(plugin->time_requests(), 2);

    plugin->transport().available = false;
    plugin->process(io, io, 480);
    EXPECT_EQ(plugin_time(*plugin).tempo, 0.0);
}

// The host's side of a block (time requests, MIDI delivery) must not allocate either, or an
// allocation test of a plug-in run through this host would blame the plug-in.
TEST_F(Hosted, AudioPathAllocatesNothing) {
    plugin->resume();
    float buffer[4][256] = {};
    float* io[4] = {buffer[0], buffer[1], buffer[2], buffer[3]};
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    note.midiData[0] = static_cast<char>(0x90);
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&note);
    corvane::test::RealtimeProbe probe;
    for (int block = 0; block < 16; ++block) {
        plugin->process_events(&events);
        plugin->process(io, io, 256);
        plugin->set_parameter(gp::kGain, 0.3f);
    }
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
    EXPECT_EQ(plugin->time_requests(), 16);
}

TEST_F(Hosted, AnswersTheHostCanDoTable) {
    auto host_can = [this](const char* what) {
        std::string text = what;
        return plugin->dispatch(effVendorSpecific, gp::kRequestHostCanDo, 0, text.data());
    };
    for (const char* yes :
         {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "sizeWindow", "startStopProcess"})
        EXPECT_EQ(host_can(yes), 1) << yes;
    for (const char* no : {"acceptIOChanges", "offline", "openFileSelector", "shellCategory"})
        EXPECT_EQ(host_can(no), 0) << no;
}

TEST_F(Hosted, WindowResizingGoesThroughTheHook) {
    const VstIntPtr size = (730 << 16) | 302;
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, gp::kRequestSizeWindow, size, plugin.get()), 1);
    VstInt32 asked_w = 0, asked_h = 0;
    plugin->on_size_window = [&](int w, int h) {
        asked_w = w;
        asked_h = h;
        return false;
    };
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, gp::kRequestSizeWindow, size, plugin.get()), 0);
    EXPECT_EQ(asked_w, 730);
    EXPECT_EQ(asked_h, 302);
}

TEST_F(Hosted, EditorGesturesReachTheHostInOrder) {
    plugin->clear_calls();
    plugin->dispatch(effVendorSpecific, gp::kRequestGesture, gp::kBalance, plugin.get(), 0.75f);
    ASSERT_EQ(plugin->calls().size(), 3u);
    EXPECT_EQ(plugin->calls()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(plugin->calls()[1].opcode, audioMasterAutomate);
    EXPECT_EQ(plugin->calls()[1].opt, 0.75f);
    EXPECT_EQ(plugin->calls()[2].opcode, audioMasterEndEdit);
    for (const HostCall& call : plugin->calls())
        EXPECT_EQ(call.index, gp::kBalance);
    EXPECT_EQ(plugin->parameter(gp::kBalance), 0.75f);
}

// Save a bank, spoil every program, load the bank again: names, values and the current program
// come back.
TEST_F(Hosted, BankRoundTripRestoresEveryProgram) {
    plugin->set_program(1);
    plugin->set_parameter(gp::kGain, 0.8f);
    plugin->set_program_name("Edited");
    plugin->set_program(2);
    const FxBank saved = read_bank(*plugin);
    EXPECT_EQ(plugin->program(), 2);

    for (VstInt32 p = 0; p < plugin->num_programs(); ++p) {
        plugin->set_program(p);
        plugin->set_program_name("Spoilt");
        plugin->set_parameter(gp::kGain, 0.0f);
        plugin->set_parameter(gp::kBalance, 1.0f);
    }
    plugin->set_program(0);

    FxIdentity identity;
    FxBank loaded;
    std::string error;
    ASSERT_TRUE(decode_fxb(encode_fxb(identity_of(*plugin), saved), identity, loaded, error));
    ASSERT_TRUE(apply_bank(*plugin, loaded, error)) << error;
    EXPECT_EQ(plugin->program(), 2);
    const std::vector<std::string> names = plugin->program_names();
    EXPECT_EQ(names, (std::vector<std::string>{"Unity", "Edited", "Left"}));
    for (VstInt32 p = 0; p < plugin->num_programs(); ++p) {
        plugin->set_program(p);
        const float gain = p == 1 ? 0.8f : gp::kPrograms[p].values[gp::kGain];
        EXPECT_EQ(plugin->parameter(gp::kGain), gain) << p;
        EXPECT_EQ(plugin->parameter(gp::kBalance), gp::kPrograms[p].values[gp::kBalance]) << p;
    }
}

TEST_F(Hosted, ProgramFileGoesIntoTheCurrentProgram) {
    plugin->set_program(2);
    const FxProgram saved = read_current_program(*plugin);
    EXPECT_EQ(saved.name, "Left");
    plugin->set_program(0);
    std::string error;
    ASSERT_TRUE(apply_program(*plugin, saved, error));
    EXPECT_EQ(plugin->program(), 0);
    EXPECT_EQ(plugin->program_name(), "Left");
    EXPECT_EQ(plugin->parameter(gp::kBalance), gp::kPrograms[2].values[gp::kBalance]);
}

} // namespace
} // namespace corvane::tools
