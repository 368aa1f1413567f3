#pragma once

#include "params/tw_paramManager.h"

#include <limits>

// A manager holding one parameter of every kind, at the index equal to its kind.
inline void defineEveryKind(tw_paramManager& m) {
    m.defineParameter(0, "Linear", "Lin", "u", -10.0f, 10.0f, 0.0f, tw_paramManager::kKindLinear);
    m.defineParameter(1, "Switch", "Sw", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindSwitch);
    m.defineParameter(2, "Percent", "Pct", "%", 0.0f, 100.0f, 50.0f, tw_paramManager::kKindPercent);
    m.defineParameter(3, "Auto", "Auto", "", 0.0f, 1000.0f, 5.0f,
                      tw_paramManager::kKindLinearAutoPrecision);
    m.defineParameter(4, "Exponential", "Exp", "Hz", 20.0f, 20000.0f, 1000.0f,
                      tw_paramManager::kKindExponential);
    m.defineParameter(5, "Decibel", "dB", "dB", -40.0f, 6.0f, 0.0f, tw_paramManager::kKindDecibel);
    m.defineParameter(6, "Integer", "Int", "", 0.0f, 3.0f, 0.0f, tw_paramManager::kKindInteger);
    m.defineParameter(7, "Division", "Div", "", 0.0f, 14.0f, 8.0f, tw_paramManager::kKindDivision);
    m.defineParameter(8, "Sync Time", "Time", "ms", 0.0f, 2000.0f, 250.0f,
                      tw_paramManager::kKindSyncTime);
    m.defineParameter(9, "Sync Rate", "Rate", "Hz", 0.01f, 100.0f, 1.0f,
                      tw_paramManager::kKindSyncRate);
    m.defineParameter(10, "Sync Time N", "TimeN", "ms", 0.0f, 2000.0f, 0.5f,
                      tw_paramManager::kKindSyncTimeNormalized);
    m.defineParameter(11, "Sync Rate N", "RateN", "Hz", 0.01f, 100.0f, 0.5f,
                      tw_paramManager::kKindSyncRateNormalized);
    m.defineParameter(12, "Note", "Note", "", 0.0f, 127.0f, 60.0f, tw_paramManager::kKindNote);
}

constexpr int kKindCount = 13;

// Values a host, a bug or a corrupt file could hand in.
inline const float kHostileFloats[] = {
    std::numeric_limits<float>::quiet_NaN(),
    -std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::max(),
    -std::numeric_limits<float>::max(),
    1e30f,
    -1e30f,
    3e9f,
    -3e9f,
    std::numeric_limits<float>::denorm_min(),
    -0.0f,
    -1.0f,
    -1234567.0f,
};
