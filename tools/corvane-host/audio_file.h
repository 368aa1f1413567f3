#pragma once

#include "tools/corvane-host/pending_file.h"

#include <cstddef>
#include <memory>
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

// Audio read block by block, one array per channel.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual int channel_count() const = 0;
    virtual double sample_rate() const = 0;
    // How long the source says it is; for progress only, never to size anything.
    virtual size_t expected_frames() const = 0;
    // Reads up to frames frames into channels[0 .. channel_count()); 0 once it has ended.
    virtual size_t read(float* const* channels, size_t frames) = 0;
};

// A source playing an AudioBuffer (which must outlive it).
class BufferSource final : public AudioSource {
public:
    explicit BufferSource(const AudioBuffer& audio) : audio_(audio) {}
    int channel_count() const override { return audio_.channel_count(); }
    double sample_rate() const override { return audio_.sample_rate; }
    size_t expected_frames() const override { return audio_.frames(); }
    size_t read(float* const* channels, size_t frames) override;

private:
    const AudioBuffer& audio_;
    size_t position_ = 0;
};

// A mono or stereo file of any sample rate (WAV, or anything else libsndfile reads), streamed:
// its memory stays the same however long the file is or says it is.
class AudioFileReader final : public AudioSource {
public:
    static std::unique_ptr<AudioFileReader> open(const std::string& path, std::string& error);
    ~AudioFileReader() override;
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    int channel_count() const override { return channels_; }
    double sample_rate() const override { return rate_; }
    size_t expected_frames() const override { return header_frames_; }
    size_t read(float* const* channels, size_t frames) override;
    size_t frames_read() const { return frames_read_; }
    // The file ended before the length its header gives (known once read returned 0).
    bool ended_early() const;
    const std::string& path() const { return path_; }

private:
    AudioFileReader() = default;
    std::string path_;
    void* file_ = nullptr; // SNDFILE*
    int channels_ = 0;
    double rate_ = 0.0;
    size_t header_frames_ = 0;
    size_t frames_read_ = 0;
    bool header_too_long_ = false; // the decoder found the header's length past the file's end
    std::vector<float> scratch_;
};

// What a WAV writer saw of the samples it wrote.
struct WriteStats {
    size_t clipped = 0; // samples outside -1..1 in an integer format, written as full scale
    float peak = 0.0f;  // largest magnitude
};

// Writes a WAV file block by block through a pending file. A file replaced on commit gets an
// exact header; a direct output (a pipe, a device, standard output) cannot seek back to it, so
// its header gives the largest length instead, as streamed WAV does.
struct OutputStream;

class WavWriter {
public:
    WavWriter();
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(PendingFile& file, int channels, double sample_rate, SampleFormat format,
              std::string& error);
    bool write(const float* const* channels, size_t frames, std::string& error);
    // Completes the file's header; the pending file is committed by its owner.
    bool finish(std::string& error);
    const WriteStats& stats() const { return stats_; }

private:
    PendingFile* file_ = nullptr;
    void* sndfile_ = nullptr; // SNDFILE*
    std::unique_ptr<OutputStream> stream_;
    int channels_ = 0;
    bool integer_ = false;
    WriteStats stats_;
    std::vector<float> scratch_;
};

// Reads a whole file into memory, for files known to be short.
bool read_audio_file(const std::string& path, AudioBuffer& audio, std::string& error);
// Writes a WAV file that appears only once it is complete (see PendingFile).
bool write_wav_file(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error);

} // namespace corvane::tools
