#include "lv2/corvane_lv2_ports.h"

#include "params/CorvaneFactoryPrograms.h"
#include "params/tw_paramManager.h"
#include "params/tw_tempoDivisions.h"

#include <algorithm>
#include <cmath>

namespace corvane::lv2 {

namespace {

constexpr const char* kRoutes[] = {"Pre", "Post"};
constexpr const char* kFilterTypes[] = {"Low-pass", "Band-pass", "High-pass"};
constexpr const char* kLfoShapes[] = {"Square", "Saw", "Sine", "Random"};
constexpr const char* kEnvTriggers[] = {"Audio", "MIDI", "Side-chain", "LFO"};
// The divisions' own names, fastest first (the table's repeated last entry has none).
constexpr const char* kDivisions[kTwDivisionCount] = {"1/32", "1/16T", "1/16", "1/8T", "1/16.",
                                                      "1/8",  "1/4T",  "1/8.", "1/4",  "1/2T",
                                                      "1/4.", "1/2",   "1/1T", "1/2.", "1/1"};

template <int N>
constexpr int count(const char* const (&)[N]) {
    return N;
}

using P = Presentation;
using G = Group;
#define CORVANE_STEPS(names) names, count(names)

// Indexed by port: the parameters in index order, then the division port.
const ControlPortInfo kControlPorts[kControlPortCount] = {
    {"rev_color", G::Reverb, P::Real, nullptr, 0, kRevColor},
    {"rev_decay", G::Reverb, P::Real, nullptr, 0, kRevDecay},
    {"rev_mix", G::Reverb, P::Real, nullptr, 0, kRevMix},
    {"rev_pre_post", G::Reverb, P::Choice, CORVANE_STEPS(kRoutes), kRevPrePost},
    {"rev_freeze", G::Reverb, P::Toggle, nullptr, 0, kRevFreeze},
    {"filter_cutoff", G::Filter, P::Real, nullptr, 0, kFilterCutoff},
    {"filter_reson", G::Filter, P::Real, nullptr, 0, kFilterReson},
    {"filter_type", G::Filter, P::Choice, CORVANE_STEPS(kFilterTypes), kFilterType},
    {"filter_lfo_mod", G::Filter, P::Real, nullptr, 0, kFilterLfoMod},
    {"filter_env_mod", G::Filter, P::Real, nullptr, 0, kFilterEnvMod},
    {"filter_drive", G::Filter, P::Real, nullptr, 0, kFilterDrive},
    {"lfo_rate", G::Lfo, P::Real, nullptr, 0, kLfoRate},
    {"lfo_phase", G::Lfo, P::Real, nullptr, 0, kLfoPhase},
    {"lfo_shape", G::Lfo, P::Choice, CORVANE_STEPS(kLfoShapes), kLfoShape},
    {"lfo_skew", G::Lfo, P::Real, nullptr, 0, kLfoSkew},
    {"lfo_sync", G::Lfo, P::Toggle, nullptr, 0, kLfoSync},
    {"lfo_trigger", G::Lfo, P::Real, nullptr, 0, kLfoTrigger},
    {"env_attack", G::Envelope, P::Real, nullptr, 0, kEnvAttack},
    {"env_decay", G::Envelope, P::Real, nullptr, 0, kEnvDecay},
    {"env_hpf", G::Envelope, P::Real, nullptr, 0, kEnvHpf},
    {"env_gain", G::Envelope, P::Real, nullptr, 0, kEnvGain},
    {"env_trigger", G::Envelope, P::Choice, CORVANE_STEPS(kEnvTriggers), kEnvTrigger},
    {"input", G::Output, P::Real, nullptr, 0, kInput},
    {"feedback", G::Output, P::Real, nullptr, 0, kFeedback},
    {"vca", G::Output, P::Real, nullptr, 0, kVca},
    {"master_lfo_mod", G::Output, P::Real, nullptr, 0, kMasterLfoMod},
    {"master_env_mod", G::Output, P::Real, nullptr, 0, kMasterEnvMod},
    {"mix", G::Output, P::Real, nullptr, 0, kMix},
    {"bypass", G::Output, P::Toggle, nullptr, 0, kBypass},
    {"lfo_division", G::Lfo, P::Division, CORVANE_STEPS(kDivisions), kLfoRate},
};
#undef CORVANE_STEPS

// The editor's sections, left to right.
const PortGroupInfo kGroups[] = {
    {"reverb", "Reverb"},     {"filter", "Filter"}, {"lfo", "LFO"},
    {"envelope", "Envelope"}, {"output", "Output"},
};

float clampTo(float v, float lo, float hi) {
    if (!(v > lo)) return lo;
    return v > hi ? hi : v;
}

// The step a normalised value selects. Step-numbered parameters round, as the parameter
// manager does; the others (Rev Pre/Post, Env Trigger) take the step the engine takes, which
// truncates.
int stepOf(const tw_paramManager& params, const ControlPortInfo& desc, float n) {
    const float last = static_cast<float>(desc.stepCount - 1);
    float step = n * last;
    if (params.getKind(desc.parameter) == tw_paramManager::kKindInteger) step += 0.5f;
    return static_cast<int>(clampTo(std::floor(step), 0.0f, last));
}

// A parameter's real value and back, with a syncable rate always in its free unit (Hz): the
// division port stands for the synchronised one, whatever LFO Sync the manager holds.
float realOf(const tw_paramManager& params, int index, float n) {
    return params.toRealSynced(index, n, false);
}

float normalisedOf(const tw_paramManager& params, int index, float x) {
    if (params.getKind(index) != tw_paramManager::kKindSyncRate)
        return params.toNormalized(index, x);
    const float lo = params.getMin(index), hi = params.getMax(index);
    return clampTo(std::log(x / lo) / std::log(hi / lo), 0.0f, 1.0f);
}

} // namespace

const ControlPortInfo* controlPort(std::uint32_t port) {
    return port < static_cast<std::uint32_t>(kControlPortCount) ? &kControlPorts[port] : nullptr;
}

const PortGroupInfo& groupInfo(Group group) {
    return kGroups[static_cast<int>(group)];
}

float portMinimum(const tw_paramManager& params, std::uint32_t port) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc) return 0.0f;
    return desc->presentation == P::Real ? params.getMin(desc->parameter) : 0.0f;
}

float portMaximum(const tw_paramManager& params, std::uint32_t port) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc) return 0.0f;
    switch (desc->presentation) {
        case P::Real:
            return params.getMax(desc->parameter);
        case P::Toggle:
            return 1.0f;
        default:
            return static_cast<float>(desc->stepCount - 1);
    }
}

float portDefault(const tw_paramManager& params, std::uint32_t port) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc) return 0.0f;
    const float real = params.getDefault(desc->parameter);
    if (desc->presentation == P::Real) return real;
    return toPortValue(params, port, normalisedOf(params, desc->parameter, real));
}

float toPortValue(const tw_paramManager& params, std::uint32_t port, float normalised) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc) return 0.0f;
    const float n = clampTo(normalised, 0.0f, 1.0f);
    switch (desc->presentation) {
        case P::Real:
            return clampTo(realOf(params, desc->parameter, n), portMinimum(params, port),
                           portMaximum(params, port));
        case P::Toggle:
            return n > 0.5f ? 1.0f : 0.0f;
        case P::Choice:
            return static_cast<float>(stepOf(params, *desc, n));
        case P::Division:
            // The synchronised rate's nearest division; the very end of the range, a 16th
            // entry, is a whole note as the last one is.
            return clampTo(std::floor((1.0f - n) * 15.0f + 0.5f), 0.0f,
                           static_cast<float>(desc->stepCount - 1));
    }
    return 0.0f;
}

float toNormalised(const tw_paramManager& params, std::uint32_t port, float value) {
    const ControlPortInfo* desc = controlPort(port);
    if (!desc) return 0.0f;
    const float x = clampTo(value, portMinimum(params, port), portMaximum(params, port));
    switch (desc->presentation) {
        case P::Real:
            return normalisedOf(params, desc->parameter, x);
        case P::Toggle:
            return x > 0.5f ? 1.0f : 0.0f;
        case P::Choice:
            return std::floor(x + 0.5f) / static_cast<float>(desc->stepCount - 1);
        case P::Division:
            return 1.0f - std::floor(x + 0.5f) / static_cast<float>(kTwDivisionCount);
    }
    return 0.0f;
}

ProgramPortValues::ProgramPortValues(const tw_paramManager& params) {
    for (int p = 0; p < kControlPortCount; ++p)
        for (int program = 0; program < kNumPrograms; ++program) {
            const float n = kFactoryPrograms[program].values[kControlPorts[p].parameter];
            normalised_[p][program] = n;
            portValues_[p][program] = toPortValue(params, static_cast<std::uint32_t>(p), n);
        }
}

float ProgramPortValues::toNormalised(const tw_paramManager& params, std::uint32_t port,
                                      float value) const {
    if (port < static_cast<std::uint32_t>(kControlPortCount))
        for (int program = 0; program < kNumPrograms; ++program)
            if (portValues_[port][program] == value) return normalised_[port][program];
    return lv2::toNormalised(params, port, value);
}

bool divisionRulesRate(float lfoSyncPortValue) {
    return lfoSyncPortValue > 0.5f;
}

} // namespace corvane::lv2
