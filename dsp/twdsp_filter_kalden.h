#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_lanes.h"

// Family of first-order filters y = b0·x + b1·x1 + a1·y1.
class twdsp_filter_kalden : public twdsp_filter {
public:
    twdsp_filter_kalden() = default;
    ~twdsp_filter_kalden() override;
};

// First-order shelf set by a transition frequency (Hz) and a gain (dB); q has no effect.
// Subclasses place the pole and the zero.
class twdsp_filter_kalden_shelf : public twdsp_filter_kalden {
public:
    twdsp_filter_kalden_shelf() = default;
    ~twdsp_filter_kalden_shelf() override;

    void reset() override { x1_ = y1_ = 0.0f; }
    float process(float x) override { return step(x, b0_, b1_, a1_, x1_, y1_); }

    // No equality test: every call recomputes.
    virtual void set_gain(float db);
    float gain() const { return gain_; }

    // Two shelves as the lanes of one (a stereo pair): takes both shelves' coefficients and
    // memories, process steps both with the same arithmetic as process, store hands the memories
    // back to the first count shelves.
    class pair {
    public:
        struct memories {
            twdsp_f4 x1, y1;
        };

        pair(twdsp_filter_kalden_shelf& first, twdsp_filter_kalden_shelf& second);
        twdsp_f4 process(twdsp_f4 x) { return process(x, m_); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return step(x, b0_, b1_, a1_, m.x1, m.y1);
        }
        const memories& memory() const { return m_; }
        void set_memory(const memories& m) { m_ = m; }
        void store(int count = 2);
        // Takes the shelves' coefficients again (after they changed), keeping the memories.
        void load_coefficients();

    private:
        twdsp_filter_kalden_shelf* filters_[2];
        twdsp_f4 b0_, b1_, a1_;
        memories m_;
    };

protected:
    template <class T>
    static T step(T x, T b0, T b1, T a1, T& x1, T& y1) {
        // The two memory terms are summed first: at 0 dB they cancel exactly (b1 = ±a1), so
        // the shelf is then an exact identity or inversion from the first sample on.
        const T y = b0 * x + (b1 * x1 + a1 * y1);
        x1 = x;
        y1 = y;
        return y;
    }

    // A = 10^(gain / 20), and the frequency and gain the coefficients may use.
    float amplitude() const;
    float transition_frequency() const { return coefficient_frequency(frequency_, 1.0f); }
    // expf(−π × hz × sample period), the product taken in double.
    float pole_radius(float hz) const;

    float a1_ = 0.0f;
    float b0_ = -1.0f;
    float b1_ = 0.0f;
    float x1_ = 0.0f;
    float y1_ = 0.0f;
    float gain_ = 0.0f;
    float pole_hz_ = 1000.0f;
    float zero_hz_ = 1000.0f;
};

inline twdsp_filter_kalden_shelf::pair::pair(twdsp_filter_kalden_shelf& first,
                                             twdsp_filter_kalden_shelf& second)
    : filters_{&first, &second}, m_{twdsp_pair(first.x1_, second.x1_),
                                    twdsp_pair(first.y1_, second.y1_)} {
    load_coefficients();
}

inline void twdsp_filter_kalden_shelf::pair::load_coefficients() {
    const twdsp_filter_kalden_shelf& first = *filters_[0];
    const twdsp_filter_kalden_shelf& second = *filters_[1];
    b0_ = twdsp_pair(first.b0_, second.b0_);
    b1_ = twdsp_pair(first.b1_, second.b1_);
    a1_ = twdsp_pair(first.a1_, second.a1_);
}

inline void twdsp_filter_kalden_shelf::pair::store(int count) {
    for (int lane = 0; lane < count && lane < 2; ++lane) {
        filters_[lane]->x1_ = m_.x1[lane];
        filters_[lane]->y1_ = m_.y1[lane];
    }
}
