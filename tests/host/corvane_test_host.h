#pragma once

// A scripted host for tests that drive the plug-in class directly: it answers the callbacks the
// plug-in makes (time information, pin connections, MIDI wish, automation), counts them without
// allocating, and runs blocks of host-owned buffers.

#include "engine/CCorvaneEngine.h"
#include "host/Corvane.h"
#include "params/tw_paramManager.h"
#include "test_noise.h"
#include "tests/processor/processor_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace corvane::test {

class TestHost {
public:
    static constexpr int kMaxPinQueries = 16;

    // The plug-in (or a test's subclass of it) created with this host's callback.
    template <typename Plugin = Corvane>
    std::unique_ptr<Plugin> make_plugin() {
        auto plugin = std::make_unique<Plugin>(&TestHost::callback);
        plugin->getAeffect()->user = this;
        return plugin;
    }

    // What audioMasterGetTime answers: the first request (tempo and position), the second
    // (time signature).
    VstTimeInfo time{};
    bool time_available = true;
    bool signature_available = true;

    std::array<bool, 4> input_connected{true, true, true, true};
    std::array<bool, 2> output_connected{true, true};

    int calls(VstInt32 opcode) const { return counts_[opcode & 63].load(); }
    // Every callback so far, of any kind (the version request of construction aside).
    int total_calls() const {
        int n = 0;
        for (const auto& c : counts_)
            n += c.load();
        return n;
    }
    // Pin queries in the order asked: index, and 0 for an input or 1 for an output.
    struct PinQuery {
        VstInt32 pin;
        VstIntPtr output;
    };
    int pin_queries() const { return pin_query_count_; }
    PinQuery pin_query(int i) const { return pin_queries_[i]; }
    VstInt32 last_automated_index() const { return automated_index_; }
    float last_automated_value() const { return automated_value_; }

    TestHost() {
        time.tempo = 120.0;
        time.ppqPos = 0.0;
        time.timeSigNumerator = 4;
        time.timeSigDenominator = 4;
        time.sampleRate = 44100.0;
        time.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;
    }

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void*, float opt) {
        auto* self = effect ? static_cast<TestHost*>(effect->user) : nullptr;
        if (opcode == audioMasterVersion) return kVstVersion;
        if (!self) return 0;
        return self->answer(opcode, index, value, opt);
    }

    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt) {
        counts_[opcode & 63].fetch_add(1);
        switch (opcode) {
            case audioMasterGetTime:
                if (value & kVstTimeSigValid) return signature_available ? address(signature_) : 0;
                if (!time_available) return 0;
                signature_ = time;
                return address(time);
            case audioMasterPinConnected: {
                if (pin_query_count_ < kMaxPinQueries)
                    pin_queries_[pin_query_count_++] = {index, value};
                const bool connected =
                    value == 0 ? input_connected.at(index) : output_connected.at(index);
                return connected ? 0 : 1;
            }
            case audioMasterAutomate:
                automated_index_ = index;
                automated_value_ = opt;
                return 0;
            default:
                return 0;
        }
    }

    static VstIntPtr address(VstTimeInfo& info) { return reinterpret_cast<VstIntPtr>(&info); }

    VstTimeInfo signature_{};
    std::array<std::atomic<int>, 64> counts_{};
    std::array<PinQuery, kMaxPinQueries> pin_queries_{};
    int pin_query_count_ = 0;
    VstInt32 automated_index_ = -1;
    float automated_value_ = -1.0f;
};

// Host-owned buffers for one block: four inputs (main L, R, side-chain 1, 2), two outputs.
struct Block {
    explicit Block(int frames_) : frames(frames_) {
        for (auto& c : in)
            c.assign(frames, 0.0f);
        for (auto& c : out)
            c.assign(frames, 0.0f);
        for (int c = 0; c < 4; ++c)
            in_ptr[c] = in[c].data();
        for (int c = 0; c < 2; ++c)
            out_ptr[c] = out[c].data();
    }
    void fill_noise(int channel, noise_source& noise, float level = 0.5f) {
        noise.fill(in[channel], level);
    }
    void process(Corvane& plugin) { plugin.processReplacing(in_ptr, out_ptr, frames); }
    bool outputs_finite() const {
        for (const auto& c : out)
            for (float x : c)
                if (!std::isfinite(x)) return false;
        return true;
    }

    int frames;
    std::array<std::vector<float>, 4> in;
    std::array<std::vector<float>, 2> out;
    float* in_ptr[4];
    float* out_ptr[2];
};

// A request through the plug-in record, as a host makes it.
inline VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// An event list of fixed capacity, laid out as VstEvents, that needs no allocation per block.
template <int Capacity>
struct EventList {
    VstInt32 numEvents = 0;
    VstIntPtr reserved = 0;
    VstEvent* events[Capacity] = {};
    VstEvents* get() { return reinterpret_cast<VstEvents*>(this); }
};

// One MIDI message as a host delivers it.
inline VstMidiEvent midi_event(int status, int data1, int data2) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}

// Delivers events one list at a time, as effProcessEvents does.
inline void send_midi(Corvane& plugin, std::vector<VstMidiEvent> events) {
    const auto count = static_cast<VstInt32>(events.size());
    std::vector<VstIntPtr> storage(vstEventsSize(count) / sizeof(VstIntPtr));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = count;
    for (VstInt32 i = 0; i < count; ++i)
        vstSetEventAt(list, i, reinterpret_cast<VstEvent*>(&events[i]));
    EXPECT_EQ(plugin.processEvents(list), 1);
}

// The same run through any instance: blocks of assorted sizes (single frames, sizes that do not
// divide the control interval, blocks larger than hosts announce), the same noise on all four
// inputs and the same song position, through the record. Returns both outputs of every frame.
inline std::vector<float> render_run(AEffect* effect, TestHost& host, int blocks,
                                     std::uint32_t seed = 99u) {
    static constexpr int kSizes[] = {1, 13, 256, 700, 32, 4096, 5, 64};
    noise_source noise(seed);
    Block block(4096);
    std::vector<float> rendered;
    host.time.ppqPos = 0.0;
    for (int b = 0; b < blocks; ++b) {
        const int frames = kSizes[b % 8];
        for (auto& channel : block.in)
            for (int i = 0; i < frames; ++i)
                channel[i] = 0.5f * noise.next();
        effect->processReplacing(effect, block.in_ptr, block.out_ptr, frames);
        for (const auto& channel : block.out)
            rendered.insert(rendered.end(), channel.begin(), channel.begin() + frames);
        host.time.ppqPos += frames * host.time.tempo / (60.0 * host.time.sampleRate);
    }
    return rendered;
}

// The first sample whose bit pattern differs (or the shorter length), or -1 for identical runs.
inline long first_difference(const std::vector<float>& a, const std::vector<float>& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

// The engine settings that follow from the parameter values alone, not its run-time state (the
// LFO phase, the reverb tail, the smoothers and the envelope run on through a restart). Read
// only while no block runs.
inline void expect_same_engine_settings(const Corvane& expected, const Corvane& actual) {
    expect_same_engine_settings(expected.getProcessor(), actual.getProcessor());
}

inline std::uint32_t bits_of(float x) {
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

} // namespace corvane::test
