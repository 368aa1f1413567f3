#pragma once

// What the test plug-in module (test_gain_plugin.cpp) shows of itself, for the tests that host
// it. It is a stereo gain with a side-chain: output = (main + side-chain input) x 2 x Gain, with
// Balance turning one side down, and it reports what it saw of the host through private vendor
// requests.

#include "vst/vst_abi.h"

namespace corvane::test::gain_plugin {

constexpr VstInt32 kUniqueId = vstFourCC('C', 'v', 'T', 'g');
constexpr VstInt32 kVersion = 3;
constexpr int kNumParams = 2;
constexpr int kNumPrograms = 3;
constexpr int kGain = 0;
constexpr int kBalance = 1;
constexpr int kEditorWidth = 200;
constexpr int kEditorHeight = 100;

struct Program {
    const char* name;
    float values[kNumParams];
};
constexpr Program kPrograms[kNumPrograms] = {
    {"Unity", {0.5f, 0.5f}},
    {"Quiet", {0.25f, 0.5f}},
    {"Left", {0.5f, 0.2f}},
};

// Vendor requests (effVendorSpecific: index = request, value = argument, ptr = answer).
// The k-th MIDI event received: VstInt32[4] = absolute frame, status, data 1, data 2.
constexpr VstInt32 kRequestMidiEvent = 1;
// The time information seen at the start of the last block: double[4] = tempo, ppq position,
// sample position, time-signature denominator (0 when the host gave none).
constexpr VstInt32 kRequestTime = 2;
// The input pins connected at the last resume, one bit per pin (VstInt32).
constexpr VstInt32 kRequestPins = 3;
// Asks the host the can-do text at ptr and answers what the host said.
constexpr VstInt32 kRequestHostCanDo = 4;
// Asks the host to resize the editor to value >> 16 by value & 0xffff; answers 1 if it did.
constexpr VstInt32 kRequestSizeWindow = 5;
// An editor gesture on parameter value: begin edit, automated change to opt, end edit.
constexpr VstInt32 kRequestGesture = 6;

inline float left_gain(const float* values) {
    const float balance = values[kBalance];
    return 2.0f * values[kGain] * (balance < 0.5f ? 1.0f : 2.0f * (1.0f - balance));
}
inline float right_gain(const float* values) {
    const float balance = values[kBalance];
    return 2.0f * values[kGain] * (balance > 0.5f ? 1.0f : 2.0f * balance);
}

} // namespace corvane::test::gain_plugin
