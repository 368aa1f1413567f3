#include "tools/corvane-host/demo_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace corvane::tools {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kBars = 4;
constexpr double kTailSeconds = 1.0;
constexpr double kPeak = 0.5; // -6 dBFS leaves headroom for effects that add gain

// MIDI notes of the chord in each bar (A minor, F major, C major, G major).
constexpr int kChords[kBars][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};

// A fixed-seed generator, so the noise of the drums is the same in every run.
class Noise {
public:
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_) / 2147483648.0f - 1.0f;
    }

private:
    uint32_t state_ = 0x2545f491u;
};

class Mixer {
public:
    Mixer(AudioBuffer& audio) : audio_(audio), rate_(audio.sample_rate) {}

    size_t frame_at(double seconds) const {
        return static_cast<size_t>(std::llround(seconds * rate_));
    }
    size_t frames() const { return audio_.frames(); }
    double rate() const { return rate_; }
    void add(size_t frame, float left, float right) {
        if (frame >= audio_.frames()) return;
        audio_.channels[0][frame] += left;
        audio_.channels[1][frame] += right;
    }

private:
    AudioBuffer& audio_;
    double rate_;
};

// Each hit fades out over the last fifth of its length, so cutting it off never clicks.
double fade_out(double t, double length) {
    return std::min(1.0, 5.0 * (length - t) / length);
}

void add_kick(Mixer& mix, double start) {
    const double seconds = 0.6;
    const size_t first = mix.frame_at(start);
    const size_t length = mix.frame_at(seconds);
    double phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / mix.rate();
        const double frequency = 48.0 + 110.0 * std::exp(-t / 0.035);
        phase += 2.0 * kPi * frequency / mix.rate();
        const float v =
            static_cast<float>(0.9 * std::sin(phase) * std::exp(-t / 0.15) * fade_out(t, seconds));
        mix.add(first + i, v, v);
    }
}

void add_snare(Mixer& mix, Noise& noise, double start) {
    const double seconds = 0.35;
    const size_t first = mix.frame_at(start);
    const size_t length = mix.frame_at(seconds);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / mix.rate();
        const double body = 0.35 * std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.07);
        const double rattle = 0.4 * noise.next() * std::exp(-t / 0.11);
        const float v = static_cast<float>((body + rattle) * fade_out(t, seconds));
        mix.add(first + i, v * 0.95f, v);
    }
}

// Closed hats: the first difference of noise keeps mostly its highs.
void add_hat(Mixer& mix, Noise& noise, double start, bool accent, bool left_side) {
    const double seconds = 0.09;
    const size_t first = mix.frame_at(start);
    const size_t length = mix.frame_at(seconds);
    const double level = accent ? 0.22 : 0.14;
    float previous = 0.0f;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / mix.rate();
        const float n = noise.next();
        const float v = static_cast<float>(level * (n - previous) * std::exp(-t / 0.025) *
                                           fade_out(t, seconds));
        previous = n;
        mix.add(first + i, left_side ? v : 0.6f * v, left_side ? 0.6f * v : v);
    }
}

// Two slightly detuned saws per note, one per side, softened by a one-pole low-pass.
void add_chord(Mixer& mix, const int (&notes)[3], double start, double length) {
    const size_t first = mix.frame_at(start);
    const size_t count = mix.frame_at(length);
    const double attack = 0.04, release = 0.25;
    const double smoothing = 1.0 - std::exp(-2.0 * kPi * 1800.0 / mix.rate());
    for (int note : notes) {
        const double frequency = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        const double step_left = frequency * std::pow(2.0, -5.0 / 1200.0) / mix.rate();
        const double step_right = frequency * std::pow(2.0, 5.0 / 1200.0) / mix.rate();
        double phase_left = 0.0, phase_right = 0.25, low_left = 0.0, low_right = 0.0;
        for (size_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(i) / mix.rate();
            const double envelope = std::min({1.0, t / attack, (length - t) / release});
            phase_left += step_left;
            phase_left -= std::floor(phase_left);
            phase_right += step_right;
            phase_right -= std::floor(phase_right);
            low_left += smoothing * ((2.0 * phase_left - 1.0) - low_left);
            low_right += smoothing * ((2.0 * phase_right - 1.0) - low_right);
            const double level = 0.09 * std::max(envelope, 0.0);
            mix.add(first + i, static_cast<float>(level * low_left),
                    static_cast<float>(level * low_right));
        }
    }
}

} // namespace

AudioBuffer make_demo_signal(double sample_rate, double tempo, int numerator, int denominator) {
    const int beats_per_bar = std::max(numerator, 1);
    const double beat = 60.0 / tempo * 4.0 / std::max(denominator, 1);
    const double bar = beat * beats_per_bar;
    AudioBuffer audio;
    audio.sample_rate = sample_rate;
    audio.resize(2, static_cast<size_t>((bar * kBars + kTailSeconds) * sample_rate));
    Mixer mix(audio);
    Noise noise;
    for (int b = 0; b < kBars; ++b) {
        add_chord(mix, kChords[b], b * bar, bar);
        for (int k = 0; k < beats_per_bar; ++k) {
            const double at = b * bar + k * beat;
            if (k % 2 == 0)
                add_kick(mix, at);
            else
                add_snare(mix, noise, at);
            add_hat(mix, noise, at, true, k % 2 == 0);
            add_hat(mix, noise, at + beat / 2.0, false, k % 2 != 0);
        }
    }
    float peak = 0.0f;
    for (const auto& channel : audio.channels)
        for (float v : channel)
            peak = std::max(peak, std::fabs(v));
    if (peak > 0.0f) {
        const float gain = static_cast<float>(kPeak) / peak;
        for (auto& channel : audio.channels)
            for (float& v : channel)
                v *= gain;
    }
    return audio;
}

} // namespace corvane::tools
