#include "params/tw_tempoDivisions.h"

// Lengths in quarter notes; triplets are two thirds and dotted notes three halves of the plain
// note. The single-precision values of the thirds are what the sync factors are computed from.
const tw_tempoDivision tw_tempoDivisions[kTwDivisionTableSize] = {
    {"1/32", "1/32 ", 0.125f},      {"1/16T", "1/16T", 1.0f / 6.0f}, {"1/16", "1/16 ", 0.25f},
    {"1/8T", "1/8 T", 1.0f / 3.0f}, {"1/16.", "1/16.", 0.375f},      {"1/8", "1/8  ", 0.5f},
    {"1/4T", "1/4 T", 2.0f / 3.0f}, {"1/8.", "1/8. ", 0.75f},        {"1/4", "1/4  ", 1.0f},
    {"1/2T", "1/2 T", 4.0f / 3.0f}, {"1/4.", "1/4. ", 1.5f},         {"1/2", "1/2  ", 2.0f},
    {"1/1T", "1/1 T", 8.0f / 3.0f}, {"1/2.", "1/2. ", 3.0f},         {"1/1", "1/1  ", 4.0f},
    {nullptr, "1/1  ", 4.0f},
};

const tw_tempoDivision& tw_tempoDivisionAt(int index) {
    if (index < 0) index = 0;
    if (index >= kTwDivisionTableSize) index = kTwDivisionTableSize - 1;
    return tw_tempoDivisions[index];
}
