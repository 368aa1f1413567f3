#pragma once

#include "params/CorvaneParameters.h"
#include "processor/CorvaneChangeMailbox.h"
#include "processor/CorvaneDisplayHistory.h"
#include "processor/CorvaneEditorView.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class CCorvaneEngine;
class CorvaneParameterManager;
class tw_paramManager;

// Corvane without a plug-in format: the engine, the parameter manager with the 20 program
// records, the program names, the MIDI note gate, tempo sync, the display history and the
// hand-over between threads. Each format edition (VST 2.4 in host/, LV2, CLAP) translates its
// host's calls into these and adds nothing a host could hear or see.
//
// Threads, the whole contract:
// - The audio thread owns the engine: process, and activate / setSampleRate / setChannelLayout,
//   which hosts call while processing is off (no block runs), belong to it.
// - The parameter manager is the one source of truth. setParameter (any thread, the audio
//   thread included), program switches and the editor's edits store the value there and raise
//   the parameter's changed flag for both takers (CorvaneChangeMailbox): nothing else is done
//   on the writer's thread, nothing derived is posted.
// - At the start of each block (and of each piece of a block split at a timed event) the audio
//   thread takes its flags and derives every engine command from the manager's current values;
//   the LFO's sync factor comes from LFO Sync and LFO Rate read together. Latest value wins by
//   construction.
// - LFO Sync and LFO Rate live in one atomic word (per program), so a change of one never loses
//   or mixes with a change of the other.
// - The manager keeps one record of values per program and the current program is one atomic
//   number: a program switch is one store, and a block reads the program number once, so it
//   renders all of the old program or all of the new one. The current program's record is the
//   manager's current value, so the record and getParameter cannot disagree.
// - The editor takes its own flags on its timer and reads the values from the manager; it never
//   touches the engine (the graphs read the display history).
// - Program names may be renamed on one thread while others read them (each character is a
//   relaxed atomic; a read that overlaps a rename may see a mix of the two names once).
// Nothing on the audio path allocates, locks, logs or waits.
// The calls that run the engine (process, activate, setSampleRate) compute in a floating-point
// mode of their own, subnormals flushed to zero, and give the caller's back on return
// (CorvaneFloatMode). The writers only store values and need none.
class CorvaneProcessor final : public CorvaneEditorView {
public:
    // Inputs: main L, main R, side-chain 1, side-chain 2. Outputs: L, R.
    static constexpr int kNumInputs = 4;
    static constexpr int kNumOutputs = 2;
    static constexpr int kNumParams = corvane::kNumParams;
    static constexpr int kNumPrograms = corvane::kNumPrograms;
    // Program names hold at most this many characters, plus the terminator.
    static constexpr int kProgramNameChars = 23;
    // Parameter names, labels and value texts: at most this many characters.
    static constexpr int kTextChars = 8;

    // The host's musical time at a block's first frame. Fields whose flag is false are unknown.
    struct Transport {
        double tempoBpm = 120.0;
        double positionPpq = 0.0; // quarter notes since the song's start
        double barStartPpq = 0.0;
        int numerator = 4;
        int denominator = 4;
        bool playing = false;
        bool tempoValid = false;
        bool positionValid = false;
        bool barValid = false;
        bool signatureValid = false;
    };

    // A MIDI message (status, data 1, data 2) at a frame of the block. Note on, note off and
    // all-notes-off (controller 123) on any channel drive the envelope follower's MIDI gate;
    // everything else is ignored.
    struct MidiEvent {
        int frame = 0;
        unsigned char data[3] = {0, 0, 0};
    };

    // A parameter change at a frame of the block (sample-accurate automation).
    struct ParameterEvent {
        int frame = 0;
        int index = 0;
        float normalised = 0.0f;
    };

    // One block. Events are applied at their frame (the block is rendered in pieces between
    // them); they should be sorted by frame, and one out of order or beyond the block is applied
    // at the earliest frame still to come. A block without events renders in one piece, and
    // pieces render what one piece would (the engine does not depend on how a block is split).
    struct Block {
        // kNumInputs channel pointers; a null array or a null channel is silence.
        const float* const* inputs = nullptr;
        // kNumOutputs channel pointers, overwritten. Null: nothing is rendered, but the block's
        // parameter changes and events are still applied.
        float* const* outputs = nullptr;
        int frames = 0;
        // Null or without tempo and position: the LFO keeps its own count in sync mode.
        const Transport* transport = nullptr;
        const MidiEvent* midi = nullptr;
        int midiCount = 0;
        const ParameterEvent* changes = nullptr;
        int changeCount = 0;
    };

    CorvaneProcessor();
    ~CorvaneProcessor() override;
    CorvaneProcessor(const CorvaneProcessor&) = delete;
    CorvaneProcessor& operator=(const CorvaneProcessor&) = delete;

    // --- Audio thread (or while processing is off) ---
    // Rates the engine cannot use are limited to its range; not finite or not positive: ignored.
    void setSampleRate(double rate);
    double sampleRate() const { return sampleRate_.load(std::memory_order_relaxed); }
    // Connected pins: mainInputs 1 (mono) or 2, outputs 1 or 2, sidechains 0..2 (clamped).
    void setChannelLayout(int mainInputs, int outputs, int sidechains);
    // Processing starts (VST resume, LV2 activate, CLAP activate): note gate closed, pending
    // changes applied, filters and feedback cleared.
    void activate();
    void process(const Block& block);

    // --- Parameters, any thread ---
    // Out-of-range indices and NaN are ignored; values are clamped to 0..1.
    void setParameter(int index, float normalised);
    // 0 for an index outside the parameters.
    float getParameter(int index) const;
    // Texts of at most `length` characters into text, which holds length + 1 (names, labels) or
    // length (value texts, at most length - 1 characters); empty for an index outside the
    // parameters. The formats use kTextChars.
    void parameterName(int index, char* text, int length) const;
    void parameterLabel(int index, char* text, int length) const;
    void parameterDisplay(int index, char* text, int length) const;
    // A value in display units (Hz, dB, %, a step) to normalised and back. Syncable kinds (LFO
    // Rate) pass through unchanged. False for an index outside the parameters or a value that
    // is not finite.
    bool displayToNormalised(int index, float display, float& normalised) const;
    bool normalisedToDisplay(int index, float normalised, float& display) const;
    // Typed text to normalised (CorvaneValueText: the value text with or without its unit,
    // "1.5k", "-6 dB", "30%", a choice's name, a division), and a normalised value to its value
    // text; false, writing nothing, when the text does not parse. The editor's typing field and
    // the formats' text requests all come here.
    bool textToNormalised(int index, const char* text, float& normalised) const;
    void normalisedToText(int index, float normalised, char* text, int length) const;
    // Definitions (names, kinds, ranges, defaults, choice names) for format descriptions. Its
    // current values are the processor's; write only through setParameter.
    const tw_paramManager& parameterInfo() const;

    // --- Programs, any thread (renames: one thread at a time) ---
    int program() const;
    // Makes program the current one: its record's values become the parameters' values.
    void setProgram(int program);
    // Renames the current program (at most kProgramNameChars characters; null: empty).
    void setProgramName(const char* name);
    // The current program's name into text (kProgramNameChars + 1); a name of exactly "init" is
    // numbered ("init 4").
    void programName(char* text) const;
    // A program's stored name, unnumbered; false for an index outside the programs or null text.
    bool programNameIndexed(int program, char* text) const;

    // --- Editor (user-interface thread) ---
    CorvaneEditorView& editorView() { return *this; }
    // The format edition that hears of the editor's gestures; null: none.
    void setGestureListener(CorvaneGestureListener* listener) { gestures_ = listener; }

    float parameterValue(int index) const override { return getParameter(index); }
    float parameterDefault(int index) const override;
    void parameterReadout(int index, char* text, std::size_t size) const override;
    void readoutAt(int index, float normalised, char* text, std::size_t size) const override;
    void parameterTitle(int index, char* text, std::size_t size) const override;
    bool parseTyped(int index, const char* text, float& normalised) const override {
        return textToNormalised(index, text, normalised);
    }
    void beginEdit(int index) override;
    void performEdit(int index, float normalised) override;
    void endEdit(int index) override;
    std::uint32_t takeChangedParameters() override { return changes_.take(kEditorTaker); }
    CorvaneDisplayHistory& displayHistory() override { return display_; }
    int programCount() const override { return kNumPrograms; }
    int currentProgram() const override { return program(); }
    bool programNameAt(int program, char* text, std::size_t size) const override;
    void selectProgram(int program) override;

    // --- Inspection, for tests: the engine and the audio thread's state are read only while
    // no block runs ---
    const CCorvaneEngine& engine() const { return *engine_; }
    double syncFactor() const { return syncFactor_; }
    int heldNotes() const { return heldNotes_; }
    int activeInputs() const { return activeInputs_.load(std::memory_order_relaxed); }
    int activeOutputs() const { return activeOutputs_.load(std::memory_order_relaxed); }
    int sidechains() const { return sidechains_.load(std::memory_order_relaxed); }

    // Test hooks: called at the named step, on the thread taking it, so that a test can pause
    // that thread there and force an interleaving. Null (the default) costs one load.
    enum class Step {
        WriterStored,     // a parameter value is in the manager, its flags not yet raised
        ProgramSelected,  // a program switch has stored the program number, flags not raised
        AudioTookChanges, // the audio thread has taken its flags, values not yet read
    };
    using Hook = void (*)(void* context, Step step);
    void setTestHook(Hook hook, void* context);

private:
    struct ProgramName {
        std::atomic<char> text[kProgramNameChars + 1];
        void set(const char* name);
        void copy(char* out) const;
    };

    void hook(Step step) const {
        if (const Hook h = hook_.load(std::memory_order_acquire)) h(hookContext_, step);
    }
    // The writer's side of every change: flags raised for the audio thread and the editor.
    void announce(std::uint32_t parameters);
    // Audio thread: takes the flags and applies the derived engine commands.
    void applyChanges();
    // The commands for the changed parameters, or for all of them in a newly selected program.
    void applyParameters(int program, std::uint32_t changed);
    void applyParameter(int program, int index);
    // Every parameter's next command goes to the engine, changed or not.
    void forgetApplied();
    void updateTempoSync(const Transport* transport);
    void handleMidi(const unsigned char* data);
    void render(const Block& block, int begin, int end);

    std::unique_ptr<CCorvaneEngine> engine_;
    std::unique_ptr<CorvaneParameterManager> params_;
    CorvaneDisplayHistory display_;
    ProgramName names_[kNumPrograms];
    float defaults_[kNumParams] = {};
    // Changed flags for the audio thread (taker 0) and the editor (taker 1).
    static constexpr int kAudioTaker = 0;
    static constexpr int kEditorTaker = 1;
    corvane::CorvaneChangeMailbox<kNumParams, 2> changes_;
    std::atomic<double> sampleRate_{44100.0};
    // Until the first setChannelLayout every input pin counts as connected.
    std::atomic<int> activeInputs_{kNumInputs};
    std::atomic<int> activeOutputs_{2};
    std::atomic<int> sidechains_{0};
    CorvaneGestureListener* gestures_ = nullptr;
    std::atomic<Hook> hook_{nullptr};
    void* hookContext_ = nullptr;

    // The audio thread's own state.
    double syncFactor_ = 1.0;
    int heldNotes_ = 0;
    // The program whose values the engine last took; another one means every parameter changed.
    int appliedProgram_ = -1;
    // The normalised value each engine command was last derived from (LFO Sync: the sync state
    // the rate was read with); NaN: none yet.
    float applied_[kNumParams] = {};
};
