#include "clap/clap_state_format.h"

#include <cmath>
#include <cstring>

namespace corvane::clap {

namespace {

constexpr unsigned char kTag[4] = {'C', 'V', 'C', 'L'};

void put32(unsigned char*& at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b)
        *at++ = static_cast<unsigned char>(v >> (8 * b));
}

std::uint32_t get32(const unsigned char*& at) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b)
        v |= std::uint32_t{*at++} << (8 * b);
    return v;
}

void putFloat(unsigned char*& at, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put32(at, bits);
}

float getFloat(const unsigned char*& at) {
    const std::uint32_t bits = get32(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

void encodeState(const SavedState& state, unsigned char* bytes) {
    unsigned char* at = bytes;
    std::memcpy(at, kTag, sizeof kTag);
    at += sizeof kTag;
    put32(at, kSavedStateVersion);
    put32(at, kNumParams);
    put32(at, kNumPrograms);
    put32(at, static_cast<std::uint32_t>(state.program));
    for (float value : state.values)
        putFloat(at, value);
    for (const auto& name : state.names) {
        std::memset(at, 0, SavedState::kNameBytes);
        std::memcpy(at, name, strnlen(name, SavedState::kNameBytes - 1));
        at += SavedState::kNameBytes;
    }
    putFloat(at, state.userScale);
}

bool decodeState(const unsigned char* bytes, std::size_t size, SavedState& state) {
    if (!bytes || size < kSavedStateV1Bytes || std::memcmp(bytes, kTag, sizeof kTag) != 0)
        return false;
    const unsigned char* at = bytes + sizeof kTag;
    const std::uint32_t version = get32(at);
    if (size != (version == 1 ? kSavedStateV1Bytes : kSavedStateBytes)) return false;
    if ((version != 1 && version != kSavedStateVersion) || get32(at) != kNumParams ||
        get32(at) != kNumPrograms)
        return false;
    SavedState decoded;
    decoded.program = static_cast<std::int32_t>(get32(at));
    if (decoded.program < 0 || decoded.program >= kNumPrograms) return false;
    for (float& value : decoded.values) {
        value = getFloat(at);
        if (!(value >= 0.0f && value <= 1.0f)) return false;
    }
    for (auto& name : decoded.names) {
        if (std::memchr(at, 0, SavedState::kNameBytes) == nullptr) return false;
        std::memcpy(name, at, SavedState::kNameBytes);
        at += SavedState::kNameBytes;
    }
    if (version >= 2) {
        decoded.userScale = getFloat(at);
        if (!(decoded.userScale == 0.0f ||
              (decoded.userScale >= 1.0f && decoded.userScale <= 3.0f)))
            return false;
    }
    state = decoded;
    return true;
}

} // namespace corvane::clap
