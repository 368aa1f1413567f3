#include "params/tw_paramManager.h"

#include "params/tw_paramText.h"
#include "params/tw_tempoDivisions.h"

#include <cmath>

// Values shared with the host's user-interface thread are plain relaxed atomics; on the audio
// thread they must never fall back to a lock.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free &&
                  std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "parameter values need lock-free atomics");

namespace {

// Clamps to 0..1; NaN gives 0.
float clamp01(float v) {
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Clamps to lo..hi; NaN gives lo.
float clampRange(float v, float lo, float hi) {
    if (!(v > lo)) return lo;
    return v > hi ? hi : v;
}

bool isNaN(float v) {
    return v != v;
}

float divisionLength(float index) {
    return tw_tempoDivisionAt(tw_paramText::truncate(index)).quarterNotes;
}

} // namespace

tw_paramManager::tw_paramManager() = default;

tw_paramManager::~tw_paramManager() = default;

const tw_paramManager::Parameter* tw_paramManager::find(int index) const {
    if (index < 0 || index >= static_cast<int>(parameters_.size())) return nullptr;
    const Parameter& p = parameters_[index];
    return p.defined ? &p : nullptr;
}

tw_paramManager::Parameter* tw_paramManager::find(int index) {
    return const_cast<Parameter*>(static_cast<const tw_paramManager*>(this)->find(index));
}

void tw_paramManager::defineParameter(int index, const char* name, const char* shortName,
                                      const char* label, float minimum, float maximum,
                                      float defaultValue, int kind) {
    if (index < 0 || index >= kMaxParameters) return;
    if (index >= static_cast<int>(parameters_.size())) parameters_.resize(index + 1);
    Parameter& p = parameters_[index];
    if (!p.defined) ++definedCount_;
    p.defined = true;
    p.name = name ? name : "";
    p.shortName = shortName ? shortName : "";
    p.label = label ? label : "";
    p.minimum = minimum;
    p.maximum = maximum;
    p.defaultValue = defaultValue;
    p.kind = kind;
    p.randomizable.store(true);
    p.syncState.store(0);
    p.table.reset();
    switch (kind) {
        case kKindExponential:
        case kKindSyncRate:
        case kKindSyncRateNormalized:
            p.table = std::make_unique<tw_lookupTable>();
            p.table->fill(tw_lookupTable::kShapeExponential, minimum, maximum);
            break;
        case kKindDecibel:
            p.table = std::make_unique<tw_lookupTable>();
            p.table->fill(tw_lookupTable::kShapeDecibel, minimum, maximum);
            break;
        default:
            break;
    }
    if (isSyncableKind(kind)) setSync(index, false);
    setReal(index, defaultValue);
}

const tw_paramManager::Relaxed<std::uint64_t>& tw_paramManager::word(const Parameter& p,
                                                                     int program) const {
    const Parameter& owner = p.linkedTo >= 0 ? parameters_[p.linkedTo] : p;
    return owner.values[program];
}

tw_paramManager::Value tw_paramManager::valueIn(int index, const Parameter& p, int program) const {
    const std::uint64_t w = word(p, program).load();
    Value v;
    if (p.linkedTo >= 0) {
        v.normalized = unpack(w, 32);
        v.real = toRealSynced(index, v.normalized, false);
    } else if (p.linkedSwitch >= 0) {
        v.normalized = unpack(w, 0);
        v.synced = unpack(w, 32) > 0.5f;
        v.real = toRealSynced(index, v.normalized, v.synced);
    } else {
        v.normalized = unpack(w, 0);
        v.real = unpack(w, 32);
        v.synced = isSyncableKind(p.kind) && p.syncState.load() != 0;
    }
    return v;
}

void tw_paramManager::storeNormalized(int index, Parameter& p, int program, float n) {
    if (p.linkedTo < 0 && p.linkedSwitch < 0) {
        const bool synced = isSyncableKind(p.kind) && p.syncState.load() != 0;
        p.values[program].store(pack(n, toRealSynced(index, n, synced)));
        return;
    }
    // A linked pair: replace this parameter's half, keep the other's. The exchange fails only
    // when another change of the pair landed in between; it then retries with that one kept.
    auto& w = const_cast<Relaxed<std::uint64_t>&>(word(p, program));
    const bool upper = p.linkedTo >= 0;
    std::uint64_t expected = w.load();
    for (;;) {
        const float syncable = upper ? unpack(expected, 0) : n;
        const float sw = upper ? n : unpack(expected, 32);
        if (w.compareExchange(expected, pack(syncable, sw))) return;
    }
}

float tw_paramManager::normalized(const Parameter& p) const {
    const std::uint64_t w = word(p, program()).load();
    return unpack(w, p.linkedTo >= 0 ? 32 : 0);
}

float tw_paramManager::real(int index, const Parameter& p) const {
    return valueIn(index, p, program()).real;
}

float tw_paramManager::getNormalized(int index) const {
    const Parameter* p = find(index);
    return p ? normalized(*p) : 0.0f;
}

void tw_paramManager::setNormalized(int index, float n) {
    Parameter* p = find(index);
    if (!p || isNaN(n)) return;
    storeNormalized(index, *p, program(), clamp01(n));
}

bool tw_paramManager::updateNormalized(int index, float n) {
    Parameter* p = find(index);
    if (!p || isNaN(n)) return false;
    n = clamp01(n);
    if (normalized(*p) == n) return false;
    storeNormalized(index, *p, program(), n);
    return true;
}

float tw_paramManager::getReal(int index) const {
    const Parameter* p = find(index);
    return p ? real(index, *p) : 0.0f;
}

void tw_paramManager::setReal(int index, float x) {
    Parameter* p = find(index);
    if (!p || isNaN(x)) return;
    if (p->linkedTo >= 0 || p->linkedSwitch >= 0) {
        storeNormalized(index, *p, program(), toNormalized(index, x));
        return;
    }
    p->values[program()].store(pack(toNormalized(index, x), x));
}

tw_paramManager::Value tw_paramManager::getValueIn(int program, int index) const {
    const Parameter* p = find(index);
    if (!p || program < 0 || program >= programCount_) return Value();
    return valueIn(index, *p, program);
}

void tw_paramManager::setNormalizedIn(int program, int index, float n) {
    Parameter* p = find(index);
    if (!p || isNaN(n) || program < 0 || program >= programCount_) return;
    const float clamped = clamp01(n);
    if (p->linkedTo < 0 && p->linkedSwitch < 0) {
        p->values[program].store(pack(clamped, toRealSynced(index, clamped, isSynced(index))));
        return;
    }
    storeNormalized(index, *p, program, clamped);
}

void tw_paramManager::setProgramCount(int count) {
    if (count < 1 || count > 128) return;
    for (Parameter& p : parameters_) {
        if (!p.defined || p.linkedTo >= 0) continue;
        const std::uint64_t now = p.values[program()].load();
        p.values.assign(static_cast<std::size_t>(count), Relaxed<std::uint64_t>(now));
    }
    programCount_ = count;
    currentProgram_.store(0, std::memory_order_relaxed);
}

void tw_paramManager::selectProgram(int program) {
    if (program >= 0 && program < programCount_)
        currentProgram_.store(program, std::memory_order_relaxed);
}

void tw_paramManager::linkSyncSwitch(int switchIndex, int syncIndex) {
    Parameter* sw = find(switchIndex);
    Parameter* sy = find(syncIndex);
    if (!sw || !sy || sw == sy || !isSyncableKind(sy->kind) || programCount_ != 1) return;
    const float switchValue = normalized(*sw);
    const float syncValue = normalized(*sy);
    sw->linkedTo = syncIndex;
    sy->linkedSwitch = switchIndex;
    sy->values[0].store(pack(syncValue, switchValue));
}

void tw_paramManager::increment(int index) {
    step(index, 1);
}

void tw_paramManager::decrement(int index) {
    step(index, -1);
}

void tw_paramManager::step(int index, int direction) {
    const Parameter* p = find(index);
    if (!p) return;
    float x = real(index, *p);
    if (p->kind == kKindSwitch) {
        x = x == 0.0f ? 1.0f : 0.0f;
    } else if (direction > 0) {
        x += 1.0f;
        if (x > p->maximum) {
            const bool wraps =
                p->kind == kKindInteger || p->kind == kKindDivision || p->kind == kKindNote;
            x = wraps ? p->minimum : p->maximum;
        }
    } else {
        x -= 1.0f;
        if (x < p->minimum) {
            // Note numbers stop at the bottom rather than wrapping to the top of the keyboard.
            const bool wraps = p->kind == kKindInteger || p->kind == kKindDivision;
            x = wraps ? p->maximum : p->minimum;
        }
    }
    setReal(index, x);
}

void tw_paramManager::setSyncState(int index, int state) {
    Parameter* p = find(index);
    if (p && p->linkedSwitch >= 0)
        setNormalized(p->linkedSwitch, state != 0 ? 1.0f : 0.0f);
    else if (p)
        p->syncState.store(state);
}

void tw_paramManager::setSync(int index, bool on) {
    Parameter* p = find(index);
    if (!p || !isSyncableKind(p->kind)) return;
    if (p->linkedSwitch >= 0) {
        // The real value follows from the pair whenever it is read.
        setNormalized(p->linkedSwitch, on ? 1.0f : 0.0f);
        return;
    }
    p->syncState.store(on ? 1 : 0);
    // Re-derive the real value in the new mode; the normalised value the host sees stays.
    setNormalized(index, normalized(*p));
}

void tw_paramManager::setRandomizable(int index, bool randomizable) {
    if (Parameter* p = find(index)) p->randomizable.store(randomizable);
}

bool tw_paramManager::isRandomizable(int index) const {
    const Parameter* p = find(index);
    return p && p->randomizable.load();
}

void tw_paramManager::randomize(int index) {
    const Parameter* p = find(index);
    if (!p || !p->randomizable.load()) return;
    // A private linear congruential generator: uniform 15-bit draws without shared global state.
    randomState_ = randomState_ * 1103515245u + 12345u;
    const int r = static_cast<int>((randomState_ >> 16) & 0x7fffu);
    const bool unitSteps = (p->kind == kKindInteger || p->kind == kKindNote) &&
                           p->minimum == 0.0f && p->maximum == 1.0f;
    if (p->kind == kKindSwitch || unitSteps)
        setNormalized(index, (r & 1) ? 1.0f : 0.0f);
    else
        setNormalized(index, static_cast<float>(r) / 32767.0f);
}

float tw_paramManager::getEngineValue(int index) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    if (p->kind == kKindDecibel) return p->table->lookup(normalized(*p));
    const Value v = valueIn(index, *p, program());
    return toEngineValueSynced(index, v.real, v.synced);
}

float tw_paramManager::getEngineValueWithOffset(int index, float delta) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    const float position = clamp01(normalized(*p) + delta);
    return toEngineValue(index, toReal(index, position));
}

float tw_paramManager::getDefault(int index) const {
    const Parameter* p = find(index);
    return p ? p->defaultValue : 0.0f;
}

float tw_paramManager::getMin(int index) const {
    const Parameter* p = find(index);
    return p ? p->minimum : 0.0f;
}

float tw_paramManager::getMax(int index) const {
    const Parameter* p = find(index);
    return p ? p->maximum : 0.0f;
}

int tw_paramManager::getSyncState(int index) const {
    const Parameter* p = find(index);
    if (p && p->linkedSwitch >= 0) return isSynced(index) ? 1 : 0;
    return p ? p->syncState.load() : 0;
}

bool tw_paramManager::isSynced(int index) const {
    const Parameter* p = find(index);
    if (!p || !isSyncableKind(p->kind)) return false;
    if (p->linkedSwitch >= 0) return unpack(p->values[program()].load(), 32) > 0.5f;
    return p->syncState.load() != 0;
}

int tw_paramManager::getKind(int index) const {
    const Parameter* p = find(index);
    return p ? p->kind : 0;
}

float tw_paramManager::toNormalized(int index, float x) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    float n;
    switch (p->kind) {
        case kKindSwitch:
        case kKindSyncTimeNormalized:
        case kKindSyncRateNormalized:
            n = x;
            break;
        case kKindExponential:
            // At or below 0 the logarithm is -inf or NaN; the clamp below turns both into 0.
            n = std::log(x / p->minimum) / std::log(p->maximum / p->minimum);
            break;
        case kKindDivision:
            n = x / 15.0f;
            break;
        case kKindSyncTime:
            n = isSynced(index) ? x / 15.0f : unlinear(*p, x);
            break;
        case kKindSyncRate:
            n = isSynced(index) ? 1.0f - x / 15.0f
                                : std::log(x / p->minimum) / std::log(p->maximum / p->minimum);
            break;
        default:
            n = unlinear(*p, x);
            break;
    }
    return clamp01(n);
}

float tw_paramManager::toReal(int index, float n) const {
    return toRealSynced(index, n, isSynced(index));
}

float tw_paramManager::toRealSynced(int index, float n, bool synced) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    if (isNaN(n)) n = 0.0f;
    switch (p->kind) {
        case kKindSwitch:
            return n > 0.5f ? 1.0f : 0.0f;
        case kKindExponential:
            return p->table->lookup(n);
        case kKindInteger:
        case kKindNote:
            return std::floor(linear(*p, n) + 0.5f);
        case kKindDivision:
            return std::floor(n * 0.99f * 15.0f);
        case kKindSyncTime:
            return synced ? std::floor(n * 15.0f) : linear(*p, n);
        case kKindSyncRate:
            // Synchronised rates run backwards: n = 1 is the fastest division.
            return synced ? std::floor((1.0f - n) * 15.0f) : p->table->lookup(n);
        case kKindSyncTimeNormalized:
        case kKindSyncRateNormalized:
            return n;
        default:
            return linear(*p, n);
    }
}

float tw_paramManager::toEngineValue(int index, float x) const {
    return toEngineValueSynced(index, x, isSynced(index));
}

float tw_paramManager::toEngineValueSynced(int index, float x, bool synced) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    if (isNaN(x)) x = p->minimum;
    switch (p->kind) {
        case kKindPercent:
            return clampRange(x, p->minimum, p->maximum) * 0.01f;
        case kKindDecibel:
            return p->table->lookup(unlinear(*p, x));
        case kKindDivision:
            return divisionLength(x);
        case kKindSyncTime:
            return synced ? divisionLength(x) : x;
        case kKindSyncRate:
            // Cycles per quarter note while synchronised, Hz while free.
            return synced ? 1.0f / divisionLength(x) : x;
        case kKindSyncTimeNormalized:
            return synced ? divisionLength(x * 15.0f) : linear(*p, x);
        case kKindSyncRateNormalized:
            return synced ? 1.0f / divisionLength((1.0f - x) * 15.0f) : p->table->lookup(x);
        default:
            return clampRange(x, p->minimum, p->maximum);
    }
}

int tw_paramManager::getParameterCount() const {
    return definedCount_;
}

float tw_paramManager::getHostValue(int index) const {
    return usesRealHostValues(index) ? getReal(index) : getNormalized(index);
}

bool tw_paramManager::usesRealHostValues(int) const {
    return false;
}

int tw_paramManager::createSnapshot(const std::set<int>& indices) {
    std::vector<std::pair<int, float>> pairs;
    for (int index : indices)
        if (const Parameter* p = find(index)) pairs.emplace_back(index, normalized(*p));
    snapshots_.push_back(std::move(pairs));
    return static_cast<int>(snapshots_.size()) - 1;
}

void tw_paramManager::storeSnapshot(int number) {
    if (number < 0 || number >= static_cast<int>(snapshots_.size())) return;
    for (auto& pair : snapshots_[number])
        pair.second = getNormalized(pair.first);
}

void tw_paramManager::recallSnapshot(int number) {
    if (number < 0 || number >= static_cast<int>(snapshots_.size())) return;
    for (const auto& pair : snapshots_[number])
        setNormalized(pair.first, pair.second);
}

const tw_lookupTable* tw_paramManager::getLookupTable(int index) const {
    const Parameter* p = find(index);
    return p ? p->table.get() : nullptr;
}
