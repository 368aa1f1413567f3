#include "corvane_fuzz_driver.h"

#include "fuzz_input.h"
#include "host/Corvane.h"
#include "vst/plugin_entry.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace corvane::fuzz {
namespace {

constexpr int kInputs = 4;
constexpr int kOutputs = 2;
// Output buffers start with this, so a plan that leaves a channel alone still reads finite.
constexpr float kOutputFill = 1234.5f;
// Text buffers start with this byte, so a text that was written can be told from one that was not.
constexpr char kTextFill = 'X';
constexpr int kErrorTextSize = 256;
constexpr int kMaxTextIn = 64;

// What the plug-in is in the middle of, for the host-call rules.
enum class Context { Idle, Creating, Process, Events, Parameter };

// How each request uses ptr (and, for two requests, value), as the interface promises.
enum class Pointer {
    None,         // null
    TextOut,      // a text buffer of textSize() bytes
    TextIn,       // a zero-terminated text
    RectOut,      // ERect**
    RectIn,       // ERect*
    ChunkOut,     // void**
    ChunkIn,      // value bytes
    Events,       // VstEvents*
    VendorFloat,  // float*, possibly unaligned
    PinOut,       // VstPinProperties*
    ParameterOut, // VstParameterProperties*
    SpeakersIn,   // value and ptr: VstSpeakerArrangement*
    SpeakersOut,  // value and ptr: VstSpeakerArrangement**
    PatchInfo,    // VstPatchChunkInfo*
};

Pointer pointerOf(VstInt32 opcode) {
    switch (opcode) {
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo:
            return Pointer::TextIn;
        case effGetProgramName:
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
        case effGetProgramNameIndexed:
        case effGetEffectName:
        case effGetErrorText:
        case effGetVendorString:
        case effGetProductString:
        case effShellGetNextPlugin:
            return Pointer::TextOut;
        case effEditGetRect:
            return Pointer::RectOut;
        case effEditDraw:
            return Pointer::RectIn;
        case effGetChunk:
            return Pointer::ChunkOut;
        case effSetChunk:
            return Pointer::ChunkIn;
        case effProcessEvents:
            return Pointer::Events;
        case effVendorSpecific:
            return Pointer::VendorFloat;
        case effGetInputProperties:
        case effGetOutputProperties:
            return Pointer::PinOut;
        case effGetParameterProperties:
            return Pointer::ParameterOut;
        case effSetSpeakerArrangement:
            return Pointer::SpeakersIn;
        case effGetSpeakerArrangement:
            return Pointer::SpeakersOut;
        case effBeginLoadBank:
        case effBeginLoadProgram:
            return Pointer::PatchInfo;
        default:
            // effEditOpen among them: a parent window would be a real X11 window id, and without
            // one the editor opens offscreen. Requests whose structs nothing here reads (offline,
            // variable I/O, MIDI programs) get null too, which the interface allows.
            return Pointer::None;
    }
}

int textSize(VstInt32 opcode) {
    switch (opcode) {
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
            return kVstMaxParamStrLen + 1;
        case effGetProgramName:
        case effGetProgramNameIndexed:
            return kVstMaxProgNameLen;
        case effGetEffectName:
            return kVstMaxEffectNameLen;
        case effGetErrorText:
            return kErrorTextSize;
        default: // vendor, product and shell-plug-in names
            return kVstMaxVendorStrLen;
    }
}

// Texts worth sending: the can-do strings (known and not), a program name that is numbered,
// and an empty one; other selector values give bytes from the input.
constexpr const char* kTexts[] = {"plugAsChannelInsert",
                                  "plugAsSend",
                                  "receiveVstMidiEvent",
                                  "1in1out",
                                  "1in2out",
                                  "2in2out",
                                  "2in1out",
                                  "sendVstMidiEvent",
                                  "bypass",
                                  "init",
                                  "",
                                  "0.5",
                                  "-inf",
                                  "nan",
                                  "12345678901234567890123456789",
                                  "Main In L"};

bool terminatedWithin(const char* text, std::size_t size) {
    return std::memchr(text, 0, size) != nullptr;
}

std::uint32_t hash32(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return static_cast<std::uint32_t>(x);
}

// A sample of signal s on channel c at the session's frame t (continuous across blocks).
float signalSample(const Signal& s, int c, long t) {
    const std::uint64_t key = (static_cast<std::uint64_t>(t) << 2) | static_cast<unsigned>(c);
    const auto noise = [&] {
        return static_cast<float>(hash32(key ^ (std::uint64_t{s.seed} << 40))) / 2147483648.0f -
               1.0f;
    };
    const float level = kSignalLevels[s.level % countOf(kSignalLevels)];
    switch (s.wave % kWaveCount) {
        case Noise:
            return level * noise();
        case Sine: {
            const double cycles = ((s.seed & 0xFFF) + 1) / 8192.0 * static_cast<double>(t);
            return level * static_cast<float>(
                               std::sin(6.283185307179586 * (cycles - std::floor(cycles)) + c));
        }
        case Dc:
            return (s.seed & 1) ? -level : level;
        case Impulses:
            return t % (s.seed % 4096 + 1) == 0 ? level : 0.0f;
        case Square: {
            const long period = s.seed % 2048 + 2;
            return t % period < period / 2 ? level : -level;
        }
        case Bursts: {
            // Loud noise, then sixteen times as long silence: tails, decays and subnormals.
            const long burst = (s.seed % 64 + 1) * 256L;
            return t % (17 * burst) < burst ? level * noise() : 0.0f;
        }
        case Subnormal:
            return std::numeric_limits<float>::denorm_min() *
                   static_cast<float>(hash32(key) % 1000) * ((hash32(key + 1) & 1) ? -1.0f : 1.0f);
        default:
            return 0.0f;
    }
}

class Session {
public:
    Session(const std::uint8_t* data, std::size_t size) : in_(data, size) { active_ = this; }
    ~Session() {
        closeInstance();
        active_ = nullptr;
    }

    FuzzOutcome run() {
        while (!in_.done() && ok() && outcome_.actions < FuzzLimits::kMaxActions) {
            ++outcome_.actions;
            step(static_cast<Command>(in_.u8() % kCommandCount));
        }
        closeInstance();
        return outcome_;
    }

private:
    bool ok() const { return outcome_.failure.empty(); }

    void fail(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (!ok()) return;
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        outcome_.failure = text;
    }

    void step(Command command) {
        switch (command) {
            case Command::Dispatch:
                dispatchRequest();
                break;
            case Command::SetParameter: {
                const VstInt32 index = in_.i32();
                const float value = in_.f32();
                if (AEffect* e = instance()) {
                    context_ = Context::Parameter;
                    e->setParameter(e, index, value);
                    context_ = Context::Idle;
                }
                break;
            }
            case Command::GetParameter: {
                const VstInt32 index = in_.i32();
                if (AEffect* e = instance()) {
                    const float value = e->getParameter(e, index);
                    if (!(value >= 0.0f && value <= 1.0f))
                        fail("getParameter(%d) answered %g", index, static_cast<double>(value));
                }
                break;
            }
            case Command::Process: {
                const int frames = in_.u16() % (FuzzLimits::kMaxBlockFrames + 1);
                processBlock(frames, in_.signal());
                break;
            }
            case Command::ProcessRun: {
                const int count = in_.u8() % FuzzLimits::kMaxRunBlocks + 1;
                const int frames = in_.u16() % (FuzzLimits::kMaxBlockFrames + 1);
                const Signal signal = in_.signal();
                for (int i = 0; i < count && ok() && framesLeft() > 0; ++i)
                    processBlock(frames, signal);
                break;
            }
            case Command::Events: {
                std::vector<std::uint8_t> storage;
                VstEvents* events = readEvents(storage);
                if (AEffect* e = instance()) dispatch(e, effProcessEvents, 0, 0, events, 0.0f);
                break;
            }
            case Command::HostTime:
                timeMode_ = in_.u8() % 3;
                tempo_ = in_.f64();
                position_ = in_.f64();
                denominator_ = in_.i32();
                numerator_ = in_.i32();
                break;
            case Command::HostPins:
                pinMask_ = in_.u8();
                break;
            case Command::HostVersion:
                version_ = in_.i32();
                break;
            case Command::SampleRate: {
                constexpr float kRates[] = {8000.0f,   11025.0f,  22050.0f,  44100.0f,
                                            48000.0f,  88200.0f,  96000.0f,  176400.0f,
                                            192000.0f, 384000.0f, 768000.0f, 1.0f,
                                            0.0f,      -44100.0f, 1e9f,      100.0f};
                const std::uint8_t s = in_.u8();
                const float rate = s < countOf(kRates) ? kRates[s] : in_.f32();
                if (AEffect* e = instance()) dispatch(e, effSetSampleRate, 0, 0, nullptr, rate);
                break;
            }
            case Command::BlockSize: {
                const VstInt32 size = in_.i32();
                if (AEffect* e = instance()) dispatch(e, effSetBlockSize, 0, size, nullptr, 0.0f);
                break;
            }
            case Command::Mains: {
                const VstInt32 on = in_.i32();
                if (AEffect* e = instance()) dispatch(e, effMainsChanged, 0, on, nullptr, 0.0f);
                break;
            }
            case Command::Program: {
                const VstInt32 program = in_.i32();
                if (AEffect* e = instance()) dispatch(e, effSetProgram, 0, program, nullptr, 0.0f);
                break;
            }
            case Command::Editor:
                editorAction();
                break;
            case Command::Reopen:
            case Command::Count:
                closeInstance();
                break;
        }
    }

    // ---- Instances ----

    AEffect* instance() {
        if (effect_ || attempts_ >= FuzzLimits::kMaxInstances || !ok()) return effect_;
        ++attempts_;
        context_ = Context::Creating;
        AEffect* e = createVstPlugin<Corvane>(&Session::hostCallback);
        context_ = Context::Idle;
        if (!e) {
            if (version_ != 0)
                fail("the entry point refused a host of version %ld", static_cast<long>(version_));
            return nullptr;
        }
        if (version_ == 0) fail("the entry point created a plug-in for a host of version 0");
        if (e->magic != kEffectMagic || !e->dispatcher || !e->processReplacing ||
            !e->setParameter || !e->getParameter || e->numInputs != kInputs ||
            e->numOutputs != kOutputs || e->numParams != kNumParams ||
            e->numPrograms != kNumPrograms || !(e->flags & effFlagsCanReplacing))
            fail("the plug-in record is not what the host expects");
        effect_ = e;
        ++outcome_.instances;
        editorOpens_ = 0;
        editorIdles_ = 0;
        rightOutputUsed_ = true;
        return effect_;
    }

    void closeInstance() {
        if (!effect_) return;
        AEffect* e = effect_;
        effect_ = nullptr;
        ++outcome_.requests;
        if (e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f) != 1) fail("effClose did not answer 1");
    }

    // Opening and running the editor cost far more than any other request, so an input gets
    // only a few of each.
    bool withinEditorBudget(VstInt32 opcode) {
        if (opcode != effEditOpen && opcode != effEditIdle) return true;
        const bool open = opcode == effEditOpen;
        int& used = open ? editorOpens_ : editorIdles_;
        if (used >= (open ? FuzzLimits::kMaxEditorOpens : FuzzLimits::kMaxEditorIdles))
            return false;
        ++used;
        return true;
    }

    // ---- The fake host ----

    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void*, float) {
        return active_ ? active_->answer(effect, opcode, index, value) : 0;
    }

    VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value) {
        if (context_ != Context::Creating && effect != effect_)
            fail("host callback %d with a record that is not the instance's", opcode);
        switch (context_) {
            case Context::Process:
                if (opcode != audioMasterGetTime)
                    fail("host callback %d during processReplacing", opcode);
                else if (++timeRequests_ > 2)
                    fail("more than two time requests in one block");
                break;
            case Context::Events:
                fail("host callback %d during processEvents", opcode);
                break;
            case Context::Parameter:
                fail("host callback %d during setParameter", opcode);
                break;
            case Context::Idle:
            case Context::Creating:
                break;
        }
        switch (opcode) {
            case audioMasterVersion:
                return version_;
            case audioMasterGetTime:
                return timeAnswer(value);
            case audioMasterPinConnected: {
                const int bit = value == 0 ? index : 4 + index;
                const bool unconnected = bit >= 0 && bit < 6 && (pinMask_ >> bit) & 1;
                return unconnected ? ((pinMask_ & kPinsAnswerMinusOne) ? -1 : 1) : 0;
            }
            case audioMasterCanDo:
            case audioMasterSizeWindow:
                return (pinMask_ & kPinsHostSaysYes) ? 1 : 0;
            default:
                return 0;
        }
    }

    // Each request gets a fresh record; the previous one is scribbled over, since a record is
    // only valid until the next request.
    VstIntPtr timeAnswer(VstIntPtr filter) {
        const bool signature = (filter & kVstTimeSigValid) != 0;
        if (timeMode_ == 0 || (signature && timeMode_ == 1)) return 0;
        VstTimeInfo& record = time_[timeSlot_];
        timeSlot_ ^= 1;
        std::memset(&time_[timeSlot_], 0xFF, sizeof(VstTimeInfo));
        record = VstTimeInfo{};
        record.tempo = tempo_;
        record.ppqPos = position_;
        record.sampleRate = 44100.0;
        record.samplePos = static_cast<double>(outcome_.frames);
        record.timeSigNumerator = numerator_;
        record.timeSigDenominator = denominator_;
        record.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;
        return reinterpret_cast<VstIntPtr>(&record);
    }

    // ---- Dispatcher requests ----

    VstInt32 readOpcode() {
        const std::uint8_t b = in_.u8();
        if (b < 0xC0) return b % 80;
        if (b < 0xF0) return 80 + (b - 0xC0);
        return in_.i32();
    }

    std::string readText() {
        const std::uint8_t n = in_.u8();
        if (n < countOf(kTexts)) return kTexts[n];
        const int length = n - static_cast<int>(countOf(kTexts));
        std::string text(std::min(length, kMaxTextIn), ' ');
        for (char& c : text)
            c = static_cast<char>(in_.u8() | 1); // no terminator inside
        return text;
    }

    VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
        ++outcome_.requests;
        context_ = opcode == effProcessEvents ? Context::Events : Context::Idle;
        const VstIntPtr result = e->dispatcher(e, opcode, index, value, ptr, opt);
        context_ = Context::Idle;
        // Switching on reads the pins: an unconnected right output is the host's to ignore, and
        // the plug-in leaves it alone.
        if (opcode == effMainsChanged && value != 0)
            rightOutputUsed_ = !(pinMask_ & kPinsRightOutputUnconnected);
        if (opcode == effClose) {
            effect_ = nullptr;
            if (result != 1) fail("effClose did not answer 1");
        }
        return result;
    }

    void dispatchRequest() {
        const VstInt32 opcode = readOpcode();
        const VstInt32 index = in_.i32();
        VstIntPtr value = in_.i32();
        const float opt = in_.f32();

        // What ptr points at lives here for the call.
        std::unique_ptr<char[]> text;
        std::string textIn;
        ERect* rectOut = nullptr;
        ERect rectIn{};
        void* chunkOut = nullptr;
        std::vector<std::uint8_t> bytes;
        float vendorSlot[2] = {};
        VstPinProperties pin;
        VstParameterProperties properties;
        VstSpeakerArrangement speakers[2] = {};
        VstSpeakerArrangement* speakersOut[2] = {nullptr, nullptr};
        VstPatchChunkInfo patch{};
        void* ptr = nullptr;
        std::size_t vendorOffset = 0;

        const Pointer kind = pointerOf(opcode);
        switch (kind) {
            case Pointer::None:
                break;
            case Pointer::TextOut:
                text.reset(new char[textSize(opcode)]);
                std::memset(text.get(), kTextFill, textSize(opcode));
                ptr = text.get();
                break;
            case Pointer::TextIn:
                textIn = readText();
                ptr = textIn.data();
                break;
            case Pointer::RectOut:
                ptr = &rectOut;
                break;
            case Pointer::RectIn:
                rectIn = {static_cast<VstInt16>(in_.u16()), static_cast<VstInt16>(in_.u16()),
                          static_cast<VstInt16>(in_.u16()), static_cast<VstInt16>(in_.u16())};
                ptr = &rectIn;
                break;
            case Pointer::ChunkOut:
                ptr = &chunkOut;
                break;
            case Pointer::ChunkIn:
                bytes.resize(in_.u8());
                for (std::uint8_t& b : bytes)
                    b = in_.u8();
                value = static_cast<VstIntPtr>(bytes.size());
                ptr = bytes.empty() ? nullptr : bytes.data();
                break;
            case Pointer::Events:
                ptr = readEvents(bytes);
                break;
            case Pointer::VendorFloat:
                // The host's float need not be aligned.
                vendorOffset = in_.u8() % 4;
                ptr = reinterpret_cast<char*>(vendorSlot) + vendorOffset;
                break;
            case Pointer::PinOut:
                std::memset(&pin, kTextFill, sizeof pin);
                ptr = &pin;
                break;
            case Pointer::ParameterOut:
                std::memset(&properties, kTextFill, sizeof properties);
                ptr = &properties;
                break;
            case Pointer::SpeakersIn:
                for (VstSpeakerArrangement& s : speakers) {
                    s.type = in_.i32();
                    s.numChannels = in_.u8() % 9;
                }
                value = reinterpret_cast<VstIntPtr>(&speakers[0]);
                ptr = &speakers[1];
                break;
            case Pointer::SpeakersOut:
                value = reinterpret_cast<VstIntPtr>(&speakersOut[0]);
                ptr = &speakersOut[1];
                break;
            case Pointer::PatchInfo:
                patch.version = in_.i32();
                patch.pluginUniqueID = in_.i32();
                patch.pluginVersion = in_.i32();
                patch.numElements = in_.i32();
                ptr = &patch;
                break;
        }

        AEffect* e = instance();
        if (!e || !withinEditorBudget(opcode)) return;
        const VstIntPtr result = dispatch(e, opcode, index, value, ptr, opt);
        checkAnswer(opcode, result, kind, text.get(), rectOut, chunkOut, vendorSlot, vendorOffset,
                    pin, properties, speakersOut);
    }

    void checkAnswer(VstInt32 opcode, VstIntPtr result, Pointer kind, const char* text,
                     const ERect* rect, const void* chunk, const float* vendorSlot,
                     std::size_t vendorOffset, const VstPinProperties& pin,
                     const VstParameterProperties& properties,
                     VstSpeakerArrangement* const* speakers) {
        switch (kind) {
            case Pointer::TextOut: {
                const int size = textSize(opcode);
                bool written = false;
                for (int i = 0; i < size; ++i)
                    written = written || text[i] != kTextFill;
                if ((written || result == 1) && !terminatedWithin(text, size))
                    fail("request %d: text not terminated within its %d bytes", opcode, size);
                break;
            }
            case Pointer::RectOut:
                if (result && !rect)
                    fail("effEditGetRect answered %ld with no rectangle", long(result));
                if (rect && (rect->right <= rect->left || rect->bottom <= rect->top))
                    fail("editor rectangle is empty");
                break;
            case Pointer::ChunkOut:
                if (result > 0) {
                    if (!chunk) fail("effGetChunk answered %ld bytes at null", long(result));
                    // Reading every byte lets the address sanitizer vouch for the size.
                    unsigned sum = 0;
                    for (VstIntPtr i = 0; chunk && i < result; ++i)
                        sum += static_cast<const unsigned char*>(chunk)[i];
                    (void)sum;
                }
                break;
            case Pointer::VendorFloat:
                if (result == 1) {
                    float answer;
                    std::memcpy(&answer, reinterpret_cast<const char*>(vendorSlot) + vendorOffset,
                                sizeof answer);
                    if (!std::isfinite(answer))
                        fail("effVendorSpecific answered a non-finite value");
                }
                break;
            case Pointer::PinOut:
                if (result == 1 && (!terminatedWithin(pin.label, sizeof pin.label) ||
                                    !terminatedWithin(pin.shortLabel, sizeof pin.shortLabel)))
                    fail("pin %d properties: label not terminated", opcode);
                break;
            case Pointer::ParameterOut:
                if (result == 1 &&
                    (!terminatedWithin(properties.label, sizeof properties.label) ||
                     !terminatedWithin(properties.shortLabel, sizeof properties.shortLabel) ||
                     !terminatedWithin(properties.categoryLabel, sizeof properties.categoryLabel)))
                    fail("parameter properties: label not terminated");
                break;
            case Pointer::SpeakersOut:
                for (int i = 0; i < 2; ++i)
                    if (speakers[i] && speakers[i]->numChannels < 0)
                        fail("speaker arrangement with a negative channel count");
                break;
            default:
                break;
        }
        if (opcode == effGetProgram && (result < 0 || result >= kNumPrograms))
            fail("effGetProgram answered %ld", long(result));
    }

    // A host's event list for one block: MIDI (channel messages and anything else), SysEx, and
    // events of other types, in the host's own storage.
    VstEvents* readEvents(std::vector<std::uint8_t>& storage) {
        const int count = in_.u8() % (FuzzLimits::kMaxEvents + 1);
        struct Layout {
            std::size_t list;
            std::size_t events;
            std::size_t dumps;
        };
        const std::size_t listBytes = vstEventsSize(count);
        const std::size_t eventBytes = sizeof(VstMidiSysexEvent); // the larger of the two
        constexpr std::size_t kDumpBytes = 16;
        const Layout at{0, listBytes, listBytes + count * eventBytes};
        storage.assign(at.dumps + count * kDumpBytes, 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data() + at.list);
        list->numEvents = count;
        for (int i = 0; i < count; ++i) {
            std::uint8_t* slot = storage.data() + at.events + i * eventBytes;
            const std::uint8_t kind = in_.u8();
            const VstInt32 delta = in_.i32();
            if ((kind & 3) == 2) {
                auto* sysex = reinterpret_cast<VstMidiSysexEvent*>(slot);
                sysex->type = kVstSysExType;
                sysex->byteSize = sizeof(VstMidiSysexEvent);
                sysex->deltaFrames = delta;
                sysex->dumpBytes = kind >> 4;
                sysex->sysexDump =
                    reinterpret_cast<char*>(storage.data() + at.dumps + i * kDumpBytes);
                for (int b = 0; b < sysex->dumpBytes; ++b)
                    sysex->sysexDump[b] = static_cast<char>(in_.u8());
            } else {
                auto* midi = reinterpret_cast<VstMidiEvent*>(slot);
                midi->type = (kind & 3) == 3 ? in_.i32() : kVstMidiType;
                midi->byteSize = sizeof(VstMidiEvent);
                midi->deltaFrames = delta;
                midi->flags = kind >> 7;
                for (int b = 0; b < 3; ++b)
                    midi->midiData[b] = static_cast<char>(in_.u8());
            }
            vstSetEventAt(list, i, reinterpret_cast<VstEvent*>(slot));
        }
        return list;
    }

    void editorAction() {
        const std::uint8_t action = in_.u8();
        const VstInt32 index = in_.i32();
        const VstInt32 value = in_.i32();
        const float opt = in_.f32();
        constexpr VstInt32 kActions[] = {effEditOpen,       effEditClose,   effEditIdle,
                                         effEditGetRect,    effEditKeyDown, effEditKeyUp,
                                         effSetEditKnobMode};
        const VstInt32 opcode = kActions[action % countOf(kActions)];
        AEffect* e = instance();
        if (!e || !withinEditorBudget(opcode)) return;
        ERect* rect = nullptr;
        const VstIntPtr result =
            dispatch(e, opcode, index, value, opcode == effEditGetRect ? &rect : nullptr, opt);
        if (opcode == effEditGetRect && result && !rect)
            fail("effEditGetRect answered %ld with no rectangle", long(result));
    }

    // ---- Audio ----

    long framesLeft() const { return FuzzLimits::kMaxFrames - outcome_.frames; }

    void processBlock(int frames, const Signal& signal) {
        AEffect* e = instance();
        if (!e) return;
        frames = static_cast<int>(std::min<long>(frames, framesLeft()));

        // Exactly frames samples each, so reading or writing past the block is caught.
        std::unique_ptr<float[]> inputs[kInputs];
        std::unique_ptr<float[]> outputs[kOutputs];
        float* in[kInputs];
        float* out[kOutputs];
        bool finite = true;
        for (int c = 0; c < kInputs; ++c) {
            inputs[c].reset(new float[frames]);
            in[c] = inputs[c].get();
            const bool silent = (signal.layout >> c) & 1;
            for (int i = 0; i < frames; ++i)
                in[c][i] = silent ? 0.0f : signalSample(signal, c, clock_ + i);
        }
        if (signal.nonFinite >= kNonFiniteFrom && frames > 0) {
            const int kind = signal.nonFinite & 3;
            float* channel = in[(signal.nonFinite >> 2) & 3];
            constexpr float kValues[] = {
                std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
            if (kind == 3)
                std::fill(channel, channel + frames, kValues[kind]);
            else
                channel[signal.seed % frames] = kValues[kind];
        }
        if (signal.layout & kLayoutSharedSidechain) {
            in[2] = in[0];
            in[3] = in[1];
        }
        for (int c = 0; c < kInputs; ++c)
            for (int i = 0; i < frames; ++i)
                finite = finite && std::isfinite(in[c][i]);
        for (int c = 0; c < kOutputs; ++c) {
            const bool inPlace =
                signal.layout & (c == 0 ? kLayoutLeftInPlace : kLayoutRightInPlace);
            if (inPlace) {
                out[c] = in[c];
            } else {
                outputs[c].reset(new float[frames]);
                out[c] = outputs[c].get();
                std::fill(out[c], out[c] + frames, kOutputFill);
            }
        }

        context_ = Context::Process;
        timeRequests_ = 0;
        e->processReplacing(e, in, out, frames);
        context_ = Context::Idle;
        clock_ += frames;
        outcome_.frames += frames;
        ++outcome_.blocks;

        for (int c = 0; c < (rightOutputUsed_ ? kOutputs : 1); ++c)
            for (int i = 0; i < frames; ++i)
                if (!std::isfinite(out[c][i])) {
                    fail("%s input gave output %g at channel %d, frame %d of %d",
                         finite ? "finite" : "non-finite", static_cast<double>(out[c][i]), c, i,
                         frames);
                    return;
                }
    }

    static Session* active_;

    FuzzInputReader in_;
    FuzzOutcome outcome_;
    AEffect* effect_ = nullptr;
    int attempts_ = 0;
    Context context_ = Context::Idle;
    int timeRequests_ = 0;
    long clock_ = 0;
    int editorOpens_ = 0;
    int editorIdles_ = 0;
    bool rightOutputUsed_ = true;

    // The host's answers.
    VstIntPtr version_ = kVstVersion;
    std::uint8_t pinMask_ = 0;
    int timeMode_ = 2; // 0: no record, 1: only the first request answered, 2: both
    double tempo_ = 120.0;
    double position_ = 0.0;
    VstInt32 numerator_ = 4;
    VstInt32 denominator_ = 4;
    VstTimeInfo time_[2] = {};
    int timeSlot_ = 0;
};

Session* Session::active_ = nullptr;

} // namespace

FuzzOutcome runFuzzInput(const std::uint8_t* data, std::size_t size) {
    Session session(data, size);
    return session.run();
}

} // namespace corvane::fuzz
