#pragma once

// Measurement helpers for the block tests: steady-state sine gains and deterministic noise.

#include "dsp/twdsp_block.h"

#include "test_noise.h"

#include <cmath>
#include <cstdint>

namespace corvane::test {

// RMS gain of a block for a sine of hz at rate, measured after a settling time; the block is
// driven through its virtual process like any caller holding a base pointer.
inline double sine_gain(twdsp_block& block, double hz, double rate, int settle = 20000,
                        int measure = 40000) {
    const double w = 2.0 * 3.14159265358979323846 * hz / rate;
    double in_sum = 0.0;
    double out_sum = 0.0;
    for (int n = 0; n < settle + measure; ++n) {
        const float x = static_cast<float>(std::sin(w * n));
        const float y = block.process(x);
        if (n >= settle) {
            in_sum += static_cast<double>(x) * x;
            out_sum += static_cast<double>(y) * y;
        }
    }
    return std::sqrt(out_sum / in_sum);
}

inline double to_db(double gain) {
    return 20.0 * std::log10(gain);
}

// Gain difference in dB between two frequencies, each measured from a cleared state.
inline double gain_step_db(twdsp_block& block, double upper_hz, double lower_hz, double rate) {
    block.reset();
    const double upper = sine_gain(block, upper_hz, rate);
    block.reset();
    const double lower = sine_gain(block, lower_hz, rate);
    return to_db(upper / lower);
}

} // namespace corvane::test
