#pragma once

#include "engine/CCorvaneEngine.h"
#include "host/CorvaneCommandMailbox.h"
#include "params/CorvaneParameterManager.h"
#include "params/CorvaneParameters.h"
#include "vst/audio_effect_x.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// The plug-in object the entry point creates: a VST 2.4 effect with four inputs (main L and R,
// side-chain 1 and 2), two outputs, MIDI input, 29 automatable parameters and 20 programs. It
// owns the engine, the parameter manager and the program records, turns host calls into engine
// calls, and keeps no chunk: the host saves each program as its name and 29 normalised values.
//
// Threads. The engine belongs to the audio thread (processReplacing, processEvents). A parameter
// change may come from any thread: setParameter stores the value in the current program record
// and the parameter manager at once, works out the engine commands in the engine's units (from
// the manager's real value and LFO Sync's state as they stand after the change), and posts
// them to a lock-free mailbox with one slot per command (latest value wins) that the audio
// thread applies at the start of its next block, in command order. The LFO's sync factor
// travels through the mailbox too. The commands of one change are published together, and a
// program switch publishes all 29 changes together, so a block does not start with half a
// switch (LFO Rate under one program's sync state, LFO Sync under the other's); at most a slot
// still waiting from an earlier change delivers its new value a block early, and each slot's
// value stands on its own. When two threads change one parameter at the same moment, the
// manager's last value is what the engine, the editor and the record end with (see settle).
// Values read across threads (program values, current program, pin counts, sample rate) are
// relaxed atomics. resume and setSampleRate touch the engine directly: hosts send them while the
// plug-in is switched off, when no block runs. Program names are renamed on the thread of the
// dispatcher and may be read on any. The read-outs and the display histories may be read on the
// user-interface thread at any time.
class Corvane : public AudioEffectX {
public:
    static constexpr VstInt32 kUniqueId = vstFourCC('T', 'W', 'c', 'v');
    static constexpr VstInt32 kVendorVersion = 1010;
    // Private vendor requests (effVendorSpecific index): a value in display units to the
    // normalised form, and back. The value argument is the parameter, opt the value, ptr a float
    // that receives the answer.
    static constexpr VstInt32 kRequestToNormalised = 12345;
    static constexpr VstInt32 kRequestToDisplayUnits = 23456;
    // Program names hold at most this many characters, plus the terminator.
    static constexpr int kProgramNameChars = kVstMaxProgNameLen - 1;

    explicit Corvane(audioMasterCallback host);
    ~Corvane() override;

    // Pin check, note gate and engine reset; asks the host for MIDI.
    void resume() override;
    // Rates the engine cannot use are limited to its range; not a number or not positive: ignored.
    void setSampleRate(float rate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    // Note on, note off and all-notes-off (controller 123) on any channel drive the gate of the
    // envelope follower's MIDI mode.
    VstInt32 processEvents(VstEvents* events) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    // Host texts, at most kVstMaxParamStrLen characters plus the terminator.
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    // The editor's read-out: the value text immediately followed by the unit text ("1000Hz",
    // "  50%"), as the host would read them, cut to size - 1 characters. Any thread; an index
    // outside the table gives an empty text.
    void getParameterReadout(VstInt32 index, char* text, std::size_t size);

    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    // The current program's name; a name of exactly "init" is numbered ("init 4").
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return kVendorVersion; }
    VstInt32 canDo(char* text) override;
    VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) override;

    // The editor's timer (user-interface thread): the display poll and the two histories of
    // CCorvaneEngine::history_size entries.
    void pollDisplay() { engine_.poll_display(); }
    const float* envelopeHistory() const { return engine_.envelope_history(); }
    const float* lfoHistory() const { return engine_.lfo_history(); }
    int historyIndex() const { return engine_.history_index(); }

    // Inspection, for tests: the engine is the audio thread's, so read it only while no block
    // runs.
    const CCorvaneEngine& getEngine() const { return engine_; }
    const CorvaneParameterManager& getParameterManager() const { return *params_; }
    double getSyncFactor() const { return syncFactor_; }
    VstInt32 getActiveInputCount() const { return activeInputs_.load(std::memory_order_relaxed); }
    VstInt32 getActiveOutputCount() const { return activeOutputs_.load(std::memory_order_relaxed); }
    VstInt32 getSidechainCount() const { return sidechains_.load(std::memory_order_relaxed); }
    VstInt32 getHeldNoteCount() const { return heldNotes_; }
    double getSamplePeriod() const { return samplePeriod_.load(std::memory_order_relaxed); }

protected:
    // The last step of every parameter change, on the thread of the change: the attached editor
    // moves its control and refreshes its read-out.
    virtual void updateEditor(VstInt32 index, float value);

private:
    // The mailbox slots: one per engine command (the parameter index), then the sync factor.
    static constexpr int kSyncFactorSlot = corvane::kNumParams;
    using Mailbox = corvane::CorvaneCommandMailbox<corvane::kNumParams + 1>;

    struct ProgramRecord {
        ProgramRecord();
        // At most kProgramNameChars characters of text; null counts as empty.
        void setName(const char* text);
        // The name and its terminator into text, which holds kVstMaxProgNameLen characters.
        void copyName(char* text) const;

        // Hosts list program names from more than one thread while the dispatcher's thread may
        // rename: each character is a relaxed atomic, so a listing that overlaps a rename reads
        // a mix of the two names for that once, never undefined behaviour. The last character
        // is always the terminator.
        std::atomic<char> name[kVstMaxProgNameLen];
        std::atomic<float> values[corvane::kNumParams];
    };

    using ParameterText = void (tw_paramManager::*)(int, char*, int) const;
    void copyParameterText(VstInt32 index, char* text, ParameterText operation) const;
    VstInt32 currentProgram() const { return currentProgram_.load(std::memory_order_relaxed); }
    // A value the manager holds, to the current program record, the engine (staged and
    // published) and the editor.
    void handOver(VstInt32 index, float value);
    // The ticket of a change that has just reached the manager.
    std::uint32_t takeTicket(VstInt32 index);
    // After the hand-over of the change with ticket: hands over again what the manager holds
    // while later changes have taken tickets. A few rounds at most, so the audio thread never
    // chases a thread that keeps changing the value (whose own settling has the last word).
    void settle(VstInt32 index, std::uint32_t ticket);
    static constexpr int kSettleRounds = 4;
    std::uint32_t stageEngineCommands(VstInt32 index, float value, float real);
    std::uint32_t stage(int slot, float value);
    bool lfoSyncOn() const;
    // Audio thread (or while no block runs): apply what the mailbox holds.
    void applyEngineCommands();
    void applyEngineCommand(int slot, float value);
    void updateTempoSync();
    void handleMidi(const char* data);

    std::atomic<double> sampleRate_{44100.0};
    std::atomic<double> samplePeriod_{1.0 / 44100.0};
    // LFO cycles per quarter note while LFO Sync is on; the audio thread's copy.
    double syncFactor_ = 1.0;
    CCorvaneEngine engine_;
    ProgramRecord programs_[corvane::kNumPrograms];
    std::unique_ptr<CorvaneParameterManager> params_;
    std::atomic<VstInt32> currentProgram_{0};
    std::atomic<VstInt32> activeInputs_{4};
    std::atomic<VstInt32> activeOutputs_{2};
    std::atomic<VstInt32> sidechains_{0};
    // Audio thread (and resume): MIDI notes on minus notes off, never below zero.
    VstInt32 heldNotes_ = 0;
    Mailbox mailbox_;
    // Per parameter: counts the changes that have reached the manager (see settle).
    std::atomic<std::uint32_t> tickets_[corvane::kNumParams] = {};
};
