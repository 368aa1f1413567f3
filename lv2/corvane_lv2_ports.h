#pragma once

#include "params/CorvaneParameters.h"

#include <cstdint>

class tw_paramManager;

// The LV2 edition's ports and how their values relate to the parameters' normalised values.
// The Turtle generator, the plug-in and its UI all read this table, so the description a host
// loads and the code that runs cannot disagree.
//
// Control ports carry values in the parameters' own units (Hz, dB, percent, degrees), switches
// as 0 or 1 and choices as step numbers 0, 1, 2 ... with a name for each step. LFO Rate is two
// ports: "lfo_rate" in Hz, used while LFO Sync is off, and "lfo_division", a note division used
// while it is on. One port whose unit changed with another port's value would show a host's
// generic controls and its automation lanes a number of the wrong kind half of the time.
namespace corvane::lv2 {

inline constexpr const char* kPluginUri = "urn:tessel-works:corvane";
inline constexpr const char* kUiUri = "urn:tessel-works:corvane#ui";
// The graphs' data the plug-in sends its UI (an atom object on the notify port).
inline constexpr const char* kDisplayUri = "urn:tessel-works:corvane#display";
inline constexpr const char* kDisplayEnvelopeUri = "urn:tessel-works:corvane#envelopeSum";
inline constexpr const char* kDisplayLfoUri = "urn:tessel-works:corvane#lfoSum";
inline constexpr const char* kDisplayTicksUri = "urn:tessel-works:corvane#ticks";

inline constexpr const char* kPluginBinary = "corvane.so";
inline constexpr const char* kUiBinary = "corvane_ui.so";

// Port indices: the parameters' control ports first, numbered as the parameters are.
enum Port : std::uint32_t {
    kLfoDivisionPort = kNumParams,
    kMainInLeftPort,
    kMainInRightPort,
    kSideInLeftPort,
    kSideInRightPort,
    kOutLeftPort,
    kOutRightPort,
    kControlPort, // atom input: MIDI and the host's time:Position
    kNotifyPort,  // atom output: the graphs' data for the UI
    // The editor's scale the user chose (0: none, else 1 to 3). Only the UI reads and writes
    // it, so that hosts keep the choice with the session; it plays no part in the sound.
    kUiScalePort,
    kPortCount,
};

inline constexpr int kControlPortCount = kNumParams + 1;

// How a control port presents its parameter.
enum class Presentation {
    Real,     // the parameter manager's real value in its own unit
    Toggle,   // 0 or 1; on above a normalised 0.5
    Choice,   // step 0 .. stepCount - 1, spread evenly over the normalised range
    Division, // tempo-division index, fastest first, as the synchronised LFO Rate counts
};

enum class Group { Reverb, Filter, Lfo, Envelope, Output };

struct ControlPortInfo {
    const char* symbol;
    Group group;
    Presentation presentation;
    const char* const* stepNames; // Choice and Division: one per step
    int stepCount;
    // The parameter whose normalised value the port sets; differs from the port index only for
    // the division port.
    int parameter;
};

// Control port index 0 .. kControlPortCount - 1; nullptr for any other index.
const ControlPortInfo* controlPort(std::uint32_t port);

struct PortGroupInfo {
    const char* symbol;
    const char* label;
};
const PortGroupInfo& groupInfo(Group group);

// The port value for a normalised parameter value, and back, from the manager's definitions
// (its current values play no part). Values outside a port's range are clamped; NaN gives the
// minimum.
float toPortValue(const tw_paramManager& params, std::uint32_t port, float normalised);
float toNormalised(const tw_paramManager& params, std::uint32_t port, float value);
float portDefault(const tw_paramManager& params, std::uint32_t port);
float portMinimum(const tw_paramManager& params, std::uint32_t port);
float portMaximum(const tw_paramManager& params, std::uint32_t port);

// The port values the presets hold for the factory programs, and the programs' own normalised
// values they stand for. A port's unit is coarser than a normalised float in places (half a
// degree of LFO Phase stands for several normalised values), so the plug-in turns a preset's
// port value back into its program's own value through this table: a preset sounds as the
// program does in the VST 2.4 edition, to the last bit. Values no preset holds convert as
// toNormalised does. Built once, read on the audio thread (no allocation, no locks).
class ProgramPortValues {
public:
    explicit ProgramPortValues(const tw_paramManager& params);
    float toNormalised(const tw_paramManager& params, std::uint32_t port, float value) const;

private:
    float portValues_[kControlPortCount][kNumPrograms];
    float normalised_[kControlPortCount][kNumPrograms];
};

// True when the division port, rather than the Hz port, sets LFO Rate for this LFO Sync value.
bool divisionRulesRate(float lfoSyncPortValue);

} // namespace corvane::lv2
