// The LV2 adapter driven as a host drives it, through its descriptor: nothing in run allocates or
// locks; the host's time:Position, run on by the adapter between positions, syncs the LFO exactly
// as the VST 2.4 edition's time requests do; MIDI notes act at their frames; bad host input
// (zero-length runs, unconnected optional ports, NaN controls, absurd rates) renders sound
// output; and the notify port carries the graphs' data of every control tick.

#include "rt_probe.h"

#include "lv2/corvane_lv2_plugin.h"
#include "lv2/corvane_lv2_ports.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"
#include "tools/corvane-host/audio_file.h"
#include "tools/corvane-host/demo_signal.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::lv2;
using corvane::test::RealtimeProbe;

namespace {

constexpr double kRate = 44100.0;

class UridMap {
public:
    UridMap() {
        map_.handle = this;
        map_.map = [](LV2_URID_Map_Handle h, const char* uri) {
            auto& ids = static_cast<UridMap*>(h)->ids_;
            const auto found = ids.find(uri);
            if (found != ids.end()) return found->second;
            const LV2_URID id = static_cast<LV2_URID>(ids.size() + 1);
            ids.emplace(uri, id);
            return id;
        };
        feature_ = {LV2_URID__map, &map_};
    }
    LV2_URID map(const char* uri) { return map_.map(this, uri); }
    LV2_URID_Map* get() { return &map_; }
    const LV2_Feature* feature() const { return &feature_; }

private:
    std::map<std::string, LV2_URID> ids_;
    LV2_URID_Map map_;
    LV2_Feature feature_;
};

// One plug-in instance with every port connected to a buffer of its own (side-chain silent).
class Instance {
public:
    static constexpr int kMaxFrames = 8192;

    explicit Instance(double rate = kRate, bool withMap = true) {
        const LV2_Feature* features[] = {withMap ? urids.feature() : nullptr, nullptr};
        handle_ = descriptor()->instantiate(descriptor(), rate, "", features);
        lv2_atom_forge_init(&forge_, urids.get());
        in_.assign(4, std::vector<float>(kMaxFrames, 0.0f));
        out_.assign(2, std::vector<float>(kMaxFrames, 0.0f));
        if (!handle_) return;
        for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p)
            connect(p, &controls[p]);
        for (int c = 0; c < 4; ++c)
            connect(kMainInLeftPort + c, in_[c].data());
        for (int c = 0; c < 2; ++c)
            connect(kOutLeftPort + c, out_[c].data());
        connect(kControlPort, control_);
        connect(kNotifyPort, notify_);
        clearEvents();
        descriptor()->activate(handle_);
    }
    ~Instance() {
        if (!handle_) return;
        descriptor()->deactivate(handle_);
        descriptor()->cleanup(handle_);
    }

    static const LV2_Descriptor* descriptor() { return corvaneLv2Descriptor(); }
    bool ok() const { return handle_ != nullptr; }
    void connect(std::uint32_t port, void* data) {
        descriptor()->connect_port(handle_, port, data);
    }

    // The control ports as the program's preset sets them.
    void setProgram(int program) {
        const CorvaneParameterManager params;
        for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p)
            controls[p] =
                toPortValue(params, p, kFactoryPrograms[program].values[controlPort(p)->parameter]);
    }

    void clearEvents() {
        lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(control_),
                                  sizeof control_);
        lv2_atom_forge_sequence_head(&forge_, &sequence_, 0);
    }
    void addMidi(std::int64_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        const std::uint8_t message[3] = {status, data1, data2};
        lv2_atom_forge_frame_time(&forge_, frame);
        lv2_atom_forge_atom(&forge_, 3, urids.map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge_, message, 3);
    }
    void addPosition(std::int64_t frame, double beat, double bpm, double speed) {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge_, frame);
        lv2_atom_forge_object(&forge_, &object, 0, urids.map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge_, urids.map(LV2_TIME__beat));
        lv2_atom_forge_double(&forge_, beat);
        lv2_atom_forge_key(&forge_, urids.map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge_, static_cast<float>(bpm));
        lv2_atom_forge_key(&forge_, urids.map(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge_, 4);
        lv2_atom_forge_key(&forge_, urids.map(LV2_TIME__beatsPerBar));
        lv2_atom_forge_float(&forge_, 4.0f);
        lv2_atom_forge_key(&forge_, urids.map(LV2_TIME__speed));
        lv2_atom_forge_float(&forge_, static_cast<float>(speed));
        lv2_atom_forge_pop(&forge_, &object);
    }

    // Runs frames (at most kMaxFrames) of input from offset in the given channels, then clears
    // the control port's events and hands the notify port its full capacity again.
    void run(std::uint32_t frames, const std::vector<std::vector<float>>* input = nullptr,
             size_t offset = 0) {
        for (int c = 0; input && c < static_cast<int>(input->size()); ++c)
            for (std::uint32_t i = 0; i < frames; ++i)
                in_[c][i] = (*input)[c][offset + i];
        notify_[0] = sizeof notify_ - sizeof(LV2_Atom); // the atom's size: its capacity
        notify_[1] = 0;
        descriptor()->run(handle_, frames);
        clearEvents();
    }
    const std::vector<float>& out(int c) const { return out_[c]; }
    const LV2_Atom_Sequence* notify() const {
        return reinterpret_cast<const LV2_Atom_Sequence*>(notify_);
    }

    UridMap urids;
    float controls[kControlPortCount] = {};

private:
    LV2_Handle handle_ = nullptr;
    std::vector<std::vector<float>> in_, out_;
    alignas(8) std::uint32_t control_[16384] = {};
    alignas(8) std::uint32_t notify_[1024] = {};
    LV2_Atom_Forge forge_{};
    LV2_Atom_Forge_Frame sequence_{};
};

bool allFinite(const std::vector<float>& v, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// Every program in turn, its control ports all changed at each run, with notes and positions,
// for run lengths from one frame to far beyond a usual block.
TEST(Lv2Plugin, RunNeitherAllocatesNorLocks) {
    Instance plugin;
    ASSERT_TRUE(plugin.ok());
    std::vector<std::vector<float>> noise(4, std::vector<float>(Instance::kMaxFrames));
    std::uint32_t seed = 1;
    for (auto& channel : noise)
        for (float& x : channel) {
            seed = seed * 1664525u + 1013904223u;
            x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
    long allocations = 0, locks = 0;
    for (int program = 0; program < kNumPrograms; ++program)
        for (std::uint32_t frames : {1u, 31u, 256u, 4097u, 8192u}) {
            plugin.setProgram(program);
            plugin.addMidi(0, 0x90, 60, 100);
            plugin.addPosition(frames / 2, program * 3.25, 90.0 + program, program % 3 ? 1.0 : 0.0);
            plugin.addMidi(frames - 1, 0x80, 60, 0);
            RealtimeProbe probe;
            plugin.run(frames, &noise);
            allocations += probe.allocations();
            locks += probe.locks();
            ASSERT_TRUE(allFinite(plugin.out(0), frames) && allFinite(plugin.out(1), frames));
        }
    EXPECT_EQ(allocations, 0);
    if (RealtimeProbe::counts_c_calls()) {
        EXPECT_EQ(locks, 0);
    }
}

// A host that sends one time:Position at the start (120 BPM, 4/4, rolling) and none after: the
// adapter runs the position on, and a synchronised program renders what the VST 2.4 edition
// renders in a host that reports the same transport at every block.
TEST(Lv2Plugin, TimePositionSyncsTheLfoAsTheVstEditionDoes) {
    constexpr size_t kFrames = 3 * 44100;
    constexpr int kProgram = 3; // synchronised LFO, square, on the filter
    ASSERT_GT(kFactoryPrograms[kProgram].values[kLfoSync], 0.5f);
    const std::string dir = ::testing::TempDir();
    const std::string mainPath = dir + "corvane_lv2_sync_main.wav";
    const std::string silentPath = dir + "corvane_lv2_sync_silent.wav";
    const std::string vstPath = dir + "corvane_lv2_sync_vst.wav";
    tools::AudioBuffer demo = tools::make_demo_signal(kRate, 120.0, 4, 4), main, silent;
    main.sample_rate = silent.sample_rate = kRate;
    main.resize(2, kFrames);
    silent.resize(2, kFrames);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < kFrames; ++i)
            main.channels[c][i] = demo.channels[c][i];
    std::string error;
    ASSERT_TRUE(tools::write_wav_file(mainPath, main, tools::SampleFormat::float32, error));
    ASSERT_TRUE(tools::write_wav_file(silentPath, silent, tools::SampleFormat::float32, error));
    const std::string command = std::string(CORVANE_HOST_EXECUTABLE) + " render " + CORVANE_PLUGIN +
                                " -q --tempo 120 --block 512 -i " + mainPath + " --sidechain " +
                                silentPath + " --program " + std::to_string(kProgram + 1) + " -o " +
                                vstPath;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    tools::AudioBuffer vst;
    ASSERT_TRUE(tools::read_audio_file(vstPath, vst, error)) << error;
    ASSERT_EQ(vst.frames(), kFrames);

    Instance plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.setProgram(kProgram);
    plugin.addPosition(0, 0.0, 120.0, 1.0);
    size_t differing = 0;
    for (size_t pos = 0; pos < kFrames; pos += 512) {
        const auto n = static_cast<std::uint32_t>(std::min<size_t>(512, kFrames - pos));
        plugin.run(n, &main.channels, pos);
        for (int c = 0; c < 2; ++c)
            for (std::uint32_t i = 0; i < n; ++i)
                if (plugin.out(c)[i] != vst.channels[c][pos + i]) ++differing;
    }
    EXPECT_EQ(differing, 0u);
}

// The MIDI trigger: a note at frame 2000 of a run leaves the output before it as it is without
// the note and moves the output after it.
TEST(Lv2Plugin, MidiNotesActAtTheirFrames) {
    constexpr std::uint32_t kFrames = 8192, kNoteFrame = 2000;
    std::vector<std::vector<float>> tone(4, std::vector<float>(kFrames, 0.0f));
    for (std::uint32_t i = 0; i < kFrames; ++i)
        tone[0][i] = tone[1][i] = 0.25f * std::sin(0.03f * static_cast<float>(i));
    std::vector<float> result[2];
    for (bool withNote : {false, true}) {
        Instance plugin;
        ASSERT_TRUE(plugin.ok());
        plugin.setProgram(0);
        plugin.controls[kEnvTrigger] = 1.0f;     // MIDI
        plugin.controls[kMasterEnvMod] = 100.0f; // the envelope opens the VCA fully
        plugin.controls[kVca] = -50.0f;
        plugin.run(kFrames, &tone);
        if (withNote) plugin.addMidi(kNoteFrame, 0x90, 64, 127);
        plugin.run(kFrames, &tone);
        result[withNote] = plugin.out(0);
    }
    for (std::uint32_t i = 0; i < kNoteFrame; ++i)
        ASSERT_EQ(result[0][i], result[1][i]) << "frame " << i;
    double before = 0.0, after = 0.0;
    for (std::uint32_t i = kNoteFrame; i < kFrames; ++i) {
        before += double(result[0][i]) * result[0][i];
        after += double(result[1][i]) * result[1][i];
    }
    EXPECT_GT(after, 4.0 * before);
}

// Zero-length runs, NaN on a control port, the optional ports left unconnected, outputs
// disconnected for a run, and sample rates no host should send: finite output throughout.
TEST(Lv2Plugin, BadHostInputRendersSoundOutput) {
    for (double rate : {44100.0, 1.0, 1e9, std::nan(""), -48000.0}) {
        SCOPED_TRACE(rate);
        Instance plugin(rate, rate != 1.0);
        ASSERT_TRUE(plugin.ok());
        plugin.setProgram(19);
        plugin.addMidi(0, 0x90, 60, 100);
        plugin.run(0);
        plugin.controls[kFilterCutoff] = std::nanf("");
        plugin.connect(kSideInLeftPort, nullptr);
        plugin.connect(kSideInRightPort, nullptr);
        plugin.connect(kControlPort, nullptr);
        plugin.connect(kNotifyPort, nullptr);
        plugin.run(1000);
        ASSERT_TRUE(allFinite(plugin.out(0), 1000) && allFinite(plugin.out(1), 1000));
        plugin.connect(kOutLeftPort, nullptr);
        plugin.run(64);
        plugin.controls[kFilterCutoff] = 1e30f;
        plugin.controls[kLfoDivisionPort] = -7.0f;
        plugin.controls[kLfoSync] = 1.0f;
        plugin.connect(kOutLeftPort, const_cast<float*>(plugin.out(0).data()));
        plugin.run(4096);
        ASSERT_TRUE(allFinite(plugin.out(0), 4096) && allFinite(plugin.out(1), 4096));
    }
}

// Each run's control ticks reach the notify port as one object: 4096 frames are 128 ticks.
TEST(Lv2Plugin, NotifyPortCarriesEveryControlTick) {
    Instance plugin;
    ASSERT_TRUE(plugin.ok());
    plugin.setProgram(5);
    const LV2_URID display = plugin.urids.map(kDisplayUri);
    const LV2_URID ticksKey = plugin.urids.map(kDisplayTicksUri);
    std::int64_t ticks = 0;
    int objects = 0;
    for (int run = 0; run < 4; ++run) {
        plugin.run(4096);
        LV2_ATOM_SEQUENCE_FOREACH(plugin.notify(), event) {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
            ASSERT_EQ(object->body.otype, display);
            const LV2_Atom* count = nullptr;
            lv2_atom_object_get(object, ticksKey, &count, 0);
            ASSERT_NE(count, nullptr);
            ticks += reinterpret_cast<const LV2_Atom_Long*>(count)->body;
            ++objects;
        }
    }
    // The first run sets the starting point; every later one reports its ticks.
    EXPECT_EQ(objects, 3);
    EXPECT_EQ(ticks, 3 * 128);
}

} // namespace
