#include "tools/corvane-host/realtime_player.h"

#include <algorithm>
#include <chrono>

namespace corvane::tools {

RealtimePlayer::RealtimePlayer(PluginInstance& plugin, const AudioBuffer& signal)
    : plugin_(plugin), signal_(signal), block_(std::max<int>(plugin.block_size(), 1)),
      rate_(plugin.sample_rate() > 0.0 ? plugin.sample_rate() : 44100.0) {
    const auto frames = static_cast<size_t>(block_);
    inputs_.assign(static_cast<size_t>(std::max(plugin.num_inputs(), 0)),
                   std::vector<float>(frames, 0.0f));
    outputs_.assign(static_cast<size_t>(std::max(plugin.num_outputs(), 0)),
                    std::vector<float>(frames, 0.0f));
    for (auto& channel : inputs_)
        input_pointers_.push_back(channel.data());
    for (auto& channel : outputs_)
        output_pointers_.push_back(channel.data());
}

RealtimePlayer::~RealtimePlayer() {
    stop();
}

void RealtimePlayer::start() {
    if (thread_.joinable()) return;
    keep_running_.store(true, std::memory_order_relaxed);
    thread_ = std::thread([this] { run(); });
}

void RealtimePlayer::stop() {
    if (!thread_.joinable()) return;
    keep_running_.store(false, std::memory_order_relaxed);
    thread_.join();
}

void RealtimePlayer::run() {
    using clock = std::chrono::steady_clock;
    const size_t length = signal_.frames();
    const int sources = std::min(signal_.channel_count(), 2);
    const auto frames = static_cast<size_t>(block_);
    const clock::time_point start = clock::now();
    size_t position = 0;
    std::uint64_t played = 0;
    while (keep_running_.load(std::memory_order_relaxed)) {
        for (size_t i = 0; i < inputs_.size() && i < 2; ++i) {
            float* to = inputs_[i].data();
            if (sources == 0 || length == 0) continue;
            const auto& from = signal_.channels[std::min<size_t>(i, size_t(sources - 1))];
            for (size_t n = 0; n < frames; ++n)
                to[n] = from[(position + n) % length];
        }
        plugin_.process(input_pointers_.data(), output_pointers_.data(), block_);
        if (length > 0) position = (position + frames) % length;
        played += frames;
        frames_.store(played, std::memory_order_relaxed);
        std::this_thread::sleep_until(
            start + std::chrono::duration_cast<clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(played) / rate_)));
    }
}

} // namespace corvane::tools
