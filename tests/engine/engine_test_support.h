#pragma once

// Drives an engine the way the plug-in does: programs routed per parameter, blocks of host
// buffers with tempo-sync state set at each block start.

#include "engine/CCorvaneEngine.h"

#include "factory_programs_for_test.h"
#include "test_noise.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvane::test {

// An engine at rate with the input at 0 dB (the plug-in always sends every parameter; the
// input smoother alone starts from silence).
inline std::unique_ptr<CCorvaneEngine> make_engine(float rate = 44100.0f) {
    auto e = std::make_unique<CCorvaneEngine>();
    e->set_sample_rate(rate);
    e->reset();
    e->set_parameter(CCorvaneEngine::input, 0.0f);
    return e;
}

// Settles every smoother: each control tick is 32 samples.
inline void settle(CCorvaneEngine& e, int ticks = 400) {
    const float zero[32] = {};
    const float* in[4] = {zero, zero, zero, zero};
    float l[32], r[32];
    float* out[2] = {l, r};
    for (int i = 0; i < ticks; ++i)
        e.process_buffers(in, out, 2, 2, 0, 32);
}

// A host at a steady tempo, advancing its position by the frames it renders.
struct test_host {
    double rate = 44100.0;
    double tempo = 120.0;
    double position = 0.0; // quarter notes
    double sync_factor = 1.0;

    void begin_block(CCorvaneEngine& e) const {
        const double h = (1.0 / (4 * 15.0)) * tempo / rate;
        double phase = sync_factor * position + e.lfo_phase_offset();
        phase -= std::floor(phase);
        e.set_sync_phase(phase);
        e.set_sync_increment(sync_factor * h * 32.0);
    }
    void end_block(int frames) { position += frames * tempo / 60.0 / rate; }
};

// The tempo divisions' lengths in quarter notes, index 15 repeating 14.
inline double division_length(int index) {
    static const double lengths[16] = {0.125, 1.0 / 6, 0.25, 1.0 / 3, 0.375,   0.5, 2.0 / 3, 0.75,
                                       1.0,   4.0 / 3, 1.5,  2.0,     8.0 / 3, 3.0, 4.0,     4.0};
    return lengths[index < 0 ? 0 : (index > 15 ? 15 : index)];
}

// Hands one program to the engine as the plug-in does: real values (Hz, dB, shape codes) for
// the parameters it converts itself, normalised values for the rest.
inline void apply_program(CCorvaneEngine& e, const float (&v)[factory_parameter_count],
                          test_host& host) {
    const bool sync = v[15] > 0.5f;
    for (int i = 0; i < factory_parameter_count; ++i) {
        const float n = v[i];
        switch (i) {
            case 5:
                e.set_parameter(i, 20.0f * std::pow(1000.0f, n));
                break;
            case 19:
                e.set_parameter(i, 10.0f * std::pow(750.0f, n));
                break;
            case 22:
                e.set_parameter(i, -40.0f + 46.0f * n);
                break;
            case 23:
                e.set_parameter(i, -60.0f + 60.0f * n);
                break;
            case 24:
                e.set_parameter(i, -50.0f + 50.0f * n);
                break;
            case 11:
                break; // after LFO Sync, below
            case 13: {
                static const float codes[4] = {2.0f, 1.0f, 0.0f, 9.0f};
                const int step = static_cast<int>(std::floor(3.0f * n + 0.5f));
                if (step >= 0 && step < 4) e.set_parameter(i, codes[step]);
                break;
            }
            case 15:
                e.set_parameter(i, sync ? 1.0f : 0.0f);
                break;
            default:
                e.set_normalised_parameter(i, n);
                break;
        }
    }
    const float rate_hz = 0.01f * std::pow(10000.0f, v[11]);
    if (!sync) e.set_parameter(11, rate_hz);
    host.sync_factor =
        sync ? 1.0 / division_length(static_cast<int>(std::floor((1.0f - v[11]) * 15.0f + 0.5f)))
             : rate_hz;
}

// An engine at rate running factory program index as the plug-in applies it, with host set to
// the same rate.
inline std::unique_ptr<CCorvaneEngine> make_program_engine(int index, float rate, test_host& host) {
    auto e = make_engine(rate);
    host.rate = rate;
    apply_program(*e, factory_programs[index].values, host);
    return e;
}

// Four input channels and two outputs of one block size.
struct io {
    std::vector<float> main_left, main_right, side_1, side_2, out_left, out_right;
    explicit io(int frames)
        : main_left(frames), main_right(frames), side_1(frames), side_2(frames), out_left(frames),
          out_right(frames) {}
    void render(CCorvaneEngine& e, int active_inputs = 2, int active_outputs = 2,
                int sidechains = 0, int offset = 0, int frames = -1) {
        if (frames < 0) frames = static_cast<int>(main_left.size()) - offset;
        const float* in[4] = {main_left.data() + offset, main_right.data() + offset,
                              side_1.data() + offset, side_2.data() + offset};
        float* out[2] = {out_left.data() + offset, out_right.data() + offset};
        e.process_buffers(in, out, active_inputs, active_outputs, sidechains, frames);
    }
};

using noise = noise_source;

} // namespace corvane::test
