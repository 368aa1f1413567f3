#pragma once

#include <vector>

namespace corvane {

// The blocks the plug-in benchmarks feed: four input channels (main and side-chain) of a
// repeatable full-scale pattern, so every run sees the same signal, and two outputs.
template <int Frames>
struct BenchBuffers {
    BenchBuffers() {
        for (int c = 0; c < 4; ++c) {
            in[c].assign(Frames, 0.0f);
            for (int i = 0; i < Frames; ++i)
                in[c][i] = static_cast<float>((i * 37 + c * 11) % 200) / 100.0f - 1.0f;
            in_ptr[c] = in[c].data();
        }
        for (int c = 0; c < 2; ++c) {
            out[c].assign(Frames, 0.0f);
            out_ptr[c] = out[c].data();
        }
    }

    std::vector<float> in[4], out[2];
    float* in_ptr[4];
    float* out_ptr[2];
};

} // namespace corvane
