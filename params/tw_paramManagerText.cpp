// The text side of tw_paramManager: names, labels, value texts and parsing.

#include "params/tw_paramManager.h"

#include "params/tw_paramText.h"
#include "params/tw_tempoDivisions.h"

#include <cstdio>
#include <cstring>

using tw_paramText::kScratchSize;

namespace {

const char* const kNoteNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                    "F#", "G",  "G#", "A",  "A#", "B"};

// More decimals for smaller magnitudes, so a value keeps about three significant digits within
// four or five characters.
void printAutoPrecision(char (&scratch)[kScratchSize], float x) {
    if (x < 1.0f)
        tw_paramText::print(scratch, "%3.3f", x);
    else if (x < 10.0f)
        tw_paramText::print(scratch, "%4.2f", x);
    else if (x < 100.0f)
        tw_paramText::print(scratch, "%4.1f", x);
    else
        tw_paramText::print(scratch, "%4.0f", x);
}

const char* divisionName(float index) {
    return tw_tempoDivisionAt(tw_paramText::truncate(index)).displayName;
}

} // namespace

std::string tw_paramManager::getNameString(int index) const {
    const Parameter* p = find(index);
    return p ? p->name : std::string();
}

void tw_paramManager::getName(int index, char* text, int length) const {
    const Parameter* p = find(index);
    // Up to eight characters a display only has room for the short name.
    const char* name = !p ? "" : length < 9 ? p->shortName.c_str() : p->name.c_str();
    tw_paramText::copyName(text, length, name);
}

void tw_paramManager::getLabel(int index, char* text, int length) const {
    const Parameter* p = find(index);
    const char* label = "";
    if (p) {
        const bool synced = isSynced(index);
        switch (p->kind) {
            case kKindSyncTime:
            case kKindSyncTimeNormalized:
                label = synced ? "" : length >= 5 ? "msec" : "ms";
                break;
            case kKindSyncRate:
            case kKindSyncRateNormalized:
                label = synced ? "" : "Hz";
                break;
            default:
                label = p->label.c_str();
                break;
        }
    }
    tw_paramText::copyName(text, length, label);
}

void tw_paramManager::getDisplay(int index, char* text, int length) const {
    formatValue(index, text, getReal(index), length);
}

void tw_paramManager::formatValue(int index, char* text, float x, int length) const {
    const Parameter* p = find(index);
    char scratch[kScratchSize] = "";
    if (p) {
        const bool synced = isSynced(index);
        switch (p->kind) {
            case kKindSwitch:
                tw_paramText::print(scratch, "%s", x > 0.5f ? "On" : "Off");
                break;
            case kKindLinearAutoPrecision:
            case kKindExponential:
                printAutoPrecision(scratch, x);
                break;
            case kKindInteger:
                tw_paramText::print(scratch, "%4d", tw_paramText::truncate(x));
                break;
            case kKindDivision:
                tw_paramText::print(scratch, "%s", divisionName(toNormalized(index, x) * 15.0f));
                break;
            case kKindSyncTime:
                if (synced)
                    tw_paramText::print(scratch, "%s", divisionName(x));
                else
                    tw_paramText::print(scratch, "%4.0f", x);
                break;
            case kKindSyncRate:
                // While synchronised the real value is the division index itself. Going through
                // 1 - toNormalized(x) would round 1, 2, 3, 4 and 6 down to the division before,
                // naming a different division from the one the engine times.
                if (synced)
                    tw_paramText::print(scratch, "%s", divisionName(x));
                else
                    printAutoPrecision(scratch, x);
                break;
            case kKindSyncRateNormalized:
                if (synced)
                    tw_paramText::print(scratch, "%s",
                                        divisionName((1.0f - toNormalized(index, x)) * 15.0f));
                else
                    printAutoPrecision(scratch, x);
                break;
            case kKindSyncTimeNormalized:
                if (synced)
                    tw_paramText::print(scratch, "%s",
                                        divisionName(toNormalized(index, x) * 15.0f));
                else
                    tw_paramText::print(scratch, "%4.0f", linear(*p, x));
                break;
            case kKindNote: {
                // Floored, in 64 bits, so that any note number (even below 0) finds a name.
                const long long note = tw_paramText::truncate(x);
                const long long pitch = (note % 12 + 12) % 12;
                const long long octave = (note - pitch) / 12 - 2;
                tw_paramText::print(scratch, "%s%lld", kNoteNames[pitch], octave);
                break;
            }
            default:
                tw_paramText::print(scratch, "%4.0f", x);
                break;
        }
    }
    tw_paramText::copyValue(text, length, scratch);
}

void tw_paramManager::formatNormalized(int index, char* text, float n) const {
    formatValue(index, text, toReal(index, n), 8);
}

void tw_paramManager::getNormalizedText(int index, char* text) const {
    char scratch[kScratchSize];
    tw_paramText::print(scratch, "%f", getNormalized(index));
    tw_paramText::copyName(text, 8, scratch);
}

void tw_paramManager::getDisplayCompact(int index, char* text, int length) const {
    if (!text || length < 0) return;
    char scratch[kScratchSize] = "";
    getDisplay(index, scratch, length < kScratchSize ? length : kScratchSize - 1);
    int n = 0;
    for (const char* c = scratch; *c != '\0' && n < length; ++c)
        if (*c != ' ') text[n++] = *c;
    text[n] = '\0';
}

void tw_paramManager::formatMilliseconds(char* text, float ms, int length) const {
    char scratch[kScratchSize];
    if (ms >= 1000.0f)
        tw_paramText::print(scratch, "%4.3f", ms * 0.001f);
    else
        tw_paramText::print(scratch, "%3.0f", ms);
    tw_paramText::copyName(text, length, scratch);
}

bool tw_paramManager::parseSyncDivision(const char* text, int& out) const {
    if (!text) return false;
    char compact[7];
    int n = 0;
    for (int i = 0; i < 6 && text[i] != '\0'; ++i)
        if (text[i] != ' ') compact[n++] = text[i];
    compact[n] = '\0';
    for (int i = 0; i < kTwDivisionCount; ++i) {
        if (std::strcmp(compact, tw_tempoDivisions[i].parseName) == 0) {
            out = i;
            return true;
        }
    }
    return false;
}

bool tw_paramManager::parseValue(int index, const char* text, float& out) const {
    const Parameter* p = find(index);
    if (!p) return false;
    const bool synced = isSynced(index);
    bool understood = false;
    float lo = p->minimum;
    float hi = p->maximum;
    if (p->kind == kKindSwitch) {
        understood = false;
    } else if (p->kind == kKindDivision ||
               (synced && (p->kind == kKindSyncTime || p->kind == kKindSyncRate))) {
        int division = 0;
        understood = parseSyncDivision(text, division);
        if (understood) out = static_cast<float>(division);
        // While synchronised the real value is a division index, not milliseconds or Hz, so it
        // is kept within the divisions rather than the free range.
        if (p->kind != kKindDivision) {
            lo = 0.0f;
            hi = static_cast<float>(kTwDivisionCount - 1);
        }
    } else if (text) {
        float value = 0.0f;
        understood = std::sscanf(text, "%10f", &value) == 1;
        if (understood) out = value;
    }
    if (!(out > lo)) out = lo;
    if (out > hi) out = hi;
    return understood;
}

void tw_paramManager::getChoiceNames(int index, std::vector<std::string>& names) const {
    const Parameter* p = find(index);
    if (!p || p->kind != kKindInteger) return;
    names.clear();
    // An absurd range would ask for billions of names; a choice list never needs that many.
    constexpr int kMaxChoices = 4096;
    const int first = tw_paramText::truncate(p->minimum);
    const int last = tw_paramText::truncate(p->maximum);
    char scratch[kScratchSize];
    for (long long v = first; v <= last && names.size() < kMaxChoices; ++v) {
        tw_paramText::print(scratch, "%d", static_cast<int>(v));
        names.emplace_back(scratch);
    }
}
