#pragma once

class CorvaneParameterManager;

// What a user types for a parameter, in the forms people write, to a normalised value: the one
// reading of typed text that the editor's typing field, the formats' text requests and the
// command-line host share.
//
// Accepted, case and spaces aside: a number in the unit the parameter shows ("-6", "30", "+71"),
// optionally followed by that unit ("-6 dB", "30%", "1500 Hz", "90 deg"); frequencies also with
// a thousands suffix ("1.5k", "2 kHz"); the free LFO rate also as a period ("120 ms", "2 s");
// the synchronised LFO rate as a tempo division ("1/8T", "1/4.", "1/16"); a switch or choice by
// the name its switch shows ("BP", "SIDECH", "on") or by the number the host shows for it (a
// step number; 0..1 for Rev Pre/Post and Env Trigger). Values outside the range are clamped. Anything else (another unit, trailing words, NaN, an empty text) is refused
// and nothing is written.
namespace corvane {

// The names a choice's or switch's steps show in the editor, first step first; null (count 0)
// for a continuous parameter.
const char* const* choiceNames(int index, int& count);

// Typed text for parameter index to a normalised value, with the manager's current LFO sync
// state deciding whether LFO Rate reads Hz or a division. False when the text does not parse.
bool parseTypedValue(const CorvaneParameterManager& params, int index, const char* text,
                     float& normalised);

} // namespace corvane
