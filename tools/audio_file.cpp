#include "tools/audio_file.h"

#include "tools/pending_file.h"

#include <sndfile.h>
#include <sys/stat.h>

namespace corvane::tools {

namespace {

// Interleaving goes through a bounded scratch buffer, so long files need no second full copy.
constexpr size_t kChunkFrames = 8192;

struct SndFileCloser {
    SNDFILE* file;
    ~SndFileCloser() {
        if (file) sf_close(file);
    }
};

} // namespace

void AudioBuffer::resize(int channel_count, size_t frame_count) {
    channels.assign(static_cast<size_t>(channel_count), std::vector<float>(frame_count, 0.0f));
}

bool read_audio_file(const std::string& path, AudioBuffer& audio, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot find '" + path + "'";
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read '" + path + "' as audio: " + sf_strerror(nullptr);
        return false;
    }
    SndFileCloser closer{file};
    if (info.channels < 1 || info.channels > 2) {
        error = "'" + path + "' has " + std::to_string(info.channels) +
                " channels; a mono or stereo file is needed";
        return false;
    }
    if (info.samplerate <= 0 || info.frames <= 0) {
        error = "'" + path + "' holds no audio";
        return false;
    }
    const size_t frames = static_cast<size_t>(info.frames);
    audio.sample_rate = info.samplerate;
    audio.resize(info.channels, frames);
    std::vector<float> scratch(kChunkFrames * static_cast<size_t>(info.channels));
    size_t done = 0;
    while (done < frames) {
        const sf_count_t want = static_cast<sf_count_t>(std::min(kChunkFrames, frames - done));
        const sf_count_t got = sf_readf_float(file, scratch.data(), want);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f)
            for (int c = 0; c < info.channels; ++c)
                audio.channels[static_cast<size_t>(c)][done + static_cast<size_t>(f)] =
                    scratch[static_cast<size_t>(f * info.channels + c)];
        done += static_cast<size_t>(got);
    }
    if (done < frames) {
        error = "'" + path + "' ends early: " + sf_strerror(file);
        return false;
    }
    return true;
}

bool write_wav_file(const std::string& path, const AudioBuffer& audio, SampleFormat format,
                    std::string& error) {
    if (audio.channel_count() < 1) {
        error = "no audio to write to '" + path + "'";
        return false;
    }
    PendingFile pending;
    if (!pending.create(path, error)) return false;
    SF_INFO info{};
    info.samplerate = static_cast<int>(audio.sample_rate);
    info.channels = audio.channel_count();
    info.format = SF_FORMAT_WAV | (format == SampleFormat::pcm16   ? SF_FORMAT_PCM_16
                                   : format == SampleFormat::pcm24 ? SF_FORMAT_PCM_24
                                                                   : SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open_fd(pending.fd(), SFM_WRITE, &info, SF_FALSE);
    if (!file) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    {
        SndFileCloser closer{file};
        // Integer formats clip rather than wrap around.
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        // The peak chunk carries the time of writing; without it the same render gives the same
        // file, byte for byte.
        sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
        const size_t frames = audio.frames();
        const size_t channels = static_cast<size_t>(info.channels);
        std::vector<float> scratch(kChunkFrames * channels);
        for (size_t done = 0; done < frames;) {
            const size_t n = std::min(kChunkFrames, frames - done);
            for (size_t f = 0; f < n; ++f)
                for (size_t c = 0; c < channels; ++c)
                    scratch[f * channels + c] = audio.channels[c][done + f];
            if (sf_writef_float(file, scratch.data(), static_cast<sf_count_t>(n)) !=
                static_cast<sf_count_t>(n)) {
                error = "cannot write '" + path + "': " + sf_strerror(file);
                return false;
            }
            done += n;
        }
    }
    return pending.commit(error);
}

} // namespace corvane::tools
