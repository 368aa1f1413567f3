#pragma once

#include "dsp/twdsp_lanes.h"
#include "dsp/twdsp_saturator.h"

// Rational soft clipper u / (1 + 0.28 u²) with u = drive × x, close to the arctangent for
// small u. Past u ≈ 1.89 the curve folds back towards 0 instead of flattening. The make-up
// gain brings an input of 1 out at 1 − 0.100002 × drive.
class twdsp_saturator_inv_atan final : public twdsp_saturator {
public:
    twdsp_saturator_inv_atan();
    ~twdsp_saturator_inv_atan() override;

    float process(float x) override { return step(x, drive_, makeup_); }

    // Drives below 0.0001 (and NaN) are taken as 0.0001: the make-up gain divides by the drive.
    virtual void set_drive(float d);

    float drive() const { return drive_; }
    float makeup_gain() const { return makeup_; }

    // Two saturators as the lanes of one (a stereo pair); they keep no memory.
    class pair {
    public:
        pair(const twdsp_saturator_inv_atan& first, const twdsp_saturator_inv_atan& second)
            : drive_(twdsp_pair(first.drive_, second.drive_)),
              makeup_(twdsp_pair(first.makeup_, second.makeup_)) {}
        twdsp_f4 process(twdsp_f4 x) const { return step(x, drive_, makeup_); }

    private:
        twdsp_f4 drive_, makeup_;
    };

    // Two saturators as lanes, each after a gain: process(x) is the pair's process(gain × x)
    // within rounding, with the gain, the drive and the make-up folded into coefficients so
    // that a single product of x precedes the division (for feedback chains, where x is the
    // last value to arrive).
    class gained_pair {
    public:
        gained_pair(const twdsp_saturator_inv_atan& first, const twdsp_saturator_inv_atan& second,
                    float gain) {
            const twdsp_f4 k = twdsp_pair(first.drive_, second.drive_) * gain;
            numerator_ = k * twdsp_pair(first.makeup_, second.makeup_);
            square_ = k * k * 0.28f;
        }
        twdsp_f4 process(twdsp_f4 x) const { return x * numerator_ / (x * x * square_ + 1.0f); }

    private:
        twdsp_f4 numerator_, square_;
    };

private:
    template <class T>
    static T step(T x, T drive, T makeup) {
        const T u = x * drive;
        // The make-up gain goes on the numerator, computed while the denominator is.
        return u * makeup / (u * u * 0.28f + 1.0f);
    }

    float drive_ = 0.001f;
    float makeup_ = 1.0f;
};
