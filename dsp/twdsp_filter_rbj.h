#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_lanes.h"

// Biquad of the RBJ cookbook family with coefficients normalised by a0. The second-order
// output memory carries an offset of ±1e-12 that flips sign every sample, so a decaying
// signal never reaches the subnormal range.
class twdsp_filter_rbj : public twdsp_filter {
public:
    twdsp_filter_rbj() = default;
    ~twdsp_filter_rbj() override;

    void reset() override { x1_ = x2_ = y1_ = y2_ = 0.0f; }
    float process(float x) override {
        return step(x, b0_, b1_, b2_, a1_, a2_, x1_, x2_, y1_, y2_, d_);
    }
    // The output times scale (see step).
    float process_scaled(float x, float scale) {
        return step(x, b0_, b1_, b2_, a1_, a2_, x1_, x2_, y1_, y2_, d_, scale);
    }
    // On: the output equals the input while the memories keep running. Off: memories cleared
    // and coefficients recomputed.
    void set_bypass(bool on) override;

    // The same biquad without the offset.
    virtual float process_plain(float x) {
        const float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

    // Takes another biquad's frequency, q and coefficients (the same as setting them at the
    // same rate, without the trigonometry).
    void copy_coefficients(const twdsp_filter_rbj& other) {
        frequency_ = other.frequency_;
        q_ = other.q_;
        a1_ = other.a1_;
        a2_ = other.a2_;
        b0_ = other.b0_;
        b1_ = other.b1_;
        b2_ = other.b2_;
    }

    // Two biquads as the lanes of one (a stereo pair): takes both filters' coefficients, memories
    // and offsets, process steps both with the same arithmetic as process, store hands the
    // memories and offsets back to the first count filters.
    class pair {
    public:
        struct memories {
            twdsp_f4 x1, x2, y1, y2, d;
        };

        pair(twdsp_filter_rbj& first, twdsp_filter_rbj& second);
        twdsp_f4 process(twdsp_f4 x) { return process_scaled(x, 1.0f, m_); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const { return process_scaled(x, 1.0f, m); }
        // The output times scale (see step).
        twdsp_f4 process_scaled(twdsp_f4 x, float scale) { return process_scaled(x, scale, m_); }
        twdsp_f4 process_scaled(twdsp_f4 x, float scale, memories& m) const {
            return step(x, b0_, b1_, b2_, a1_, a2_, m.x1, m.x2, m.y1, m.y2, m.d, scale);
        }
        const memories& memory() const { return m_; }
        void set_memory(const memories& m) { m_ = m; }
        void store(int count = 2);
        // Takes the biquads' coefficients again (after they changed), keeping the memories.
        void load_coefficients();

    private:
        twdsp_filter_rbj* filters_[2];
        twdsp_f4 b0_, b1_, b2_, a1_, a2_;
        memories m_;
    };

protected:
    // The terms of the memories are summed first: in a feedback chain the input is the last
    // value to arrive, and then only one product and one sum wait for it. Returns the output
    // times scale, computed alongside it (a power of two as scale gives exactly y × scale).
    template <class T>
    static T step(T x, T b0, T b1, T b2, T a1, T a2, T& x1, T& x2, T& y1, T& y2, T& d,
                  float scale = 1.0f) {
        const T rest = b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        const T y = b0 * x + rest;
        x2 = x1;
        x1 = x;
        y2 = y1 + d;
        y1 = y;
        d = -d;
        if (scale == 1.0f) return y;
        return b0 * scale * x + rest * scale;
    }

    float a1_ = 0.0f;
    float a2_ = 0.0f;
    float b0_ = 1.0f;
    float b1_ = 0.0f;
    float b2_ = 0.0f;
    float x1_ = 0.0f;
    float x2_ = 0.0f;
    float y1_ = 0.0f;
    float y2_ = 0.0f;
    float d_ = 1e-12f;
};

inline twdsp_filter_rbj::pair::pair(twdsp_filter_rbj& first, twdsp_filter_rbj& second)
    : filters_{&first, &second}, m_{twdsp_pair(first.x1_, second.x1_),
                                    twdsp_pair(first.x2_, second.x2_),
                                    twdsp_pair(first.y1_, second.y1_),
                                    twdsp_pair(first.y2_, second.y2_),
                                    twdsp_pair(first.d_, second.d_)} {
    load_coefficients();
}

inline void twdsp_filter_rbj::pair::load_coefficients() {
    const twdsp_filter_rbj& first = *filters_[0];
    const twdsp_filter_rbj& second = *filters_[1];
    b0_ = twdsp_pair(first.b0_, second.b0_);
    b1_ = twdsp_pair(first.b1_, second.b1_);
    b2_ = twdsp_pair(first.b2_, second.b2_);
    a1_ = twdsp_pair(first.a1_, second.a1_);
    a2_ = twdsp_pair(first.a2_, second.a2_);
}

inline void twdsp_filter_rbj::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        twdsp_filter_rbj& f = *filters_[lane];
        f.x1_ = m_.x1[lane];
        f.x2_ = m_.x2[lane];
        f.y1_ = m_.y1[lane];
        f.y2_ = m_.y2[lane];
        f.d_ = m_.d[lane];
    }
}
