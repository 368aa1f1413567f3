#pragma once

// The byte format of one fuzz input: a list of host actions, each a command byte followed by its
// operands. FuzzInputReader decodes it (every byte string is a valid input: a missing byte reads
// as 0), FuzzInputWriter encodes it, so tests and the seed corpus can spell out a session.
//
// Numbers are encoded so that a single mutated byte moves between the interesting classes:
// a selector byte picks a special value (NaN, infinities, zero, extremes, the interface's magic
// request codes), a 16-bit fraction, or the raw bits of the value.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

namespace corvane::fuzz {

// The host actions, in the order of their command byte (taken modulo kCommandCount).
enum class Command : std::uint8_t {
    Dispatch = 0, // opcode, index, value, opt; ptr as the opcode promises
    SetParameter, // index, value
    GetParameter, // index
    Process,      // frames, signal
    ProcessRun,   // count, frames, signal: count blocks in a row
    Events,       // count, events
    HostTime,     // what audioMasterGetTime answers
    HostPins,     // which pins audioMasterPinConnected reports connected
    HostVersion,  // what audioMasterVersion answers (0 refuses the next instance)
    SampleRate,   // rate
    BlockSize,    // size
    Mains,        // on or off
    Program,      // program index
    Editor,       // action
    Reopen,       // close the instance; the next action creates a new one
    Count
};
constexpr int kCommandCount = static_cast<int>(Command::Count);

// The HostPins mask: bits 0-3 say input pins 0-3 are unconnected, bits 4-5 output pins 0-1.
constexpr std::uint8_t kPinsRightOutputUnconnected = 1 << 5;
constexpr std::uint8_t kPinsAnswerMinusOne = 1 << 6; // an unconnected pin answers -1, not 1
constexpr std::uint8_t kPinsHostSaysYes = 1 << 7;    // can-do and size-window requests answer 1

// Selector ranges shared by reader and writer.
namespace selector {
constexpr std::uint8_t kFloatSpecial = 0x00;  // .. 0x2F: kSpecialFloats[s % size]
constexpr std::uint8_t kFloatFraction = 0x30; // .. 0xDF: u16 / 65535
constexpr std::uint8_t kFloatRaw = 0xE0;      // .. 0xFF: raw bits
constexpr std::uint8_t kIntSmallEnd = 0x80;   // 0x00 .. 0x7F: s - 16
constexpr std::uint8_t kIntSpecial = 0x80;    // .. 0xEF: kSpecialInts[s % size]
constexpr std::uint8_t kIntRaw = 0xF0;        // .. 0xFF: raw 32 bits
constexpr int kIntSmallBias = 16;
} // namespace selector

inline constexpr float kSpecialFloats[] = {
    std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    0.0f,
    -0.0f,
    1.0f,
    0.5f,
    -1.0f,
    2.0f,
    std::numeric_limits<float>::denorm_min(),
    std::numeric_limits<float>::min(),
    std::numeric_limits<float>::max(),
    -std::numeric_limits<float>::max(),
    1e-30f,
    0.999999f,
    1.000001f,
};
inline constexpr double kSpecialDoubles[] = {
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    0.0,
    -0.0,
    120.0,
    1e300,
    -1e300,
    std::numeric_limits<double>::denorm_min(),
    1e-300,
    -1.0,
    999.0,
    1e15,
    -1e15,
    0.25,
    std::numeric_limits<double>::max(),
};
inline constexpr std::int32_t kSpecialInts[] = {
    std::numeric_limits<std::int32_t>::min(),
    std::numeric_limits<std::int32_t>::max(),
    -1,
    12345,
    23456,
    777,
    28,
    29,
    19,
    20,
    1 << 16,
    8192,
    8193,
    -8192,
    0x7F,
    0xFF,
};
// The audio of a block, generated from a few bytes: a waveform and level for the four inputs,
// optional non-finite samples, silent channels and in-place buffers.
struct Signal {
    std::uint8_t wave = 0;      // Wave, modulo kWaveCount
    std::uint8_t level = 0;     // index into kSignalLevels, modulo its size
    std::uint8_t nonFinite = 0; // below kNonFiniteFrom: none; else bits 0-1 kind, 2-3 channel
    std::uint8_t layout = 0;    // bits 0-3: input channel silent; kLayout* flags
    std::uint16_t seed = 0;     // noise seed, period or frequency, non-finite position
};
enum Wave : std::uint8_t {
    Silence,
    Noise,
    Sine,
    Dc,
    Impulses,
    Square,
    Bursts,
    Subnormal,
    kWaveCount
};
constexpr std::uint8_t kNonFiniteFrom = 0xD0;
constexpr std::uint8_t kLayoutLeftInPlace = 1 << 4;     // output L is input L's buffer
constexpr std::uint8_t kLayoutRightInPlace = 1 << 5;    // output R is input R's buffer
constexpr std::uint8_t kLayoutSharedSidechain = 1 << 6; // side-chain pins get the main buffers
inline constexpr float kSignalLevels[] = {1.0f, 0.01f, 0.25f, 4.0f, 1e-6f, 100.0f, 1e4f, 1e30f};

template <typename T, std::size_t N>
constexpr std::size_t countOf(const T (&)[N]) {
    return N;
}

class FuzzInputReader {
public:
    FuzzInputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return pos_ >= size_; }

    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t u16() {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::uint64_t u64() {
        const std::uint64_t lo = u32();
        return lo | (static_cast<std::uint64_t>(u32()) << 32);
    }

    float f32() {
        const std::uint8_t s = u8();
        if (s < selector::kFloatFraction) return kSpecialFloats[s % countOf(kSpecialFloats)];
        if (s < selector::kFloatRaw) return static_cast<float>(u16()) / 65535.0f;
        return bitsTo<float>(u32());
    }
    // Doubles take a fraction scaled to 0..1000 (tempo-like figures) in place of 0..1.
    double f64() {
        const std::uint8_t s = u8();
        if (s < selector::kFloatFraction) return kSpecialDoubles[s % countOf(kSpecialDoubles)];
        if (s < selector::kFloatRaw) return static_cast<double>(u16()) / 65.535;
        return bitsTo<double>(u64());
    }
    Signal signal() {
        Signal s;
        s.wave = u8();
        s.level = u8();
        s.nonFinite = u8();
        s.layout = u8();
        s.seed = u16();
        return s;
    }

    std::int32_t i32() {
        const std::uint8_t s = u8();
        if (s < selector::kIntSmallEnd)
            return static_cast<std::int32_t>(s) - selector::kIntSmallBias;
        if (s < selector::kIntRaw) return kSpecialInts[s % countOf(kSpecialInts)];
        return static_cast<std::int32_t>(u32());
    }

private:
    template <typename T, typename Bits>
    static T bitsTo(Bits bits) {
        static_assert(sizeof(T) == sizeof(Bits));
        T value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Builds inputs byte by byte in the reader's format.
class FuzzInputWriter {
public:
    FuzzInputWriter& command(Command c) { return u8(static_cast<std::uint8_t>(c)); }
    FuzzInputWriter& u8(std::uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    FuzzInputWriter& u16(std::uint16_t v) {
        return u8(v & 0xFF).u8(static_cast<std::uint8_t>(v >> 8));
    }
    FuzzInputWriter& u32(std::uint32_t v) {
        return u16(v & 0xFFFF).u16(static_cast<std::uint16_t>(v >> 16));
    }
    FuzzInputWriter& u64(std::uint64_t v) {
        return u32(v & 0xFFFFFFFFu).u32(static_cast<std::uint32_t>(v >> 32));
    }

    // Any float, as raw bits; fraction() for a value 0..1 in 16 bits.
    FuzzInputWriter& f32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return u8(selector::kFloatRaw).u32(bits);
    }
    FuzzInputWriter& fraction(float v01) {
        return u8(selector::kFloatFraction).u16(static_cast<std::uint16_t>(v01 * 65535.0f + 0.5f));
    }
    FuzzInputWriter& f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return u8(selector::kFloatRaw).u64(bits);
    }
    FuzzInputWriter& i32(std::int32_t v) {
        if (v >= -selector::kIntSmallBias && v < selector::kIntSmallEnd - selector::kIntSmallBias)
            return u8(static_cast<std::uint8_t>(v + selector::kIntSmallBias));
        return u8(selector::kIntRaw).u32(static_cast<std::uint32_t>(v));
    }

    FuzzInputWriter& signal(const Signal& s) {
        return u8(s.wave).u8(s.level).u8(s.nonFinite).u8(s.layout).u16(s.seed);
    }

    // Whole actions. request() writes a dispatcher request up to its ptr payload, which the
    // caller appends when the opcode takes one (see the driver).
    FuzzInputWriter& request(std::int32_t opcode, std::int32_t index = 0, std::int32_t value = 0,
                             float opt = 0.0f) {
        command(Command::Dispatch);
        if (opcode >= 0 && opcode < 80)
            u8(static_cast<std::uint8_t>(opcode));
        else if (opcode >= 80 && opcode < 128)
            u8(static_cast<std::uint8_t>(0xC0 + opcode - 80));
        else
            u8(0xF0).i32(opcode);
        return i32(index).i32(value).f32(opt);
    }
    FuzzInputWriter& setParameter(std::int32_t index, float value) {
        return command(Command::SetParameter).i32(index).f32(value);
    }
    FuzzInputWriter& getParameter(std::int32_t index) {
        return command(Command::GetParameter).i32(index);
    }
    FuzzInputWriter& process(std::uint16_t frames, const Signal& s) {
        return command(Command::Process).u16(frames).signal(s);
    }
    FuzzInputWriter& run(std::uint8_t blocks, std::uint16_t frames, const Signal& s) {
        return command(Command::ProcessRun)
            .u8(static_cast<std::uint8_t>(blocks - 1))
            .u16(frames)
            .signal(s);
    }
    // One list of MIDI messages (status, data 1, data 2), all at the block start.
    FuzzInputWriter& midi(std::initializer_list<std::array<std::uint8_t, 3>> messages) {
        command(Command::Events).u8(static_cast<std::uint8_t>(messages.size()));
        for (const auto& m : messages)
            u8(0).i32(0).u8(m[0]).u8(m[1]).u8(m[2]);
        return *this;
    }
    // mode 0: no time information, 1: only the first request answered, 2: both.
    FuzzInputWriter& hostTime(std::uint8_t mode, double tempo, double position,
                              std::int32_t denominator, std::int32_t numerator = 4) {
        return command(Command::HostTime)
            .u8(mode)
            .f64(tempo)
            .f64(position)
            .i32(denominator)
            .i32(numerator);
    }
    // Bits 0-3: input pins unconnected, 4-5: output pins unconnected.
    FuzzInputWriter& pins(std::uint8_t mask) { return command(Command::HostPins).u8(mask); }
    FuzzInputWriter& hostVersion(std::int32_t v) { return command(Command::HostVersion).i32(v); }
    FuzzInputWriter& sampleRate(float rate) {
        return command(Command::SampleRate).u8(0xFF).f32(rate);
    }
    FuzzInputWriter& blockSize(std::int32_t size) { return command(Command::BlockSize).i32(size); }
    FuzzInputWriter& mains(std::int32_t on) { return command(Command::Mains).i32(on); }
    FuzzInputWriter& program(std::int32_t p) { return command(Command::Program).i32(p); }
    // action: open, close, idle, get rectangle, key down, key up, knob mode.
    FuzzInputWriter& editor(std::uint8_t action, std::int32_t index = 0, std::int32_t value = 0,
                            float opt = 0.0f) {
        return command(Command::Editor).u8(action).i32(index).i32(value).f32(opt);
    }
    FuzzInputWriter& reopen() { return command(Command::Reopen); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace corvane::fuzz
