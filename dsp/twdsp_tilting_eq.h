#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_filter_kalden_high_shelf.h"
#include "dsp/twdsp_filter_kalden_low_shelf.h"

// Tilt control: a low shelf and a high shelf with opposite gains. Tilt 0 is dark (+range dB
// below the transition, −range above), 1 is bright, 0.5 flat. The low shelf's inversion makes
// the whole EQ polarity-inverting. frequency() and q() report the EQ's own fields.
class twdsp_tilting_eq final : public twdsp_filter {
public:
    twdsp_tilting_eq();
    ~twdsp_tilting_eq() override;

    void reset() override;
    void set_sample_rate(float rate) override;
    float process(float x) override { return low_.process(high_.process(x)); }
    void set_frequency(float hz) override;
    void set_q(float q) override { (void)q; }
    void set_resonance(float amount) override { (void)amount; }
    void update_coefficients() override {}

    virtual void set_tilt(float t);
    virtual void set_tilt_range(float db);
    virtual void set_low_frequency(float hz) { low_.set_frequency(hz); }
    virtual void set_high_frequency(float hz) { high_.set_frequency(hz); }

    // Two EQs as the lanes of one, shelf by shelf.
    class pair {
    public:
        struct memories {
            twdsp_filter_kalden_shelf::pair::memories low, high;
        };

        pair(twdsp_tilting_eq& first, twdsp_tilting_eq& second)
            : low_(first.low_, second.low_), high_(first.high_, second.high_) {}
        twdsp_f4 process(twdsp_f4 x) { return low_.process(high_.process(x)); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return low_.process(high_.process(x, m.high), m.low);
        }
        memories memory() const { return {low_.memory(), high_.memory()}; }
        void set_memory(const memories& m) {
            low_.set_memory(m.low);
            high_.set_memory(m.high);
        }
        void store(int count = 2) {
            low_.store(count);
            high_.store(count);
        }
        void load_coefficients() {
            low_.load_coefficients();
            high_.load_coefficients();
        }

    private:
        twdsp_filter_kalden_shelf::pair low_;
        twdsp_filter_kalden_shelf::pair high_;
    };

    float tilt() const { return tilt_; }
    float tilt_range() const { return range_; }
    const twdsp_filter_kalden_low_shelf& low_shelf() const { return low_; }
    const twdsp_filter_kalden_high_shelf& high_shelf() const { return high_; }

private:
    twdsp_filter_kalden_low_shelf low_;
    twdsp_filter_kalden_high_shelf high_;
    float range_ = 12.0f;
    float tilt_ = 0.5f;
};
