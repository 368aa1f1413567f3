#include "dsp/CCorvaneBPF.h"

CCorvaneBPF::CCorvaneBPF() {
    frequency_ = 1000.0f;
}

CCorvaneBPF::~CCorvaneBPF() = default;

void CCorvaneBPF::reset() {
    lowpass_.reset();
    highpass_.reset();
}

void CCorvaneBPF::set_sample_rate(float rate) {
    if (!usable_rate(rate)) return;
    twdsp_block::set_sample_rate(rate);
    lowpass_.set_sample_rate(rate);
    highpass_.set_sample_rate(rate);
}

void CCorvaneBPF::set_frequency(float hz) {
    frequency_ = hz;
    lowpass_.set_frequency(hz);
    highpass_.set_frequency(hz);
}

void CCorvaneBPF::set_resonance(float amount) {
    lowpass_.set_resonance(amount);
    q_ = lowpass_.q();
}
