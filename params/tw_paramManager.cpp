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

float tw_paramManager::getNormalized(int index) const {
    const Parameter* p = find(index);
    return p ? p->normalized() : 0.0f;
}

void tw_paramManager::setNormalized(int index, float n) {
    Parameter* p = find(index);
    if (!p || isNaN(n)) return;
    n = clamp01(n);
    p->values.store(pack(n, toReal(index, n)));
}

float tw_paramManager::getReal(int index) const {
    const Parameter* p = find(index);
    return p ? p->real() : 0.0f;
}

void tw_paramManager::setReal(int index, float x) {
    Parameter* p = find(index);
    if (!p || isNaN(x)) return;
    p->values.store(pack(toNormalized(index, x), x));
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
    float x = p->real();
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
    if (Parameter* p = find(index)) p->syncState.store(state);
}

void tw_paramManager::setSync(int index, bool on) {
    Parameter* p = find(index);
    if (!p || !isSyncableKind(p->kind)) return;
    p->syncState.store(on ? 1 : 0);
    // Re-derive the real value in the new mode; the normalised value the host sees stays.
    setNormalized(index, p->normalized());
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
    if (p->kind == kKindDecibel) return p->table->lookup(p->normalized());
    return toEngineValue(index, p->real());
}

float tw_paramManager::getEngineValueWithOffset(int index, float delta) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    const float position = clamp01(p->normalized() + delta);
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
    return p ? p->syncState.load() : 0;
}

bool tw_paramManager::isSynced(int index) const {
    const Parameter* p = find(index);
    return p && isSyncableKind(p->kind) && p->syncState.load() != 0;
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
            return isSynced(index) ? std::floor(n * 15.0f) : linear(*p, n);
        case kKindSyncRate:
            // Synchronised rates run backwards: n = 1 is the fastest division.
            return isSynced(index) ? std::floor((1.0f - n) * 15.0f) : p->table->lookup(n);
        case kKindSyncTimeNormalized:
        case kKindSyncRateNormalized:
            return n;
        default:
            return linear(*p, n);
    }
}

float tw_paramManager::toEngineValue(int index, float x) const {
    const Parameter* p = find(index);
    if (!p) return 0.0f;
    if (isNaN(x)) x = p->minimum;
    const bool synced = isSynced(index);
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
        if (const Parameter* p = find(index)) pairs.emplace_back(index, p->normalized());
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
