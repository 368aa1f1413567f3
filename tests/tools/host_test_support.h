#pragma once

// Shared pieces of the host tests: scratch directories, the test plug-in's paths and private
// requests, and running corvane-host as a separate process.

#include "temp_dir.h"
#include "test_gain_plugin.h"
#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/hosted_plugin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvane::test {

inline const std::string kTestPlugin = CORVANE_TEST_PLUGIN;
inline const std::string kNotAPlugin = CORVANE_NOT_A_PLUGIN;
inline const std::string kHostExecutable = CORVANE_HOST_EXECUTABLE;

inline std::unique_ptr<tools::HostedPlugin> load_test_plugin() {
    std::string error;
    auto plugin = tools::HostedPlugin::load(kTestPlugin, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

// A stereo (or mono) buffer of distinct, deterministic values.
inline tools::AudioBuffer test_signal(int channels, size_t frames, double rate = 44100.0) {
    tools::AudioBuffer audio;
    audio.sample_rate = rate;
    audio.resize(channels, frames);
    uint32_t state = 12345u + static_cast<uint32_t>(channels);
    for (auto& channel : audio.channels)
        for (float& v : channel) {
            state = state * 1664525u + 1013904223u;
            v = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
        }
    return audio;
}

inline VstInt32 plugin_pins(tools::HostedPlugin& plugin) {
    VstInt32 pins = -1;
    plugin.dispatch(effVendorSpecific, gain_plugin::kRequestPins, 0, &pins);
    return pins;
}

struct SeenTime {
    double tempo, ppq, sample_pos, denominator;
};

inline SeenTime plugin_time(tools::HostedPlugin& plugin) {
    double t[4] = {};
    plugin.dispatch(effVendorSpecific, gain_plugin::kRequestTime, 0, t);
    return {t[0], t[1], t[2], t[3]};
}

struct SeenMidi {
    VstInt32 frame, status, key, velocity;
    bool operator==(const SeenMidi& o) const {
        return frame == o.frame && status == o.status && key == o.key && velocity == o.velocity;
    }
};

inline std::vector<SeenMidi> plugin_midi(tools::HostedPlugin& plugin) {
    std::vector<SeenMidi> seen;
    for (VstIntPtr k = 0;; ++k) {
        VstInt32 e[4];
        if (!plugin.dispatch(effVendorSpecific, gain_plugin::kRequestMidiEvent, k, e)) break;
        seen.push_back({e[0], e[1], e[2], e[3]});
    }
    return seen;
}

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs corvane-host with args inside dir, capturing its output elsewhere so that dir holds only
// what the host wrote.
inline RunResult run_host(const std::vector<std::string>& args, const std::string& dir) {
    TempDir capture;
    const std::string out_path = capture.file("stdout"), err_path = capture.file("stderr");
    RunResult result;
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        if (!freopen(out_path.c_str(), "w", stdout) || !freopen(err_path.c_str(), "w", stderr))
            _exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kHostExecutable.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kHostExecutable.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::stringstream out, err;
    out << std::ifstream(out_path).rdbuf();
    err << std::ifstream(err_path).rdbuf();
    result.out = out.str();
    result.err = err.str();
    return result;
}

} // namespace corvane::test
