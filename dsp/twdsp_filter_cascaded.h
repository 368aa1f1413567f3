#pragma once

#include "dsp/twdsp_filter.h"

#include <memory>

// One second-order section of a cascaded filter. Kept in double precision: a 10 Hz corner at
// 192 kHz and above rounds the single-precision cosine to 1 and puts a pole on the unit circle.
struct twdsp_filter_cascaded_section {
    double dk = 0.0; // damping, 1 / Q
    double alpha = 0.0;
    double beta = 0.0;
    double gamma = 0.0;
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;
};

// Butterworth filter of order 2N built from N biquad sections (N = 3 here, sixth order); the
// response shape comes from a subclass's process_stage. frequency is the corner in Hz; q and
// resonance have no effect.
class twdsp_filter_cascaded : public twdsp_filter {
public:
    static constexpr int section_count = 3;

    twdsp_filter_cascaded();
    ~twdsp_filter_cascaded() override;

    void reset() override;
    void set_sample_rate(float rate) override;
    float process(float x) override;
    // Always recomputes the section coefficients for hz.
    void set_frequency(float hz) override;
    void set_q(float q) override { (void)q; }
    void set_resonance(float amount) override { (void)amount; }
    void update_coefficients() override {}

    virtual double process_stage(twdsp_filter_cascaded_section& section, double x) = 0;

    int sections() const { return count_; }

protected:
    int count_ = section_count;
    double radians_per_hz_ = 0.0;
    // Allocated once at construction; the filter's only heap memory.
    std::unique_ptr<twdsp_filter_cascaded_section[]> sections_;
};
