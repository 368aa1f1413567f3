#pragma once

// Deterministic white noise for signal tests.

#include <cstdint>
#include <vector>

namespace corvane::test {

// Linear congruential noise in [-1, 1), the same sequence on every machine.
class noise_source {
public:
    explicit noise_source(std::uint32_t seed = 12345u) : state_(seed) {}
    float next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / 8388608.0f - 1.0f;
    }
    void fill(std::vector<float>& v, float level = 1.0f) {
        for (float& x : v)
            x = level * next();
    }

private:
    std::uint32_t state_;
};

} // namespace corvane::test
