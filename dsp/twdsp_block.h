#pragma once

// Common base of every signal-processing unit: a mono, single-sample, single-precision block
// that knows its sample rate. The virtual operations are declared in a fixed order that every
// derived block extends; blocks are owned and driven by one thread at a time (their caller's).
class twdsp_block {
public:
    twdsp_block() = default;
    virtual ~twdsp_block();

    virtual void reset() {}
    // Rates that are not finite or not positive are ignored, so a broken host cannot put a
    // division by zero into any coefficient.
    virtual void set_sample_rate(float rate);
    virtual void set_parameter(int index, float value) {
        (void)index;
        (void)value;
    }
    virtual float process(float x) { return x; }
    virtual void process_block(const float* in, float* out, int count);
    virtual void set_bypass(bool on) { (void)on; }

    float sample_rate() const { return sample_rate_; }
    float sample_period() const { return sample_period_; }
    float samples_per_millisecond() const { return samples_per_ms_; }

protected:
    // True when the rate may be used; set_sample_rate overrides test it before doing anything.
    static bool usable_rate(float rate);

    float sample_rate_ = 44100.0f;
    float sample_period_ = 1.0f / 44100.0f;
    float samples_per_ms_ = 44.1f;
};
