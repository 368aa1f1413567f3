#include "fuzz_seeds.h"

#include "fuzz_input.h"
#include "params/CorvaneParameters.h"
#include "vst/vst_abi.h"

#include <limits>

namespace corvane::fuzz {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const Signal kNoise{Noise, 0, 0, 0, 1};
const Signal kLoudBursts{Bursts, 3, 0, 0, 7};

// What a host does first: rate, block size, switch on, tempo.
FuzzInputWriter startedSession(float rate, int blockSize) {
    FuzzInputWriter w;
    w.sampleRate(rate).blockSize(blockSize).mains(1).hostTime(2, 120.0, 0.0, 4);
    return w;
}

NamedInput plainSession() {
    FuzzInputWriter w = startedSession(48000.0f, 256);
    w.run(16, 256, kNoise);
    for (int i = 0; i < kNumParams; ++i)
        w.getParameter(i);
    return {"plain-session", w.bytes()};
}

// Every opcode the interface has and a few beyond, with the payload each takes.
NamedInput everyRequest() {
    FuzzInputWriter w = startedSession(44100.0f, 512);
    for (int opcode = -2; opcode < 90; ++opcode) {
        if (opcode == effClose) continue;
        if (opcode == effVendorSpecific)
            w.request(opcode, 12345, kFilterCutoff, 1000.0f);
        else
            w.request(opcode, 1, 1, 0.5f);
        switch (opcode) {
            case effSetProgramName:
            case effString2Parameter:
            case effCanDo:
                w.u8(2); // "receiveVstMidiEvent"
                break;
            case effEditDraw:
                w.u16(0).u16(0).u16(302).u16(730);
                break;
            case effSetChunk:
                w.u8(4).u32(0x12345678);
                break;
            case effProcessEvents:
                w.u8(1).u8(0).i32(0).u8(0x90).u8(60).u8(100);
                break;
            case effVendorSpecific:
                w.u8(1);
                break;
            case effSetSpeakerArrangement:
                w.i32(kSpeakerArrStereo).u8(2).i32(kSpeakerArrStereo).u8(2);
                break;
            case effBeginLoadBank:
            case effBeginLoadProgram:
                w.i32(1).i32(0x54576376).i32(1).i32(20);
                break;
            default:
                break;
        }
        w.process(64, kNoise);
    }
    w.request(effClose);
    return {"every-request", w.bytes()};
}

NamedInput everyProgram() {
    FuzzInputWriter w = startedSession(44100.0f, 1024);
    for (int p = 0; p < kNumPrograms; ++p)
        w.program(p).process(1024, kLoudBursts);
    return {"every-program", w.bytes()};
}

NamedInput parameterExtremes() {
    FuzzInputWriter w = startedSession(96000.0f, 64);
    const float values[] = {kNaN, kInf, -kInf, -1.0f, 2.0f, 0.0f, 1.0f, 0.5f};
    for (float v : values) {
        for (int i = -1; i <= kNumParams; ++i)
            w.setParameter(i, v);
        w.run(4, 64, kNoise);
    }
    return {"parameter-extremes", w.bytes()};
}

// Every parameter moved before every one-sample block.
NamedInput automationAtEveryFrame() {
    FuzzInputWriter w = startedSession(44100.0f, 1);
    for (int frame = 0; frame < 256; ++frame) {
        w.setParameter(frame % kNumParams, static_cast<float>((frame * 37) % 101) / 100.0f);
        w.process(1, kNoise);
    }
    return {"automation-every-frame", w.bytes()};
}

NamedInput midiNotes() {
    FuzzInputWriter w = startedSession(44100.0f, 256);
    w.setParameter(kEnvTrigger, 0.34f);
    w.midi({{0x90, 60, 64}, {0x91, 64, 100}, {0x80, 60, 0}});
    w.run(4, 256, kNoise);
    w.midi({{0x90, 64, 0}, {0xB0, 123, 0}, {0xF0, 0x7F, 0x7F}, {0x80, 1, 1}});
    w.run(4, 256, kNoise);
    return {"midi-notes", w.bytes()};
}

NamedInput oddHostTime() {
    FuzzInputWriter w = startedSession(44100.0f, 256);
    w.setParameter(kLfoSync, 1.0f);
    const double tempos[] = {std::numeric_limits<double>::quiet_NaN(), 0.0, -120.0, 1e300, 999.0};
    for (double tempo : tempos) {
        w.hostTime(2, tempo, 1e15, 0).process(256, kNoise);
        w.hostTime(1, tempo, -3.75, -8).process(256, kNoise);
    }
    w.hostTime(0, 0.0, 0.0, 0).process(256, kNoise);
    return {"odd-host-time", w.bytes()};
}

NamedInput ratesAndBlocks() {
    FuzzInputWriter w;
    const float rates[] = {8000.0f, 22050.0f, 192000.0f, 384000.0f, 1.0f, 1e9f, kNaN, -1.0f};
    for (float rate : rates) {
        w.sampleRate(rate).blockSize(32).mains(1);
        // Blocks larger than the size announced; the largest a host sends comes last.
        w.process(1, kNoise).process(7, kNoise).process(2048, kNoise).process(0, kNoise);
    }
    w.process(8192, kNoise);
    return {"rates-and-blocks", w.bytes()};
}

NamedInput nonFiniteInput() {
    FuzzInputWriter w = startedSession(44100.0f, 512);
    w.process(512, Signal{Noise, 0, 0xD0, 0, 100});         // one NaN on main L
    w.process(512, Signal{Sine, 0, 0xD0 | 1 | 4, 0, 100});  // +inf on main R
    w.process(512, Signal{Noise, 0, 0xD0 | 3 | 8, 0, 100}); // side-chain all NaN
    w.run(32, 512, kNoise);
    return {"non-finite-input", w.bytes()};
}

NamedInput pinPlans() {
    FuzzInputWriter w;
    const std::uint8_t masks[] = {0x00, 0x02, 0x22, 0x0C, 0x08, 0x3F, 0x4A};
    for (std::uint8_t mask : masks)
        w.pins(mask).mains(0).mains(1).process(300, kNoise);
    return {"pin-plans", w.bytes()};
}

NamedInput inPlaceBuffers() {
    FuzzInputWriter w = startedSession(48000.0f, 128);
    w.process(128, Signal{Noise, 0, 0, kLayoutLeftInPlace | kLayoutRightInPlace, 3});
    w.process(128, Signal{Sine, 0, 0, kLayoutSharedSidechain, 3});
    w.process(128, Signal{Noise, 0, 0, kLayoutLeftInPlace | kLayoutSharedSidechain | 0x2, 3});
    return {"in-place-buffers", w.bytes()};
}

NamedInput editorSession() {
    FuzzInputWriter w = startedSession(44100.0f, 256);
    w.editor(3).editor(0).editor(2).setParameter(kFilterCutoff, 0.25f).process(256, kNoise);
    w.editor(2).editor(4, 'a', 0, 0.0f).editor(5, 'a').editor(6, 0, 2).editor(1).editor(2);
    return {"editor", w.bytes()};
}

NamedInput instances() {
    FuzzInputWriter w = startedSession(44100.0f, 64);
    w.process(64, kNoise).request(effClose).process(64, kNoise);
    w.hostVersion(0)
        .reopen()
        .process(64, kNoise)
        .hostVersion(kVstVersion)
        .reopen()
        .process(64, kNoise);
    return {"instances", w.bytes()};
}

NamedInput longSilenceAfterNoise() {
    FuzzInputWriter w = startedSession(44100.0f, 4096);
    w.setParameter(kRevDecay, 1.0f).setParameter(kRevMix, 1.0f);
    w.run(1, 4096, Signal{Noise, 3, 0, 0, 9});
    w.run(6, 4096, Signal{Silence, 0, 0, 0, 0});
    return {"long-silence-after-noise", w.bytes()};
}

} // namespace

std::vector<NamedInput> handMadeInputs() {
    return {plainSession(),      everyRequest(),           everyProgram(),
            parameterExtremes(), automationAtEveryFrame(), midiNotes(),
            oddHostTime(),       ratesAndBlocks(),         nonFiniteInput(),
            pinPlans(),          inPlaceBuffers(),         editorSession(),
            instances(),         longSilenceAfterNoise()};
}

} // namespace corvane::fuzz
