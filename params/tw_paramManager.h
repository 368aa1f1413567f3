#pragma once

#include "params/tw_lookupTable.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A store for a plug-in's automatable parameters, keyed by parameter index.
//
// Each parameter has names, a unit label, a real range and default, and a kind that fixes how
// the host's normalised value 0..1 maps to the real value in the parameter's own units (Hz, dB,
// percent, a step, a tempo division) and how the value is shown. The manager keeps the current
// value in both forms, the tempo-sync state of syncable kinds, and snapshots; it smooths nothing
// and notifies no one: the plug-in calls in and reads back what it needs.
//
// Programs: the manager keeps one record of values per program (setProgramCount, once, right
// after the definitions); the current program is one atomic number, and every value operation
// without a program argument works on its record. Switching programs is one store.
//
// A sync switch can be linked to a syncable parameter (linkSyncSwitch): both normalised values
// then live in one atomic word per program, the sync state is the switch's value, and the
// syncable's real value is derived from the pair as read together. A change of either is one
// compare-and-swap that keeps the other, so no interleaving loses a value or mixes a pair.
//
// Threads: parameters are defined during construction only. Afterwards the host may read values
// and texts on its user-interface thread while another thread sets them, so the stored values
// and sync states are relaxed atomics. setNormalized and the read-backs the plug-in makes per
// change (getReal, getNormalized, getKind, isSynced, setSync, getEngineValue, toEngineValue)
// neither allocate nor evaluate pow, exp or log: exponential and decibel curves are read from
// tables computed at definition. Snapshots and randomize belong to one thread.
//
// Robustness: an index that was never defined is ignored by setters and answers 0 or an empty
// text; a NaN value handed to a setter is ignored, and normalised values are clamped to 0..1.
// Text operations write within the caller's length and always terminate: names, labels and
// milliseconds keep at most length characters with the terminator at position length (the
// buffer holds length + 1), value texts keep at most length - 1 characters.
class tw_paramManager {
public:
    // Parameter kinds; the numbers are part of the interface.
    enum Kind {
        kKindLinear = 0,
        kKindSwitch = 1,
        kKindPercent = 2,
        kKindLinearAutoPrecision = 3,
        kKindExponential = 4,
        kKindDecibel = 5,
        kKindInteger = 6,
        kKindDivision = 7,
        kKindSyncTime = 8,
        kKindSyncRate = 9,
        kKindSyncTimeNormalized = 10,
        kKindSyncRateNormalized = 11,
        kKindNote = 12,
    };

    // Indices 0 .. kMaxParameters - 1 can be defined; others are ignored.
    static constexpr int kMaxParameters = 1024;

    tw_paramManager();
    tw_paramManager(const tw_paramManager&) = delete;
    tw_paramManager& operator=(const tw_paramManager&) = delete;

    // The virtual operations keep this order.
    virtual ~tw_paramManager();
    virtual void defineParameter(int index, const char* name, const char* shortName,
                                 const char* label, float minimum, float maximum,
                                 float defaultValue, int kind);
    virtual float getNormalized(int index) const;
    virtual void setNormalized(int index, float n);
    virtual float getReal(int index) const;
    virtual void setReal(int index, float x);
    virtual void increment(int index);
    virtual void decrement(int index);
    virtual void setSyncState(int index, int state);
    virtual void setSync(int index, bool on);
    virtual void setRandomizable(int index, bool randomizable);
    virtual bool isRandomizable(int index) const;
    virtual void randomize(int index);
    virtual float getEngineValue(int index) const;
    virtual float getEngineValueWithOffset(int index, float delta) const;
    virtual float getDefault(int index) const;
    virtual float getMin(int index) const;
    virtual float getMax(int index) const;
    virtual int getSyncState(int index) const;
    virtual bool isSynced(int index) const;
    virtual int getKind(int index) const;
    virtual std::string getNameString(int index) const;
    virtual void getName(int index, char* text, int length) const;
    virtual void getLabel(int index, char* text, int length) const;
    virtual void getDisplay(int index, char* text, int length) const;
    virtual void formatValue(int index, char* text, float x, int length) const;
    virtual void formatNormalized(int index, char* text, float n) const;
    virtual void getNormalizedText(int index, char* text) const;
    virtual void getDisplayCompact(int index, char* text, int length) const;
    virtual float toNormalized(int index, float x) const;
    virtual float toReal(int index, float n) const;
    virtual float toEngineValue(int index, float x) const;
    virtual bool parseValue(int index, const char* text, float& out) const;
    virtual int getParameterCount() const;
    virtual float getHostValue(int index) const;
    virtual bool usesRealHostValues(int index) const;
    virtual void getChoiceNames(int index, std::vector<std::string>& names) const;
    virtual int createSnapshot(const std::set<int>& indices);
    virtual void storeSnapshot(int number);
    virtual void recallSnapshot(int number);
    virtual void formatMilliseconds(char* text, float ms, int length) const;
    virtual bool parseSyncDivision(const char* text, int& out) const;

    // The real value of n in the given sync state (the state stored plays no part).
    virtual float toRealSynced(int index, float n, bool synced) const;

    // The lookup table of a kind 4, 5, 9 or 11 parameter; nullptr for any other index.
    const tw_lookupTable* getLookupTable(int index) const;

    // One record of values per program, 1 .. 128, each starting with the current values; call
    // once after the definitions, before other threads look.
    void setProgramCount(int count);
    int getProgramCount() const { return programCount_; }
    // The record the value operations work on; out of range: ignored.
    void selectProgram(int program);
    int getCurrentProgram() const { return currentProgram_.load(std::memory_order_relaxed); }

    // switchIndex (a two-state parameter, on above 0.5) becomes the sync switch of syncIndex
    // (a syncable kind). Once, after both are defined and before setProgramCount.
    void linkSyncSwitch(int switchIndex, int syncIndex);

    // A parameter's value in one program's record, read in one atomic load: the normalised and
    // the real value, and the sync state it was derived with.
    struct Value {
        float normalized = 0.0f;
        float real = 0.0f;
        bool synced = false;
    };
    Value getValueIn(int program, int index) const;
    // setNormalized, telling whether anything changed (false: the record already held the
    // clamped value, or the index or value is unusable).
    bool updateNormalized(int index, float n);
    void setNormalizedIn(int program, int index, float n);
    // toEngineValue in the given sync state.
    float toEngineValueSynced(int index, float x, bool synced) const;

protected:
    // True for the kinds that can run in tempo-synchronised mode (8..11).
    static bool isSyncableKind(int kind) {
        return kind >= kKindSyncTime && kind <= kKindSyncRateNormalized;
    }

private:
    // std::atomic is neither copyable nor movable; this wrapper lets the records live in a vector
    // that grows while parameters are defined, before any second thread looks at them.
    template <typename T>
    class Relaxed {
    public:
        Relaxed(T v = T()) : value_(v) {}
        Relaxed(const Relaxed& other) : value_(other.load()) {}
        Relaxed& operator=(const Relaxed& other) {
            store(other.load());
            return *this;
        }
        T load() const { return value_.load(std::memory_order_relaxed); }
        void store(T v) { value_.store(v, std::memory_order_relaxed); }
        bool compareExchange(T& expected, T desired) {
            return value_.compare_exchange_weak(expected, desired, std::memory_order_relaxed);
        }

    private:
        std::atomic<T> value_;
    };

    struct Parameter {
        bool defined = false;
        // The normalised and the real value, one 32-bit float each, in one word: two threads
        // setting the same parameter at once leave a pair that belongs together, whichever
        // comes last.
        // One word per program record. A linked sync switch keeps no words of its own: its value
        // is the upper half of its syncable's word, whose lower half is the syncable's
        // normalised value.
        std::vector<Relaxed<std::uint64_t>> values = std::vector<Relaxed<std::uint64_t>>(1);
        int linkedSwitch = -1; // set on the syncable of a linked pair
        int linkedTo = -1;     // set on the switch of a linked pair
        float minimum = 0.0f;
        float maximum = 1.0f;
        float defaultValue = 0.0f;
        std::string name;
        std::string shortName;
        std::string label;
        int kind = kKindLinear;
        std::unique_ptr<tw_lookupTable> table;
        Relaxed<int> syncState;
        Relaxed<bool> randomizable;
    };

    static std::uint64_t pack(float normalized, float real) {
        std::uint32_t n, r;
        std::memcpy(&n, &normalized, sizeof n);
        std::memcpy(&r, &real, sizeof r);
        return std::uint64_t(n) | (std::uint64_t(r) << 32);
    }
    static float unpack(std::uint64_t word, int shift) {
        const auto bits = static_cast<std::uint32_t>(word >> shift);
        float x;
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }

    // The word that holds index's value in a record, and the current value operations.
    const Relaxed<std::uint64_t>& word(const Parameter& p, int program) const;
    Value valueIn(int index, const Parameter& p, int program) const;
    void storeNormalized(int index, Parameter& p, int program, float n);
    float normalized(const Parameter& p) const;
    float real(int index, const Parameter& p) const;
    int program() const { return currentProgram_.load(std::memory_order_relaxed); }

    const Parameter* find(int index) const;
    Parameter* find(int index);
    // increment (direction 1) and decrement (direction -1).
    void step(int index, int direction);
    // The linear mapping min + (max - min) * n shared by most kinds.
    static float linear(const Parameter& p, float n) {
        return p.minimum + (p.maximum - p.minimum) * n;
    }
    static float unlinear(const Parameter& p, float x) {
        return (x - p.minimum) / (p.maximum - p.minimum);
    }

    std::vector<Parameter> parameters_;
    int definedCount_ = 0;
    std::vector<std::vector<std::pair<int, float>>> snapshots_;
    std::uint32_t randomState_ = 1;
    int programCount_ = 1;
    std::atomic<int> currentProgram_{0};
};
