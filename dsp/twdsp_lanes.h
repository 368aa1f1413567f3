#pragma once

#include <cstdint>
#include <cstring>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

// Four single-precision lanes (or two double-precision ones) that run the same operations side
// by side: the two channels of a stereo chain, or several sections of one network. Every lane
// is plain IEEE arithmetic in the order written, so lane results are bit-identical to the scalar
// code they replace. The compiler's generic vectors map onto the x86-64 baseline (SSE2) and onto
// whatever other targets offer, with no instruction-set flags.
using twdsp_f4 = float __attribute__((vector_size(16)));
using twdsp_i4 = std::int32_t __attribute__((vector_size(16)));
using twdsp_d2 = double __attribute__((vector_size(16)));

inline twdsp_f4 twdsp_load(const float* p) {
    twdsp_f4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void twdsp_store(float* p, twdsp_f4 v) {
    std::memcpy(p, &v, sizeof v);
}

// The bit patterns of float lanes and back (the generic vectors reinterpret through memory,
// which the compiler turns into no instruction at all).
inline twdsp_i4 twdsp_bits(twdsp_f4 x) {
    twdsp_i4 bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

inline twdsp_f4 twdsp_from_bits(twdsp_i4 bits) {
    twdsp_f4 x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// Whether this thread's arithmetic flushes subnormal results to zero and reads subnormal
// operands as zero (as the processor has it while it runs). Then no subnormal number can arise
// from arithmetic, and flushing what it stored changes no value.
inline bool twdsp_thread_flushes_subnormals() {
#if defined(__SSE__)
    constexpr unsigned flush_and_zero = 0x8040; // flush-to-zero and denormals-are-zero
    return (_mm_getcsr() & flush_and_zero) == flush_and_zero;
#else
    return false;
#endif
}

// Lanes whose exponent bits are all clear (zero or subnormal) become +0, the others stay.
inline twdsp_f4 twdsp_flush(twdsp_f4 x) {
    const twdsp_i4 bits = twdsp_bits(x);
    return twdsp_from_bits(bits & ((bits & 0x7F800000) != 0));
}

// The same rule for one sample.
inline float twdsp_flush(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7F800000u) ? x : 0.0f;
}

// Lane-wise a where mask is set, b elsewhere (mask lanes all ones or all zeros).
inline twdsp_f4 twdsp_select(twdsp_i4 mask, twdsp_f4 a, twdsp_f4 b) {
    return twdsp_from_bits((twdsp_bits(a) & mask) | (twdsp_bits(b) & ~mask));
}

// Rows to columns: a b c d hold four rows of a 4 × 4 matrix on entry and its four columns on
// return.
inline void twdsp_transpose(twdsp_f4& a, twdsp_f4& b, twdsp_f4& c, twdsp_f4& d) {
    const twdsp_f4 ab_low = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const twdsp_f4 ab_high = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const twdsp_f4 cd_low = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const twdsp_f4 cd_high = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(ab_low, cd_low, 0, 1, 4, 5);
    b = __builtin_shufflevector(ab_low, cd_low, 2, 3, 6, 7);
    c = __builtin_shufflevector(ab_high, cd_high, 0, 1, 4, 5);
    d = __builtin_shufflevector(ab_high, cd_high, 2, 3, 6, 7);
}

// The same choice for one sample, so that a block's step can be written once for both.
inline float twdsp_select(bool condition, float a, float b) {
    return condition ? a : b;
}

// a where a < b (or a > b), b otherwise: a NaN in either gives b. That is how SSE defines its
// minimum and maximum, which the compiler does not find in the comparison on its own.
inline twdsp_f4 twdsp_min(twdsp_f4 a, twdsp_f4 b) {
#if defined(__SSE__)
    return _mm_min_ps(a, b);
#else
    return a < b ? a : b;
#endif
}
inline twdsp_f4 twdsp_max(twdsp_f4 a, twdsp_f4 b) {
#if defined(__SSE__)
    return _mm_max_ps(a, b);
#else
    return a > b ? a : b;
#endif
}
inline float twdsp_min(float a, float b) {
    return a < b ? a : b;
}
inline float twdsp_max(float a, float b) {
    return a > b ? a : b;
}

// A constant in every lane (or the constant itself).
template <class T>
inline T twdsp_splat(float x) {
    return T{} + x;
}

// Two channels' values in the first two lanes.
inline twdsp_f4 twdsp_pair(float first, float second) {
    return twdsp_f4{first, second, 0.0f, 0.0f};
}

// Lanes that hold a normal number or zero stay; NaN, infinity and subnormals become +0.
inline twdsp_f4 twdsp_finite_normal(twdsp_f4 x) {
    const twdsp_i4 exponent = twdsp_bits(x) & 0x7F800000;
    return twdsp_select((exponent != 0) & (exponent != 0x7F800000), x, twdsp_f4{});
}

// The same rule for one sample.
inline float twdsp_finite_normal(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const std::uint32_t exponent = bits & 0x7F800000u;
    return exponent != 0 && exponent != 0x7F800000u ? x : 0.0f;
}

// Lane-wise magnitude (the sign bit cleared).
inline twdsp_f4 twdsp_abs(twdsp_f4 x) {
    return twdsp_from_bits(twdsp_bits(x) & 0x7FFFFFFF);
}
