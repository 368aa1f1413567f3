#include "params/CorvaneParameterManager.h"

#include "params/CorvaneParameters.h"
#include "params/tw_paramText.h"
#include "params/tw_tempoDivisions.h"

#include <cmath>

using namespace corvane;
using tw_paramText::kScratchSize;

namespace {

struct Definition {
    int index;
    const char* name;
    const char* shortName; // the host shows the first 8 characters
    const char* label;
    float minimum;
    float maximum;
    float defaultValue; // in real units
    int kind;
};

// The parameter table, in definition order (the two master modulation amounts are defined in
// swapped order; the order does not change any value).
const Definition kDefinitions[kNumParams] = {
    {kRevColor, "Rev Color", "RevColor", "", -100.0f, 100.0f, 0.0f, tw_paramManager::kKindLinear},
    {kRevDecay, "Rev Decay", "RevDecay", "", 0.0f, 1.0f, 0.5f, tw_paramManager::kKindLinear},
    {kRevMix, "Rev Mix", "Rev Mix", "%", 0.0f, 100.0f, 50.0f, tw_paramManager::kKindPercent},
    {kRevPrePost, "Rev Pre/Post", "RevRoute", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindSwitch},
    {kRevFreeze, "Rev Freeze", "RevFreez", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindSwitch},
    {kFilterCutoff, "Filter Cutoff", "FiltrCut", "Hz", 20.0f, 20000.0f, 1000.0f,
     tw_paramManager::kKindExponential},
    {kFilterReson, "Filter Reson", "FiltrRes", "", 0.0f, 1.0f, 0.5f, tw_paramManager::kKindLinear},
    {kFilterType, "Filter Type", "FiltrTyp", "", 0.0f, 2.0f, 0.0f, tw_paramManager::kKindInteger},
    {kFilterLfoMod, "Filter LFO Mod", "FilterLFO", "%", -100.0f, 100.0f, 0.0f,
     tw_paramManager::kKindLinear},
    {kFilterEnvMod, "Filter Env Mod", "FilterEnv", "%", -100.0f, 100.0f, 0.0f,
     tw_paramManager::kKindLinear},
    {kFilterDrive, "Filter Drive", "FiltrDrv", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindLinear},
    {kLfoRate, "LFO Rate", "LFO Rate", "Hz", 0.01f, 100.0f, 1.0f, tw_paramManager::kKindSyncRate},
    {kLfoPhase, "LFO Phase", "LFOPhase", "deg", 0.0f, 360.0f, 0.5f, tw_paramManager::kKindLinear},
    {kLfoShape, "LFO Shape", "LFOShape", "", 0.0f, 3.0f, 0.0f, tw_paramManager::kKindInteger},
    {kLfoSkew, "LFO Skew", "LFO Skew", "%", 0.0f, 100.0f, 50.0f, tw_paramManager::kKindPercent},
    {kLfoSync, "LFO Sync", "LFO Sync", "", 0.0f, 1.0f, 1.0f, tw_paramManager::kKindInteger},
    {kLfoTrigger, "LFO Trigger", "LFO Trig", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindLinear},
    {kEnvAttack, "Env Attack", "EnvAttak", "", 0.0f, 1.0f, 0.5f, tw_paramManager::kKindLinear},
    {kEnvDecay, "Env Decay", "EnvDecay", "", 0.0f, 1.0f, 0.5f, tw_paramManager::kKindLinear},
    {kEnvHpf, "Env HPF", "Env HPF", "Hz", 10.0f, 7500.0f, 10.0f, tw_paramManager::kKindExponential},
    {kEnvGain, "Env Gain", "Env Gain", "", 0.0f, 20.0f, 0.0f, tw_paramManager::kKindDecibel},
    {kEnvTrigger, "Env Trigger", "Env Trig", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindLinear},
    {kInput, "Input", "Input", "dB", -40.0f, 6.0f, 0.0f, tw_paramManager::kKindDecibel},
    {kFeedback, "Feedback", "Feedback", "dB", -60.0f, 0.0f, -60.0f, tw_paramManager::kKindDecibel},
    {kVca, "VCA", "VCA", "dB", -50.0f, 0.0f, 0.0f, tw_paramManager::kKindDecibel},
    {kMasterEnvMod, "Master Env Mod", "MasterEnv", "%", -100.0f, 100.0f, 0.0f,
     tw_paramManager::kKindLinear},
    {kMasterLfoMod, "Master LFO Mod", "MasterLFO", "%", -100.0f, 100.0f, 0.0f,
     tw_paramManager::kKindLinear},
    {kMix, "Mix", "Mix", "%", 0.0f, 100.0f, 50.0f, tw_paramManager::kKindPercent},
    {kBypass, "Bypass", "Bypass", "", 0.0f, 1.0f, 0.0f, tw_paramManager::kKindSwitch},
};

bool isSyncedRate(const tw_paramManager& m, int index) {
    return m.getKind(index) == tw_paramManager::kKindSyncRate && m.isSynced(index);
}

// The synchronised rate's division for normalised n, rounded to the nearest: n = 0.5 is "1/4".
float nearestDivision(float n) {
    return std::floor((1.0f - n) * 15.0f + 0.5f);
}

} // namespace

CorvaneParameterManager::CorvaneParameterManager() {
    for (const Definition& d : kDefinitions)
        defineParameter(d.index, d.name, d.shortName, d.label, d.minimum, d.maximum, d.defaultValue,
                        d.kind);
    // LFO Sync decides what LFO Rate's value means (Hz or a division): one word holds both.
    linkSyncSwitch(kLfoSync, kLfoRate);
}

CorvaneParameterManager::~CorvaneParameterManager() = default;

void CorvaneParameterManager::getDisplay(int index, char* text, int length) const {
    const Value v = getValueIn(getCurrentProgram(), index);
    displayText(index, v.normalized, v.real, text, length);
}

void CorvaneParameterManager::displayText(int index, float n, char* text, int length) const {
    displayText(index, n, toReal(index, n), text, length);
}

void CorvaneParameterManager::displayText(int index, float n, float real, char* text,
                                          int length) const {
    char scratch[kScratchSize];
    switch (index) {
        case kRevColor:
        case kFilterLfoMod:
        case kFilterEnvMod:
        case kMasterLfoMod:
        case kMasterEnvMod: {
            // Signed whole numbers: +71, 0, -35.
            const int whole = tw_paramText::truncate(real);
            tw_paramText::print(scratch, whole > 0 ? "+%d" : "%d", whole);
            break;
        }
        case kRevDecay:
        case kFilterReson:
        case kFilterDrive:
        case kEnvAttack:
        case kEnvDecay:
            // Amounts as 0..100, rounded half up.
            tw_paramText::print(scratch, "%d", tw_paramText::truncate(n * 100.0f + 0.5f));
            break;
        default:
            formatValue(index, text, real, length);
            return;
    }
    tw_paramText::copyValue(text, length, scratch);
}

void CorvaneParameterManager::formatValue(int index, char* text, float x, int length) const {
    if (!isSyncedRate(*this, index)) {
        tw_paramManager::formatValue(index, text, x, length);
        return;
    }
    const float division = nearestDivision(toNormalized(index, x));
    tw_paramText::copyValue(text, length,
                            tw_tempoDivisionAt(tw_paramText::truncate(division)).displayName);
}

float CorvaneParameterManager::toRealSynced(int index, float n, bool synced) const {
    if (!synced || index != kLfoRate) return tw_paramManager::toRealSynced(index, n, synced);
    return nearestDivision(n != n ? 0.0f : n);
}
