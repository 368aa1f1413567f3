#pragma once

// Tempo divisions for synchronised times and rates: the name a user types, the five-character
// name shown on an eight-character display, and the length in quarter notes.
//
// Indices 0..14 are the divisions from "1/32" to "1/1". Entry 15 repeats "1/1": a normalised
// value at the very end of its range maps to index 15 and must show and time as a whole note.

constexpr int kTwDivisionCount = 15;
constexpr int kTwDivisionTableSize = 16;

struct tw_tempoDivision {
    const char* parseName;   // nullptr for the repeated last entry
    const char* displayName; // always five characters, padded with spaces
    float quarterNotes;
};

extern const tw_tempoDivision tw_tempoDivisions[kTwDivisionTableSize];

// The table entry for any division index: indices outside 0..15 are clamped into the table.
const tw_tempoDivision& tw_tempoDivisionAt(int index);
