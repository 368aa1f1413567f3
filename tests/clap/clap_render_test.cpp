// The CLAP edition renders what the VST 2.4 edition renders, and applies its events at their
// frames: the module loaded as hosts load it, against the plug-in class driven directly.

#include "clap_test_host.h"
#include "engine/CCorvaneEngine.h"
#include "host/corvane_test_host.h"
#include "params/CorvaneFactoryPrograms.h"
#include "rt_probe.h"

#include <cmath>
#include <string>

namespace corvane::test {
namespace {

constexpr double kRate = 44100.0;
constexpr double kTempo = 120.0;

// A note event at the start of a block: on (velocity > 0), off (0) or all-notes-off (-1).
struct NoteAt {
    int block;
    int key;
    int velocity;
};

struct RenderSetup {
    int program = 0;
    bool sidechain = false;
    float env_trigger = -1.0f; // Env Trigger's value, or the program's
    std::vector<NoteAt> notes;
    int blocks = 48;
    std::uint32_t frames = 512;
};

// The song position of a frame in the CLAP transport's fixed point, which both editions get.
std::int64_t beats_at(std::uint64_t frame) {
    return std::llround(frame * kTempo / 60.0 / kRate * double(CLAP_BEATTIME_FACTOR));
}

void fill_inputs(float* const* channels, std::uint32_t frames, noise_source& main,
                 noise_source& side) {
    for (int c = 0; c < 2; ++c)
        for (std::uint32_t i = 0; i < frames; ++i)
            channels[c][i] = 0.5f * main.next();
    for (int c = 2; c < 4; ++c)
        for (std::uint32_t i = 0; i < frames; ++i)
            channels[c][i] = 0.5f * side.next();
}

std::vector<float> render_vst(const RenderSetup& s) {
    TestHost host;
    host.input_connected = {true, true, s.sidechain, s.sidechain};
    auto plugin = host.make_plugin();
    plugin->setSampleRate(static_cast<float>(kRate));
    plugin->setProgram(s.program);
    if (s.env_trigger >= 0.0f) plugin->setParameter(kEnvTrigger, s.env_trigger);
    plugin->resume();
    Block block(static_cast<int>(s.frames));
    noise_source main(1), side(2);
    std::vector<float> rendered;
    for (int b = 0; b < s.blocks; ++b) {
        fill_inputs(block.in_ptr, s.frames, main, side);
        host.time.ppqPos = beats_at(std::uint64_t(b) * s.frames) / double(CLAP_BEATTIME_FACTOR);
        for (const NoteAt& n : s.notes)
            if (n.block == b)
                send_midi(*plugin, {n.velocity < 0   ? midi_event(0xB0, 123, 0)
                                    : n.velocity > 0 ? midi_event(0x90, n.key, n.velocity)
                                                     : midi_event(0x80, n.key, 0)});
        block.process(*plugin);
        for (const auto& channel : block.out)
            rendered.insert(rendered.end(), channel.begin(), channel.end());
    }
    return rendered;
}

class ClapRender : public ::testing::Test {
protected:
    ClapModule module{CORVANE_CLAP};
    ClapTestHost host;

    std::vector<float> render_clap(const RenderSetup& s, ClapInstance& instance) {
        ClapBlock block(s.frames);
        InputEvents events;
        noise_source main(1), side(2);
        std::vector<float> rendered;
        for (int b = 0; b < s.blocks; ++b) {
            fill_inputs(block.ptr, s.frames, main, side);
            events.clear();
            if (b == 0 && s.env_trigger >= 0.0f) events.param(0, kEnvTrigger, s.env_trigger);
            for (const NoteAt& n : s.notes)
                if (n.block == b) {
                    if (n.velocity < 0)
                        events.midi(0, 0xB0, 123, 0);
                    else if (n.velocity > 0)
                        events.note(0, CLAP_EVENT_NOTE_ON, n.key, n.velocity / 127.0);
                    else
                        events.midi(0, 0x80, static_cast<std::uint8_t>(n.key), 0);
                }
            const clap_event_transport t =
                transport_at(beats_at(std::uint64_t(b) * s.frames), kTempo);
            EXPECT_EQ(instance.process(block.record(s.frames, &events, nullptr, s.sidechain, &t)),
                      CLAP_PROCESS_CONTINUE);
            for (int c = 0; c < 2; ++c)
                rendered.insert(rendered.end(), block.out(c).begin(), block.out(c).end());
        }
        return rendered;
    }

    std::vector<float> render_clap(const RenderSetup& s) {
        ClapInstance instance(module, host);
        EXPECT_TRUE(instance.presets->from_location(instance.plugin,
                                                    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                                    std::to_string(s.program).c_str()));
        EXPECT_TRUE(instance.start(kRate));
        return render_clap(s, instance);
    }
};

TEST_F(ClapRender, EveryFactoryProgramMatchesTheVstEditionBitForBit) {
    ASSERT_NE(module.entry(), nullptr);
    for (int program = 0; program < kNumPrograms; ++program) {
        RenderSetup s;
        s.program = program;
        const std::vector<float> vst = render_vst(s);
        const std::vector<float> clap = render_clap(s);
        EXPECT_EQ(first_difference(vst, clap), -1) << kFactoryPrograms[program].name;
    }
}

// The follower listening to the side-chain, and to MIDI notes given at block starts (where the
// VST 2.4 edition applies a block's notes): on, off, a second note over a held one, and
// all-notes-off. Env Trigger positions: a third of the way is MIDI, two thirds the side-chain.
TEST_F(ClapRender, SidechainAndMidiTriggersMatchTheVstEdition) {
    for (int program : {0, 9, 19}) {
        for (const float trigger : {0.4f, 0.7f}) {
            RenderSetup s;
            s.program = program;
            s.env_trigger = trigger;
            if (trigger > 0.5f)
                s.sidechain = true;
            else
                s.notes = {{3, 60, 100}, {9, 64, 127}, {14, 60, 0},
                           {20, 64, 0},  {26, 67, 90}, {33, 0, -1}};
            const std::vector<float> vst = render_vst(s);
            EXPECT_EQ(first_difference(vst, render_clap(s)), -1) << program << " " << trigger;
            // What the follower listens to makes a difference at all.
            RenderSetup without = s;
            without.sidechain = false;
            without.notes.clear();
            EXPECT_NE(first_difference(vst, render_vst(without)), -1) << program << " " << trigger;
        }
    }
}

// A change at frame 100 of a 256-frame block acts from frame 100: the same as a host that ends
// its block there and makes the change between blocks, and frames before it are untouched.
TEST_F(ClapRender, ParameterEventsActAtTheirFrame) {
    struct Change {
        clap_id id;
        double value;
    };
    for (const Change change :
         {Change{kFilterType, 2.0}, Change{kBypass, 1.0}, Change{kMix, 0.0}}) {
        ClapInstance whole(module, host), split(module, host), unchanged(module, host);
        for (ClapInstance* i : {&whole, &split, &unchanged})
            ASSERT_TRUE(i->start(kRate));
        ClapBlock block(256);
        InputEvents events, none;
        noise_source noise(5);
        std::vector<float> a, b, c;
        for (int n = 0; n < 12; ++n) {
            for (int ch = 0; ch < 2; ++ch)
                noise.fill(block.in(ch), 0.5f);
            events.clear();
            if (n == 6) events.param(100, change.id, change.value);
            whole.process(block.record(256, &events, nullptr, false, nullptr));
            a.insert(a.end(), block.out(0).begin(), block.out(0).end());
            unchanged.process(block.record(256, &none, nullptr, false, nullptr));
            c.insert(c.end(), block.out(0).begin(), block.out(0).end());
            // The split host: frames 0..99, then the change and frames 100..255.
            ClapBlock piece(256);
            for (int ch = 0; ch < 2; ++ch)
                piece.in(ch) = block.in(ch);
            clap_process first = piece.record(100, &none, nullptr, false, nullptr);
            split.process(first);
            events.clear();
            if (n == 6) events.param(0, change.id, change.value);
            for (int ch = 0; ch < 2; ++ch) {
                piece.ptr[ch] += 100;
                piece.ptr[4 + ch] += 100;
            }
            split.process(piece.record(156, &events, nullptr, false, nullptr));
            b.insert(b.end(), piece.out(0).begin(), piece.out(0).end());
        }
        EXPECT_EQ(first_difference(a, b), -1) << change.id;
        // The engine takes the new value at its next control tick, at most 32 frames on.
        const long acts = first_difference(a, c);
        EXPECT_GE(acts, 6 * 256 + 100) << change.id;
        EXPECT_LE(acts, 6 * 256 + 100 + CCorvaneEngine::control_interval) << change.id;
        EXPECT_NEAR(whole.value(change.id), change.value, 1e-4);
    }
}

// A transport event inside a block takes effect at its frame, as the transport of a block that
// started there would.
TEST_F(ClapRender, TransportEventsActAtTheirFrame) {
    auto run = [&](bool split, double second_tempo) {
        ClapInstance instance(module, host);
        instance.presets->from_location(instance.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN,
                                        nullptr, "1");
        EXPECT_TRUE(instance.start(kRate));
        ClapBlock block(512);
        InputEvents events;
        noise_source noise(6);
        std::vector<float> out;
        double beats = 0.0;
        for (int n = 0; n < 40; ++n) {
            for (int ch = 0; ch < 2; ++ch)
                noise.fill(block.in(ch), 0.5f);
            const auto fixed = [](double b) {
                return std::llround(b * double(CLAP_BEATTIME_FACTOR));
            };
            const clap_event_transport first = transport_at(fixed(beats), kTempo);
            beats += 256 * kTempo / 60.0 / kRate;
            clap_event_transport second = transport_at(fixed(beats), second_tempo);
            beats += 256 * second_tempo / 60.0 / kRate;
            events.clear();
            if (split) {
                instance.process(block.record(256, &events, nullptr, false, &first));
                ClapBlock rest(256);
                for (int ch = 0; ch < 2; ++ch)
                    std::copy(block.in(ch).begin() + 256, block.in(ch).end(), rest.in(ch).begin());
                instance.process(rest.record(256, &events, nullptr, false, &second));
                out.insert(out.end(), block.out(0).begin(), block.out(0).begin() + 256);
                out.insert(out.end(), rest.out(0).begin(), rest.out(0).end());
            } else {
                second.header.time = 256;
                events.add(second);
                instance.process(block.record(512, &events, nullptr, false, &first));
                out.insert(out.end(), block.out(0).begin(), block.out(0).end());
            }
        }
        return out;
    };
    const std::vector<float> whole = run(false, 150.0);
    EXPECT_EQ(first_difference(whole, run(true, 150.0)), -1);
    EXPECT_NE(first_difference(whole, run(false, kTempo)), -1);
}

// Modulation moves the sound as the same offset on the value would, and is neither reported
// back, nor saved, nor echoed as an edit.
TEST_F(ClapRender, ModulationIsAnOffsetThatIsNotSaved) {
    ClapInstance modulated(module, host), moved(module, host);
    for (ClapInstance* i : {&modulated, &moved})
        ASSERT_TRUE(i->start(kRate));
    const double mix = modulated.value(kMix);
    ClapBlock block(512);
    InputEvents mod, value;
    OutputEvents out;
    mod.modulation(0, kMix, -30.0);
    value.param(0, kMix, mix - 30.0);
    noise_source noise(8);
    std::vector<float> a, b;
    for (int n = 0; n < 8; ++n) {
        for (int ch = 0; ch < 2; ++ch)
            noise.fill(block.in(ch), 0.5f);
        modulated.process(block.record(512, n == 0 ? &mod : nullptr, &out, false, nullptr));
        a.insert(a.end(), block.out(0).begin(), block.out(0).end());
        moved.process(block.record(512, n == 0 ? &value : nullptr, nullptr, false, nullptr));
        b.insert(b.end(), block.out(0).begin(), block.out(0).end());
    }
    EXPECT_EQ(first_difference(a, b), -1);
    EXPECT_DOUBLE_EQ(modulated.value(kMix), mix);
    EXPECT_TRUE(out.events.empty());

    ClapInstance fresh(module, host);
    MemoryStream saved_modulated, saved_fresh;
    clap_ostream w1 = saved_modulated.writer(), w2 = saved_fresh.writer();
    ASSERT_TRUE(modulated.state->save(modulated.plugin, &w1));
    ASSERT_TRUE(fresh.state->save(fresh.plugin, &w2));
    EXPECT_EQ(saved_modulated.bytes, saved_fresh.bytes);

    // Switches and selectors take no modulation.
    InputEvents switched;
    switched.modulation(0, kFilterType, 1.0);
    modulated.process(block.record(512, &switched, nullptr, false, nullptr));
    const std::vector<float> with_switch_modulation = block.out(0);
    moved.process(block.record(512, nullptr, nullptr, false, nullptr));
    EXPECT_EQ(with_switch_modulation, block.out(0));
}

// Audio the host hands over oddly still gives sound output: one buffer for input and output,
// blocks longer than announced, missing inputs, a missing side-chain, zero frames.
TEST_F(ClapRender, HostileBuffersAndEvents) {
    ClapInstance a(module, host), b(module, host);
    ASSERT_TRUE(a.start(kRate, 256));
    ASSERT_TRUE(b.start(kRate, 256));
    ClapBlock in_place(10000), separate(10000);
    noise_source noise(3);
    for (int ch = 0; ch < 2; ++ch) {
        noise.fill(separate.in(ch), 0.5f);
        in_place.out(ch) = separate.in(ch);
        in_place.ptr[ch] = in_place.ptr[4 + ch];
    }
    EXPECT_EQ(a.process(in_place.record(10000, nullptr, nullptr, false, nullptr)),
              CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(b.process(separate.record(10000, nullptr, nullptr, false, nullptr)),
              CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(in_place.out(0), separate.out(0));
    EXPECT_EQ(in_place.out(1), separate.out(1));

    // Events out of order, past the block, of unknown types and spaces, cut short.
    InputEvents odd;
    odd.param(200, kMix, 10.0);
    odd.param(50, kMix, 20.0);
    odd.param(100000, kRevMix, 30.0);
    clap_event_param_value foreign{};
    foreign.header = {sizeof foreign, 0, 7, CLAP_EVENT_PARAM_VALUE, 0};
    foreign.param_id = kMix;
    foreign.value = 90.0;
    odd.add(foreign);
    clap_event_param_value short_event = foreign;
    short_event.header = {16, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    odd.add(short_event);
    clap_event_header unknown{sizeof unknown, 10, CLAP_CORE_EVENT_SPACE_ID, 200, 0};
    odd.add(unknown);
    odd.param(10, 4000, 1.0);
    odd.param(10, kInput, std::nan(""));
    odd.note(20, CLAP_EVENT_NOTE_ON, 300, 2.0);
    odd.note(20, CLAP_EVENT_NOTE_OFF, -1, 0.0);
    const double input = b.value(kInput);
    clap_process p = separate.record(256, &odd, nullptr, false, nullptr);
    EXPECT_EQ(b.process(p), CLAP_PROCESS_CONTINUE);
    EXPECT_NEAR(b.value(kMix), 20.0, 1e-4);
    EXPECT_NEAR(b.value(kRevMix), 30.0, 1e-4);
    EXPECT_EQ(b.value(kInput), input);

    // Missing buffers: inputs read as silence, a missing output is an error, zero frames apply
    // their events.
    separate.inputs[0].data32 = nullptr;
    p = separate.record(256, nullptr, nullptr, true, nullptr);
    separate.inputs[1].channel_count = 0;
    EXPECT_EQ(b.process(p), CLAP_PROCESS_CONTINUE);
    for (float x : separate.out(0))
        ASSERT_TRUE(std::isfinite(x));
    InputEvents mix;
    mix.param(0, kMix, 70.0);
    p = separate.record(0, &mix, nullptr, false, nullptr);
    EXPECT_EQ(b.process(p), CLAP_PROCESS_CONTINUE);
    EXPECT_NEAR(b.value(kMix), 70.0, 1e-4);
    p.audio_outputs = nullptr;
    p.frames_count = 64;
    EXPECT_EQ(b.process(p), CLAP_PROCESS_ERROR);
    EXPECT_EQ(b.plugin->process(b.plugin, nullptr), CLAP_PROCESS_ERROR);
}

// Nothing in process allocates or locks: events of every kind, the transport, the block split.
TEST_F(ClapRender, ProcessNeitherAllocatesNorLocks) {
    ClapInstance instance(module, host);
    ASSERT_TRUE(instance.start(kRate));
    ClapBlock block(512);
    InputEvents events;
    OutputEvents out;
    events.param(10, kFilterCutoff, 500.0);
    events.modulation(20, kVca, -6.0);
    events.note(30, CLAP_EVENT_NOTE_ON, 60, 0.8);
    events.midi(40, 0x80, 60, 0);
    events.midi(50, 0xB0, 123, 0);
    events.param(300, kLfoSync, 0.0);
    events.param(400, kLfoRate, 0.3);
    const clap_event_transport t = transport_at(0, 133.0);
    const clap_process p = block.record(512, &events, &out, true, &t);
    instance.process(p); // first use of every path
    RealtimeProbe probe;
    for (int n = 0; n < 20; ++n)
        instance.process(p);
    EXPECT_EQ(probe.allocations(), 0);
    EXPECT_EQ(probe.locks(), 0);
}

} // namespace
} // namespace corvane::test
