#pragma once

// Helpers for driving a CorvaneProcessor directly, as any format edition does.

#include "engine/CCorvaneEngine.h"
#include "params/tw_paramManager.h"
#include "processor/CorvaneProcessor.h"
#include "test_noise.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace corvane::test {

// Four input channels of noise and two outputs.
struct Buffers {
    explicit Buffers(int frames, unsigned seed = 1)
        : in(4, std::vector<float>(frames)), out(2, std::vector<float>(frames)) {
        noise_source noise(seed);
        for (auto& channel : in)
            for (float& x : channel)
                x = 0.5f * noise.next();
        for (int c = 0; c < 4; ++c)
            in_ptr[c] = in[c].data();
        for (int c = 0; c < 2; ++c)
            out_ptr[c] = out[c].data();
    }
    CorvaneProcessor::Block block(int frames) const {
        CorvaneProcessor::Block b;
        b.inputs = in_ptr;
        b.outputs = out_ptr;
        b.frames = frames;
        return b;
    }
    std::vector<std::vector<float>> in, out;
    const float* in_ptr[4] = {};
    float* out_ptr[2] = {};
};

inline std::unique_ptr<CorvaneProcessor> make_processor() {
    auto p = std::make_unique<CorvaneProcessor>();
    p->setSampleRate(48000.0);
    p->setChannelLayout(2, 2, 0);
    p->activate();
    return p;
}

// A fresh processor holding the same program and the same 29 values.
inline std::unique_ptr<CorvaneProcessor> fresh_copy(const CorvaneProcessor& of) {
    auto p = make_processor();
    p->setProgram(of.program());
    for (int i = 0; i < CorvaneProcessor::kNumParams; ++i)
        p->setParameter(i, of.getParameter(i));
    // A block of no frames: the changes reach the engine, nothing is rendered.
    p->process(CorvaneProcessor::Block());
    return p;
}

// What the engine was told, as far as a listener could tell it apart.
inline void expect_same_engine_settings(const CorvaneProcessor& expected,
                                        const CorvaneProcessor& actual) {
    const CCorvaneEngine& a = expected.engine();
    const CCorvaneEngine& b = actual.engine();
    EXPECT_EQ(expected.syncFactor(), actual.syncFactor());
    EXPECT_EQ(a.sync_on(), b.sync_on());
    if (!a.sync_on()) {
        EXPECT_EQ(a.lfo().frequency(), b.lfo().frequency());
    }
    EXPECT_EQ(a.filter_type_index(), b.filter_type_index());
    EXPECT_EQ(a.lfo().shape(), b.lfo().shape());
    EXPECT_EQ(a.lfo().skew(), b.lfo().skew());
    EXPECT_EQ(a.route(), b.route());
    EXPECT_EQ(a.trigger_mode(), b.trigger_mode());
    EXPECT_EQ(a.bypassed(), b.bypassed());
    EXPECT_EQ(a.envelope_gain(), b.envelope_gain());
    EXPECT_EQ(a.lfo_phase_offset(), b.lfo_phase_offset());
    EXPECT_EQ(a.reverb_decay(), b.reverb_decay());
    EXPECT_EQ(a.reverb_freeze(), b.reverb_freeze());
}

// Runs another thread's action to its end while the thread that reaches `step` first (on the
// arming thread) is held there: the interleaving a preemption at that point would give.
class Interleave {
public:
    Interleave(CorvaneProcessor& processor, CorvaneProcessor::Step step,
               std::function<void()> other)
        : processor_(processor), step_(step), other_(std::move(other)),
          thread_(std::this_thread::get_id()) {
        processor_.setTestHook(&Interleave::hook, this);
    }
    ~Interleave() { processor_.setTestHook(nullptr, nullptr); }
    bool happened() const { return !other_; }

private:
    static void hook(void* context, CorvaneProcessor::Step step) {
        auto* self = static_cast<Interleave*>(context);
        if (!self->other_ || step != self->step_ || std::this_thread::get_id() != self->thread_)
            return;
        auto other = std::move(self->other_);
        self->other_ = nullptr;
        std::thread t(other);
        t.join();
    }

    CorvaneProcessor& processor_;
    CorvaneProcessor::Step step_;
    std::function<void()> other_;
    std::thread::id thread_;
};

} // namespace corvane::test
