#pragma once

#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/plugin_instance.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace corvane::tools {

// Plays a signal through a switched-on plug-in on an audio thread of its own, in a loop and at
// the pace of the clock, as a host's audio engine does while the user works in the plug-in's
// editor. The thread calls nothing but processReplacing (and answers the time requests that
// causes); everything else stays with the caller's thread. Blocks have the plug-in's block size;
// the signal (mono or stereo) goes to the first two inputs, any further inputs get silence.
class RealtimePlayer {
public:
    // The plug-in and the signal must outlive the player. Buffers are made here, so the audio
    // thread allocates nothing.
    RealtimePlayer(PluginInstance& plugin, const AudioBuffer& signal);
    ~RealtimePlayer();
    RealtimePlayer(const RealtimePlayer&) = delete;
    RealtimePlayer& operator=(const RealtimePlayer&) = delete;

    void start();
    // Waits for the block under way to finish.
    void stop();
    bool running() const { return thread_.joinable(); }
    std::uint64_t frames_played() const { return frames_.load(std::memory_order_relaxed); }

private:
    void run();

    PluginInstance& plugin_;
    const AudioBuffer& signal_;
    int block_;
    double rate_;
    std::vector<std::vector<float>> inputs_, outputs_;
    std::vector<float*> input_pointers_, output_pointers_;
    std::thread thread_;
    std::atomic<bool> keep_running_{false};
    std::atomic<std::uint64_t> frames_{0};
};

} // namespace corvane::tools
