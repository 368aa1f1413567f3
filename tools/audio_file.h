#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::tools {

// Audio held in memory as one array of float samples per channel.
struct AudioBuffer {
    double sample_rate = 44100.0;
    std::vector<std::vector<float>> channels;

    size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
    int channel_count() const { return static_cast<int>(channels.size()); }
    void resize(int channel_count, size_t frames);
};

enum class SampleFormat { float32, pcm16, pcm24 };

// Reads a mono or stereo file of any sample rate (WAV, or anything else libsndfile reads).
bool read_audio_file(const std::string& path, AudioBuffer& audio, std::string& error);
// Writes a WAV file that appears only once it is complete (see PendingFile).
bool write_wav_file(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error);

} // namespace corvane::tools
