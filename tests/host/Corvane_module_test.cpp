// build/Corvane.so as hosts meet it: loaded with dlopen and created through its entry point,
// then driven through the record only, by the command-line host's library and its executable.

#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/fx_files.h"
#include "tools/corvane-host/hosted_plugin.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace corvane::tools;

namespace {

const std::string kPlugin = CORVANE_PLUGIN;
const std::string kHost = CORVANE_HOST_EXECUTABLE;

VstIntPtr host_version(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}
VstIntPtr host_too_old(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) {
    return 0;
}

class CorvaneModule : public ::testing::Test {
protected:
    void SetUp() override {
        // Resident after dlclose, as the command-line host keeps it (see plugin_module.cpp).
        handle = dlopen(kPlugin.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle) dlclose(handle);
    }
    void* handle = nullptr;
};

TEST_F(CorvaneModule, ExportsBothEntryPointsAndNothingElse) {
    auto main_entry = reinterpret_cast<VstPluginMainProc>(dlsym(handle, "VSTPluginMain"));
    auto old_entry = reinterpret_cast<VstPluginMainProc>(dlsym(handle, "main"));
    ASSERT_NE(main_entry, nullptr);
    ASSERT_NE(old_entry, nullptr);
    for (const char* internal :
         {"vst_strncpy", "_ZN7Corvane12setParameterEif", "_ZN11AudioEffectD2Ev", "_ZTV7Corvane"})
        EXPECT_EQ(dlsym(handle, internal), nullptr) << internal;

    EXPECT_EQ(main_entry(host_too_old), nullptr);
    EXPECT_EQ(main_entry(nullptr), nullptr);
    for (VstPluginMainProc entry : {main_entry, old_entry}) {
        AEffect* e = entry(host_version);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->magic, kEffectMagic);
        EXPECT_EQ(e->uniqueID, vstFourCC('T', 'W', 'c', 'v'));
        EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    }
}

std::unique_ptr<HostedPlugin> load() {
    std::string error;
    auto plugin = HostedPlugin::load(kPlugin, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

TEST(CorvaneHosted, IdentityAndProcessing) {
    auto plugin = load();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->effect_name(), "Corvane");
    EXPECT_EQ(plugin->vendor_string(), "Tessel Works");
    EXPECT_EQ(plugin->num_inputs(), 4);
    EXPECT_EQ(plugin->num_outputs(), 2);
    EXPECT_EQ(plugin->can_do("receiveVstMidiEvent"), 1);
    EXPECT_EQ(plugin->parameter_name(8), "FilterLF");
    plugin->set_sample_rate(48000.0);
    plugin->set_block_size(256);
    plugin->resume();
    EXPECT_TRUE(plugin->midi_wanted());
    std::vector<float> in(256, 0.25f), l(256), r(256);
    float* inputs[4] = {in.data(), in.data(), nullptr, nullptr};
    float* outputs[2] = {l.data(), r.data()};
    double energy = 0.0;
    for (int b = 0; b < 100; ++b) {
        plugin->process(inputs, outputs, 256);
        for (float x : l)
            energy += x * x;
    }
    EXPECT_TRUE(std::isfinite(energy));
    EXPECT_GT(energy, 0.0);
}

// A bank read from one instance and applied to a fresh one restores every program's name and
// values, and the fresh instance writes the same bank again, byte for byte.
TEST(CorvaneHosted, BankRoundTripRestoresNamesAndValues) {
    auto edited = load();
    ASSERT_TRUE(edited);
    edited->set_program(4);
    edited->set_program_name("init");
    edited->set_parameter(15, 0.0f);
    edited->set_program(7);
    edited->set_program_name("Seventh");
    edited->set_parameter(11, 0.123f);
    edited->set_parameter(15, 1.0f);
    edited->set_program(0);
    edited->set_parameter(15, 1.0f);
    edited->set_parameter(11, 0.9f);
    edited->set_program(7);
    const FxIdentity identity = identity_of(*edited);
    const FxBank bank = read_bank(*edited);
    const std::vector<uint8_t> bytes = encode_fxb(identity, bank);

    FxIdentity read_identity;
    FxBank decoded;
    std::string error;
    ASSERT_TRUE(decode_fxb(bytes, read_identity, decoded, error)) << error;
    auto fresh = load();
    ASSERT_TRUE(fresh);
    ASSERT_TRUE(apply_bank(*fresh, decoded, error)) << error;
    EXPECT_EQ(fresh->program(), 7);
    EXPECT_EQ(encode_fxb(identity_of(*fresh), read_bank(*fresh)), bytes);
    for (VstInt32 p = 0; p < 20; ++p) {
        edited->set_program(p);
        fresh->set_program(p);
        EXPECT_EQ(fresh->program_name(), edited->program_name()) << p;
        for (VstInt32 i = 0; i < 29; ++i) {
            EXPECT_EQ(fresh->parameter(i), edited->parameter(i)) << p << " " << i;
            EXPECT_EQ(fresh->parameter_display(i), edited->parameter_display(i)) << p << " " << i;
        }
    }
    fresh->set_program(4);
    EXPECT_EQ(fresh->program_name(), "init 5");
}

// The command-line host, as the README uses it.
class CorvaneCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("corvane_module_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    int run(const std::string& arguments, std::string* output = nullptr) {
        const std::string command = "'" + kHost + "' " + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return -1;
        std::string text;
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, n);
        const int status = pclose(pipe);
        if (output) *output = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::vector<uint8_t> bytes(const char* name) const {
        std::vector<uint8_t> data;
        std::string error;
        EXPECT_TRUE(read_file(path(name), data, error)) << error;
        return data;
    }
    std::filesystem::path dir;
    const std::string plugin = "'" + kPlugin + "'";
};

TEST_F(CorvaneCommandLine, InfoShowsTheIdentity) {
    std::string out;
    ASSERT_EQ(run("info " + plugin, &out), 0) << out;
    for (const char* expected : {"Corvane", "Tessel Works", "TWcv", "4 inputs, 2 outputs",
                                 "FilterLF", "01 Basic Follower", "20 Mother Ducker"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

TEST_F(CorvaneCommandLine, RendersTheDemoThroughAFactoryProgram) {
    std::string out;
    ASSERT_EQ(
        run("render " + plugin + " --program '03 Enveloped Verb' -q -o " + path("demo.wav"), &out),
        0)
        << out;
    AudioBuffer audio;
    std::string error;
    ASSERT_TRUE(read_audio_file(path("demo.wav"), audio, error)) << error;
    EXPECT_EQ(audio.channel_count(), 2);
    EXPECT_GT(audio.frames(), size_t{44100});
    float peak = 0.0f;
    for (const auto& channel : audio.channels)
        for (float x : channel) {
            ASSERT_TRUE(std::isfinite(x));
            peak = std::max(peak, std::fabs(x));
        }
    EXPECT_GT(peak, 0.01f);
    EXPECT_LT(peak, 2.0f);
}

// Saved after an edit, loaded into a fresh instance and saved again: the same bank, and the
// same sound from it.
TEST_F(CorvaneCommandLine, BankSavedAndLoadedAgainIsTheSame) {
    std::string out;
    ASSERT_EQ(run("render " + plugin + " --program 3 --param 27=0.3 --param 'LFO Rate=0.9' -q" +
                      " --tail 0 -o " + path("first.wav") + " --save-fxb " + path("first.fxb"),
                  &out),
              0)
        << out;
    ASSERT_EQ(run("render " + plugin + " --fxb " + path("first.fxb") + " -q -o " +
                      path("second.wav") + " --save-fxb " + path("second.fxb"),
                  &out),
              0)
        << out;
    EXPECT_EQ(bytes("first.fxb"), bytes("second.fxb"));
    EXPECT_EQ(bytes("first.wav"), bytes("second.wav"));

    FxIdentity identity;
    FxBank bank;
    std::string error;
    ASSERT_TRUE(decode_fxb(bytes("first.fxb"), identity, bank, error)) << error;
    EXPECT_EQ(identity.unique_id, vstFourCC('T', 'W', 'c', 'v'));
    EXPECT_EQ(bank.current_program, 2);
    ASSERT_EQ(bank.programs.size(), 20u);
    EXPECT_EQ(bank.programs[2].name, "03 Enveloped Verb");
    EXPECT_FLOAT_EQ(bank.programs[2].values[27], 0.3f);
    EXPECT_FLOAT_EQ(bank.programs[2].values[11], 0.9f);
    EXPECT_EQ(bank.programs[19].name, "20 Mother Ducker");
}

} // namespace
