#pragma once

// A processor's editor view for the editor's tests, and the gestures it hears.

#include "params/CorvaneParameters.h"
#include "processor/CorvaneChangeMailbox.h"
#include "processor/CorvaneDisplayHistory.h"
#include "processor/CorvaneEditorView.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace corvane::test {

enum Gesture { kBegin, kValue, kEnd };

struct GestureCall {
    Gesture gesture;
    int index;
    float value;
    bool operator==(const GestureCall& o) const {
        return gesture == o.gesture && index == o.index && value == o.value;
    }
};

inline std::vector<GestureCall> g_calls;

// A processor's editor view with the shape the editor relies on: it keeps the 29 normalised
// values, raises a parameter's flag on every change, answers read-outs (the LFO Rate's depends
// on LFO Sync, as the real one's does) and records the gestures it hears.
struct FakeView : CorvaneEditorView {
    FakeView() {
        for (int i = 0; i < corvane::kNumParams; ++i) {
            values[i] = 0.01f * float(i + 1);
            defaults[i] = 0.5f;
        }
    }
    std::vector<float> snapshot() const {
        return std::vector<float>(values, values + corvane::kNumParams);
    }
    // A change from anywhere: the host, automation, a program switch.
    void setParameter(int index, float value) {
        values[index] = value;
        changes.raiseOne(index);
    }
    bool synced(int index) const {
        return index == corvane::kLfoRate && values[corvane::kLfoSync] >= 0.5f;
    }

    float parameterValue(int index) const override { return values[index]; }
    float parameterDefault(int index) const override { return defaults[index]; }
    void parameterReadout(int index, char* text, std::size_t size) const override {
        if (index < 0 || index >= corvane::kNumParams)
            std::snprintf(text, size, "%s", "");
        else if (synced(index))
            std::snprintf(text, size, "%s", "1/4");
        else
            std::snprintf(text, size, "%.3fHz", values[index].load());
    }
    void beginEdit(int index) override { g_calls.push_back({kBegin, index, 0.f}); }
    void performEdit(int index, float value) override {
        setParameter(index, value);
        g_calls.push_back({kValue, index, value});
    }
    void endEdit(int index) override { g_calls.push_back({kEnd, index, 0.f}); }
    std::uint32_t takeChangedParameters() override { return changes.take(); }
    CorvaneDisplayHistory& displayHistory() override { return history; }
    void readoutAt(int, float value, char* text, std::size_t size) const override {
        std::snprintf(text, size, "%.3fHz", value);
    }
    void parameterTitle(int index, char* text, std::size_t size) const override {
        std::snprintf(text, size, "P%d", index);
    }
    bool parseTyped(int, const char*, float&) const override { return false; }
    int programCount() const override { return 0; }
    int currentProgram() const override { return 0; }
    bool programNameAt(int, char*, std::size_t) const override { return false; }
    void selectProgram(int) override {}

    // Written by whichever thread changes a parameter, read by the editor's.
    std::atomic<float> values[corvane::kNumParams];
    float defaults[corvane::kNumParams];
    corvane::CorvaneChangeMailbox<corvane::kNumParams> changes;
    CorvaneDisplayHistory history;
};

} // namespace corvane::test
