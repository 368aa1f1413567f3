#include "params/CorvaneValueText.h"

#include "params/CorvaneParameterManager.h"
#include "params/CorvaneParameters.h"
#include "params/tw_tempoDivisions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace corvane {

namespace {

// The switches' own captions, as the panel shows them.
constexpr const char* kOffOn[] = {"OFF", "ON"};
constexpr const char* kRoutes[] = {"PRE", "POST"};
constexpr const char* kFilterTypes[] = {"LP", "BP", "HP"};
constexpr const char* kLfoShapes[] = {"SQUARE", "SAW", "SINE", "RANDOM"};
constexpr const char* kEnvTriggers[] = {"AUDIO", "MIDI", "SIDECH", "LFO"};

// The amounts shown as 0..100 while their real value runs 0..1.
bool shownAsHundredths(int index) {
    switch (index) {
        case kRevDecay:
        case kFilterReson:
        case kFilterDrive:
        case kEnvAttack:
        case kEnvDecay:
            return true;
        default:
            return false;
    }
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The text without spaces, upper case; empty when it is too long to be a value at all.
std::string compact(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (std::isspace(static_cast<unsigned char>(*p))) continue;
        out.push_back(*p);
        if (out.size() > 32) return std::string();
    }
    return upper(out);
}

float clampUnit(float n) {
    return std::clamp(n, 0.0f, 1.0f);
}

// A leading number (an explicit '+' allowed); the rest of the text into unit.
bool splitNumber(const std::string& text, double& value, std::string& unit) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [rest, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (error != std::errc() || !std::isfinite(value)) return false;
    unit.assign(rest, end);
    return true;
}

// A choice by the name its switch shows; false for any other text.
bool parseChoiceName(int index, const std::string& text, float& normalised) {
    int count = 0;
    const char* const* names = choiceNames(index, count);
    for (int i = 0; i < count; ++i) {
        if (text == names[i]) {
            normalised = static_cast<float>(i) / static_cast<float>(count - 1);
            return true;
        }
    }
    return false;
}

// The synchronised rate: division d (fastest first) sits at 1 - d / 15, where the manager's
// rounding finds it again.
bool parseDivision(const CorvaneParameterManager& params, const std::string& text,
                   float& normalised) {
    std::string name = text;
    if (name.size() > 6) return false;
    std::replace(name.begin(), name.end(), 't', 'T');
    int division = 0;
    if (!params.parseSyncDivision(name.c_str(), division)) return false;
    normalised = 1.0f - static_cast<float>(division) / static_cast<float>(kTwDivisionCount);
    return true;
}

} // namespace

const char* const* choiceNames(int index, int& count) {
    const auto answer = [&count](const auto& names) {
        count = static_cast<int>(std::size(names));
        return static_cast<const char* const*>(names);
    };
    switch (index) {
        case kRevPrePost:
            return answer(kRoutes);
        case kRevFreeze:
        case kLfoSync:
        case kBypass:
            return answer(kOffOn);
        case kFilterType:
            return answer(kFilterTypes);
        case kLfoShape:
            return answer(kLfoShapes);
        case kEnvTrigger:
            return answer(kEnvTriggers);
        default:
            count = 0;
            return nullptr;
    }
}

bool parseTypedValue(const CorvaneParameterManager& params, int index, const char* text,
                     float& normalised) {
    if (text == nullptr || index < 0 || index >= kNumParams) return false;
    const std::string typed = compact(text);
    if (typed.empty()) return false;
    // A number for a choice is its value as the host shows it (a step number, or 0..1 for the
    // choices the engine reads from a continuous value), like any other parameter's.
    if (parseChoiceName(index, typed, normalised)) return true;
    const int kind = params.getKind(index);
    if (kind == tw_paramManager::kKindSyncRate && params.isSynced(index))
        return parseDivision(params, typed, normalised);

    double value = 0.0;
    std::string unit;
    if (!splitNumber(typed, value, unit)) return false;
    std::string label(8, '\0');
    params.getLabel(index, label.data(), 8);
    label = upper(label.c_str());

    if (label == "HZ") {
        if (unit == "K" || unit == "KHZ") {
            value *= 1000.0;
        } else if (kind == tw_paramManager::kKindSyncRate && (unit == "MS" || unit == "S")) {
            // A rate typed as its period.
            const double seconds = unit == "MS" ? value / 1000.0 : value;
            if (!(seconds > 0.0)) return false;
            value = 1.0 / seconds;
        } else if (!unit.empty() && unit != "HZ") {
            return false;
        }
    } else if (kind == tw_paramManager::kKindDecibel) {
        if (!unit.empty() && unit != "DB") return false;
    } else if (kind == tw_paramManager::kKindPercent || shownAsHundredths(index) ||
               params.getMax(index) == 100.0f) {
        if (!unit.empty() && unit != "%") return false;
    } else if (!unit.empty() && unit != label) {
        return false;
    }

    if (shownAsHundredths(index)) {
        normalised = clampUnit(static_cast<float>(value / 100.0));
        return true;
    }
    const float real = static_cast<float>(
        std::clamp(value, double(params.getMin(index)), double(params.getMax(index))));
    float n = clampUnit(params.toNormalized(index, real));
    // Whole-number read-outs truncate: "-40" must not come back as -39.99998 and read "-39".
    // The mappings rise with n, so a few steps of one ulp towards the value settle it.
    for (int step = 0; step < 8 && real == std::trunc(real); ++step) {
        const float back = params.toReal(index, n);
        if (std::trunc(back) == real || std::fabs(back - real) > 1e-3f) break;
        n = std::nextafter(n, back < real ? 1.0f : 0.0f);
    }
    normalised = n;
    return true;
}

} // namespace corvane
