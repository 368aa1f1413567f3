#pragma once

// The plug-in's automatable parameters by host index. The plug-in, the engine's commands and the
// editor's control tags all use these numbers.
namespace corvane {

enum ParameterIndex : int {
    kRevColor = 0,
    kRevDecay = 1,
    kRevMix = 2,
    kRevPrePost = 3,
    kRevFreeze = 4,
    kFilterCutoff = 5,
    kFilterReson = 6,
    kFilterType = 7,
    kFilterLfoMod = 8,
    kFilterEnvMod = 9,
    kFilterDrive = 10,
    kLfoRate = 11,
    kLfoPhase = 12,
    kLfoShape = 13,
    kLfoSkew = 14,
    kLfoSync = 15,
    kLfoTrigger = 16,
    kEnvAttack = 17,
    kEnvDecay = 18,
    kEnvHpf = 19,
    kEnvGain = 20,
    kEnvTrigger = 21,
    kInput = 22,
    kFeedback = 23,
    kVca = 24,
    kMasterLfoMod = 25,
    kMasterEnvMod = 26,
    kMix = 27,
    kBypass = 28,
    kNumParams = 29,
};

constexpr int kNumPrograms = 20;

} // namespace corvane
