#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_lanes.h"

// Two-pole resonant low-pass after the MS-20 design: two bilinear one-pole stages with the
// output fed back, soft-clipped, subtracted before the first stage and added back before the
// second. Resonance 0..1 sets the feedback gain k = 0..2.5; at 1 the filter self-oscillates a
// little below the cutoff with its peak held by the clip.
class twdsp_filter_ms20_lp : public twdsp_filter {
public:
    twdsp_filter_ms20_lp();
    ~twdsp_filter_ms20_lp() override;

    void reset() override;
    float process(float x) override { return step(x); }
    // Recomputes even for an unchanged frequency (the engine calls it at control rate).
    void set_frequency(float hz) override;
    void set_resonance(float amount) override;
    void update_coefficients() override;
    // Takes another filter's frequency and the coefficients derived from it (the same as
    // set_frequency with that frequency at the same rate, without the tangent).
    void copy_coefficients(const twdsp_filter_ms20_lp& other) {
        frequency_ = other.frequency_;
        a_ = other.a_;
        G_ = other.G_;
    }

    // Two filters as the lanes of one (a stereo pair): takes both filters' coefficients and
    // memories, process steps both (the first in lane 0, the second in lane 1) with the same
    // arithmetic as process, store hands the memories back to the first count filters.
    class pair {
    public:
        // The lanes' memories, which a caller may keep in variables of its own over a run of
        // steps (process with memories) and hand back afterwards (set_memory).
        struct memories {
            twdsp_f4 s1, y1, s2, y2;
        };

        pair(twdsp_filter_ms20_lp& first, twdsp_filter_ms20_lp& second);
        twdsp_f4 process(twdsp_f4 x) { return process(x, m_); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return step(x, a_, G_, k_, m.s1, m.y1, m.s2, m.y2);
        }
        const memories& memory() const { return m_; }
        void set_memory(const memories& m) { m_ = m; }
        void store(int count = 2);
        // Takes the filters' coefficients again (after they changed), keeping the memories.
        void load_coefficients();

    protected:
        template <bool High>
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return step<twdsp_f4, High>(x, a_, G_, k_, m.s1, m.y1, m.s2, m.y2);
        }
        memories m_;

    private:
        twdsp_filter_ms20_lp* filters_[2];
        twdsp_f4 a_, G_, k_;
    };

protected:
    // One step of the two stages, on one sample or on lanes; returns the low-pass output y2, or
    // with High the input minus it. Every product with G is taken apart from the sums and each
    // stage's memory terms are added up before its input arrives, so that in a feedback chain
    // only a product and a sum per stage wait for the input (the same arithmetic within
    // rounding as u = (x - shaped) G, y = u + s - a y).
    template <class T, bool High = false>
    static T step(T x, T a, T G, T k, T& s1, T& y1, T& s2, T& y2) {
        const T fb = k * y2;
        // Limited to ±0.6; a NaN stays NaN (for the engine's recovery to find).
        const T clipped = twdsp_min(twdsp_splat<T>(0.6f), twdsp_max(twdsp_splat<T>(-0.6f), fb));
        const T shaped = 0.25f * fb + 0.75f * clipped;
        const T gs = shaped * G;
        const T gx = x * G;
        const T first = gx + ((s1 - a * y1) - gs);
        s1 = gx - gs;
        y1 = first;
        const T gy = first * G;
        const T rest = gs + (s2 - a * y2);
        s2 = gy + gs;
        y2 = gy + rest;
        if constexpr (High)
            return (x - rest) - gy;
        else
            return y2;
    }
    template <bool High = false>
    float step(float x) {
        return step<float, High>(x, a_, G_, k_, s1_, y1_, s2_, y2_);
    }

    float a_ = 0.0f;
    float G_ = 0.0f;
    float k_ = 0.0f;
    float s1_ = 0.0f;
    float y1_ = 0.0f;
    float s2_ = 0.0f;
    float y2_ = 0.0f;
};

inline twdsp_filter_ms20_lp::pair::pair(twdsp_filter_ms20_lp& first, twdsp_filter_ms20_lp& second)
    : m_{twdsp_pair(first.s1_, second.s1_), twdsp_pair(first.y1_, second.y1_),
         twdsp_pair(first.s2_, second.s2_), twdsp_pair(first.y2_, second.y2_)},
      filters_{&first, &second} {
    load_coefficients();
}

inline void twdsp_filter_ms20_lp::pair::load_coefficients() {
    const twdsp_filter_ms20_lp& first = *filters_[0];
    const twdsp_filter_ms20_lp& second = *filters_[1];
    a_ = twdsp_pair(first.a_, second.a_);
    G_ = twdsp_pair(first.G_, second.G_);
    k_ = twdsp_pair(first.k_, second.k_);
}

inline void twdsp_filter_ms20_lp::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        twdsp_filter_ms20_lp& f = *filters_[lane];
        f.s1_ = m_.s1[lane];
        f.y1_ = m_.y1[lane];
        f.s2_ = m_.s2[lane];
        f.y2_ = m_.y2[lane];
    }
}
