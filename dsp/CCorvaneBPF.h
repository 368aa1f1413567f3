#pragma once

#include "dsp/twdsp_filter.h"
#include "dsp/twdsp_filter_ms20_lp.h"
#include "dsp/twdsp_filter_rbj_high_pass.h"

// Band-pass mode of the filter stage: the resonant MS-20 low-pass followed by a fixed-q
// (0.707) RBJ high-pass at the same frequency, with a gain of 4 to make up for the narrow band.
// Resonance goes to the low-pass part only. frequency() and q() report the band-pass's own
// fields, which follow the low-pass part.
class CCorvaneBPF final : public twdsp_filter {
public:
    CCorvaneBPF();
    ~CCorvaneBPF() override;

    void reset() override;
    void set_sample_rate(float rate) override;
    float process(float x) override {
        // Qualified calls: the parts' own steps, inlined, not looked up per sample.
        return highpass_.process_scaled(lowpass_.twdsp_filter_ms20_lp::process(x), 4.0f);
    }
    void set_frequency(float hz) override;
    void set_resonance(float amount) override;
    void update_coefficients() override {}

    // Takes another band-pass's frequency and coefficients, part by part.
    void copy_coefficients(const CCorvaneBPF& other) {
        frequency_ = other.frequency_;
        lowpass_.copy_coefficients(other.lowpass_);
        highpass_.copy_coefficients(other.highpass_);
    }

    // Two band-passes as the lanes of one, part by part.
    class pair {
    public:
        struct memories {
            twdsp_filter_ms20_lp::pair::memories lowpass;
            twdsp_filter_rbj::pair::memories highpass;
        };

        pair(CCorvaneBPF& first, CCorvaneBPF& second)
            : lowpass_(first.lowpass_, second.lowpass_),
              highpass_(first.highpass_, second.highpass_) {}
        twdsp_f4 process(twdsp_f4 x) { return highpass_.process_scaled(lowpass_.process(x), 4.0f); }
        twdsp_f4 process(twdsp_f4 x, memories& m) const {
            return highpass_.process_scaled(lowpass_.process(x, m.lowpass), 4.0f, m.highpass);
        }
        memories memory() const { return {lowpass_.memory(), highpass_.memory()}; }
        void set_memory(const memories& m) {
            lowpass_.set_memory(m.lowpass);
            highpass_.set_memory(m.highpass);
        }
        void store(int count = 2) {
            lowpass_.store(count);
            highpass_.store(count);
        }
        void load_coefficients() {
            lowpass_.load_coefficients();
            highpass_.load_coefficients();
        }

    private:
        twdsp_filter_ms20_lp::pair lowpass_;
        twdsp_filter_rbj::pair highpass_;
    };

    const twdsp_filter_ms20_lp& lowpass_part() const { return lowpass_; }
    const twdsp_filter_rbj_high_pass& highpass_part() const { return highpass_; }

private:
    twdsp_filter_ms20_lp lowpass_;
    twdsp_filter_rbj_high_pass highpass_;
};
