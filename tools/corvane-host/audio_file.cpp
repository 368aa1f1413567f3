#include "tools/corvane-host/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::tools {

// A direct output seen by the encoder as a stream it can only append to: a pipe, a device or
// standard output (also when that is a file, which the encoder would take for a file inside
// another one).
struct OutputStream {
    int fd;
    sf_count_t written;
};

namespace {

// Interleaving goes through a bounded scratch buffer, so long files need no second full copy.
constexpr size_t kChunkFrames = 8192;

SNDFILE* as_sndfile(void* file) {
    return static_cast<SNDFILE*>(file);
}

void put_le(std::vector<uint8_t>& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The header of a WAV stream of unknown length: both lengths at their largest.
std::vector<uint8_t> streamed_wav_header(int channels, int rate, SampleFormat format) {
    const int bits = format == SampleFormat::pcm16 ? 16 : (format == SampleFormat::pcm24 ? 24 : 32);
    const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
    std::vector<uint8_t> h;
    for (char c : std::string("RIFF"))
        h.push_back(static_cast<uint8_t>(c));
    put_le(h, 0xffffffffu, 4);
    for (char c : std::string("WAVEfmt "))
        h.push_back(static_cast<uint8_t>(c));
    put_le(h, 16, 4);
    put_le(h, format == SampleFormat::float32 ? 3 : 1, 2); // IEEE float or PCM
    put_le(h, static_cast<uint32_t>(channels), 2);
    put_le(h, static_cast<uint32_t>(rate), 4);
    put_le(h, static_cast<uint32_t>(rate) * align, 4);
    put_le(h, align, 2);
    put_le(h, static_cast<uint32_t>(bits), 2);
    for (char c : std::string("data"))
        h.push_back(static_cast<uint8_t>(c));
    put_le(h, 0xffffffffu, 4);
    return h;
}

sf_count_t stream_length(void* user) {
    return static_cast<OutputStream*>(user)->written;
}

sf_count_t stream_seek(sf_count_t, int, void* user) {
    return static_cast<OutputStream*>(user)->written;
}

sf_count_t stream_read(void*, sf_count_t, void*) {
    return 0;
}

sf_count_t stream_write(const void* data, sf_count_t count, void* user) {
    OutputStream* stream = static_cast<OutputStream*>(user);
    const char* bytes = static_cast<const char*>(data);
    sf_count_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(stream->fd, bytes + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    stream->written += done;
    return done;
}

sf_count_t stream_tell(void* user) {
    return static_cast<OutputStream*>(user)->written;
}

SF_VIRTUAL_IO g_stream_io = {stream_length, stream_seek, stream_read, stream_write, stream_tell};

int subtype_of(SampleFormat format) {
    return format == SampleFormat::pcm16   ? SF_FORMAT_PCM_16
           : format == SampleFormat::pcm24 ? SF_FORMAT_PCM_24
                                           : SF_FORMAT_FLOAT;
}

} // namespace

void AudioBuffer::resize(int channel_count, size_t frame_count) {
    channels.assign(static_cast<size_t>(channel_count), std::vector<float>(frame_count, 0.0f));
}

size_t BufferSource::read(float* const* channels, size_t frames) {
    const size_t n = std::min(frames, audio_.frames() - std::min(position_, audio_.frames()));
    for (size_t c = 0; c < audio_.channels.size(); ++c)
        std::copy_n(audio_.channels[c].data() + position_, n, channels[c]);
    position_ += n;
    return n;
}

std::unique_ptr<AudioFileReader> AudioFileReader::open(const std::string& path,
                                                       std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "cannot find '" + path + "'";
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read '" + path + "' as audio: " + sf_strerror(nullptr);
        return nullptr;
    }
    std::unique_ptr<AudioFileReader> reader(new AudioFileReader());
    reader->file_ = file;
    reader->path_ = path;
    if (info.channels < 1 || info.channels > 2) {
        error = "'" + path + "' has " + std::to_string(info.channels) +
                " channels; a mono or stereo file is needed";
        return nullptr;
    }
    if (info.samplerate <= 0 || info.frames <= 0) {
        error = "'" + path + "' holds no audio";
        return nullptr;
    }
    reader->channels_ = info.channels;
    reader->rate_ = info.samplerate;
    reader->header_frames_ = static_cast<size_t>(info.frames);
    // Where the header claims more than the file holds, the decoder trims the length it gives
    // and notes why in its log. A streamed WAV's largest length means "until the end".
    char log[4096] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    const bool streamed = std::strstr(log, "data : 4294967295") != nullptr;
    reader->header_too_long_ = (!streamed && std::strstr(log, "(should be") != nullptr) ||
                               std::strstr(log, "greater than") != nullptr ||
                               std::strstr(log, "past end of file") != nullptr;
    try {
        reader->scratch_.resize(kChunkFrames * static_cast<size_t>(info.channels));
    } catch (const std::bad_alloc&) {
        error = "out of memory reading '" + path + "'";
        return nullptr;
    }
    return reader;
}

AudioFileReader::~AudioFileReader() {
    if (file_) sf_close(as_sndfile(file_));
}

size_t AudioFileReader::read(float* const* channels, size_t frames) {
    size_t done = 0;
    const size_t width = static_cast<size_t>(channels_);
    while (done < frames) {
        const size_t want = std::min(kChunkFrames, frames - done);
        const sf_count_t got =
            sf_readf_float(as_sndfile(file_), scratch_.data(), static_cast<sf_count_t>(want));
        if (got <= 0) break;
        for (size_t f = 0; f < static_cast<size_t>(got); ++f)
            for (size_t c = 0; c < width; ++c)
                channels[c][done + f] = scratch_[f * width + c];
        done += static_cast<size_t>(got);
        if (static_cast<size_t>(got) < want) break;
    }
    frames_read_ += done;
    return done;
}

bool AudioFileReader::ended_early() const {
    return header_too_long_ || frames_read_ < header_frames_;
}

WavWriter::WavWriter() = default;

WavWriter::~WavWriter() {
    if (sndfile_) sf_close(as_sndfile(sndfile_));
}

bool WavWriter::open(PendingFile& file, int channels, double sample_rate, SampleFormat format,
                     std::string& error) {
    file_ = &file;
    channels_ = channels;
    integer_ = format != SampleFormat::float32;
    SF_INFO info{};
    info.samplerate = static_cast<int>(sample_rate);
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype_of(format);
    if (file.direct()) {
        // The header goes first, then the samples as a raw little-endian stream.
        if (!write_all(file, streamed_wav_header(channels, info.samplerate, format), error))
            return false;
        info.format = SF_FORMAT_RAW | subtype_of(format) | SF_ENDIAN_LITTLE;
        stream_ = std::make_unique<OutputStream>(OutputStream{file.fd(), 0});
    }
    SNDFILE* out = stream_ ? sf_open_virtual(&g_stream_io, SFM_WRITE, &info, stream_.get())
                           : sf_open_fd(file.fd(), SFM_WRITE, &info, SF_FALSE);
    if (!out) {
        error = "cannot write '" + file.destination() + "': " + sf_strerror(nullptr);
        return false;
    }
    sndfile_ = out;
    // Integer formats clip rather than wrap around.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk carries the time of writing; without it the same render gives the same
    // file, byte for byte.
    sf_command(out, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    try {
        scratch_.resize(kChunkFrames * static_cast<size_t>(channels));
    } catch (const std::bad_alloc&) {
        error = "out of memory writing '" + file.destination() + "'";
        return false;
    }
    return true;
}

bool WavWriter::write(const float* const* channels, size_t frames, std::string& error) {
    const size_t width = static_cast<size_t>(channels_);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kChunkFrames, frames - done);
        for (size_t f = 0; f < n; ++f)
            for (size_t c = 0; c < width; ++c) {
                const float v = channels[c][done + f];
                const float magnitude = std::fabs(v);
                stats_.peak = std::max(stats_.peak, magnitude);
                if (integer_ && magnitude > 1.0f) ++stats_.clipped;
                scratch_[f * width + c] = v;
            }
        errno = 0;
        if (sf_writef_float(as_sndfile(sndfile_), scratch_.data(), static_cast<sf_count_t>(n)) !=
            static_cast<sf_count_t>(n)) {
            error = "cannot write '" + file_->destination() +
                    "': " + (errno ? std::strerror(errno) : sf_strerror(as_sndfile(sndfile_)));
            return false;
        }
        done += n;
    }
    return true;
}

bool WavWriter::finish(std::string& error) {
    SNDFILE* out = as_sndfile(sndfile_);
    sndfile_ = nullptr;
    // Closing writes the final header; its errors show in the file's own error state first.
    sf_write_sync(out);
    const int state = sf_error(out);
    const std::string why = state ? sf_strerror(out) : std::string();
    sf_close(out);
    if (state) error = "cannot write '" + file_->destination() + "': " + why;
    return state == 0;
}

bool read_audio_file(const std::string& path, AudioBuffer& audio, std::string& error) {
    std::unique_ptr<AudioFileReader> reader = AudioFileReader::open(path, error);
    if (!reader) return false;
    audio = AudioBuffer{};
    audio.sample_rate = reader->sample_rate();
    audio.channels.resize(static_cast<size_t>(reader->channel_count()));
    std::vector<std::vector<float>> block(audio.channels.size(), std::vector<float>(kChunkFrames));
    std::vector<float*> pointers;
    for (auto& b : block)
        pointers.push_back(b.data());
    // Grown by what is read, never by what the header says.
    while (const size_t n = reader->read(pointers.data(), kChunkFrames))
        for (size_t c = 0; c < block.size(); ++c)
            audio.channels[c].insert(audio.channels[c].end(), block[c].begin(),
                                     block[c].begin() + static_cast<std::ptrdiff_t>(n));
    if (reader->ended_early()) {
        error = "'" + path + "' ends early, after " + std::to_string(reader->frames_read()) +
                " of the " + std::to_string(reader->expected_frames()) + " frames its header gives";
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
    WavWriter writer;
    std::vector<const float*> pointers;
    for (const auto& channel : audio.channels)
        pointers.push_back(channel.data());
    return pending.create(path, error) &&
           writer.open(pending, audio.channel_count(), audio.sample_rate, format, error) &&
           writer.write(pointers.data(), audio.frames(), error) && writer.finish(error) &&
           pending.commit(error);
}

} // namespace corvane::tools
