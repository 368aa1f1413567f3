#pragma once

#include <cstddef>
#include <cstdint>

class CorvaneDisplayHistory;

// What the editor sees of the processor, whatever format edition opened it: the parameter values
// and texts, the user's gestures, the changes since it last looked and the graphs' data. All of
// it on the editor's (user-interface) thread; the processor implements it.
class CorvaneEditorView {
public:
    virtual ~CorvaneEditorView() = default;

    // Normalised 0..1, as the parameter manager holds it now.
    virtual float parameterValue(int index) const = 0;
    // The value a control returns to on the default-value click, normalised.
    virtual float parameterDefault(int index) const = 0;
    // The value text immediately followed by the unit text ("1000Hz", "  50%"), cut to
    // size - 1 characters; empty for an index outside the parameters.
    virtual void parameterReadout(int index, char* text, std::size_t size) const = 0;
    // The read-out the value `normalised` would give (the range's ends for a tooltip).
    virtual void readoutAt(int index, float normalised, char* text, std::size_t size) const = 0;
    // The parameter's full name ("Filter Cutoff"); empty for an index outside the parameters.
    virtual void parameterTitle(int index, char* text, std::size_t size) const = 0;
    // Text the user typed to a normalised value, by the one conversion every edition's text
    // requests use (CorvaneValueText); false, writing nothing, when it does not parse.
    virtual bool parseTyped(int index, const char* text, float& normalised) const = 0;

    // A user gesture on one control: begin, any number of values, end. Each value is stored at
    // once (the audio thread and the controls pick it up like any other change) and the format
    // edition tells its host (CorvaneGestureListener).
    virtual void beginEdit(int index) = 0;
    virtual void performEdit(int index, float normalised) = 0;
    virtual void endEdit(int index) = 0;

    // The parameters changed since the last call (bit i: parameter i), from any thread,
    // program switches and the editor's own edits included. Read the values after taking: a
    // change that lands later raises its bit again. Taking once and then reading every value is
    // how a window that opens starts up to date. One taker: one editor per processor at a time.
    virtual std::uint32_t takeChangedParameters() = 0;

    virtual CorvaneDisplayHistory& displayHistory() = 0;

    // The programs the editor's browser lists, and the current one. selectProgram makes one
    // current the way the edition's host would (a program change, which the edition reports
    // to its host); an edition whose host owns the presets (LV2) applies the program's values
    // as gestures instead. Out-of-range numbers are ignored.
    virtual int programCount() const = 0;
    virtual int currentProgram() const = 0;
    // The program's name; false (text empty) for a number outside the programs.
    virtual bool programNameAt(int program, char* text, std::size_t size) const = 0;
    virtual void selectProgram(int program) = 0;
};

// A format edition's side of the editor's gestures: tells the host that the user grabbed,
// moved and let go of a parameter (VST 2.4: begin edit, automate, end edit). The value is
// already in the processor when gestureValue is called. Called on the editor's thread.
class CorvaneGestureListener {
public:
    virtual ~CorvaneGestureListener() = default;
    virtual void gestureBegin(int index) = 0;
    virtual void gestureValue(int index, float normalised) = 0;
    virtual void gestureEnd(int index) = 0;
    // The editor made another program current; the host may want to show its name.
    virtual void programSelected(int /*program*/) {}
};
