// The CLAP edition as a host sees it outside the audio: what it describes, its lifecycle and
// thread rules, parameters and their texts, flush, state and presets.

#include "clap/clap_state_format.h"
#include "clap_test_host.h"
#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameters.h"
#include "test_noise.h"

#include <cmath>
#include <string>
#include <thread>

namespace corvane::test {
namespace {

class ClapInstanceTest : public ::testing::Test {
protected:
    ClapModule module{CORVANE_CLAP};
    ClapTestHost host;
};

TEST_F(ClapInstanceTest, DescribesOnePluginWithItsPortsAndParameters) {
    const auto* factory = module.factory<clap_plugin_factory>(CLAP_PLUGIN_FACTORY_ID);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* desc = factory->get_plugin_descriptor(factory, 0);
    EXPECT_STREQ(desc->id, "works.tessel.corvane");
    EXPECT_STREQ(desc->name, "Corvane");
    EXPECT_STREQ(desc->features[0], "audio-effect");
    EXPECT_EQ(factory->create_plugin(factory, host.host(), "works.tessel.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, desc->id), nullptr);
    EXPECT_EQ(module.entry()->get_factory("clap.unknown"), nullptr);

    ClapInstance instance(module, host);
    ASSERT_NE(instance.params, nullptr);
    const auto* audio = instance.ext<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_EQ(audio->count(instance.plugin, true), 2u);
    ASSERT_EQ(audio->count(instance.plugin, false), 1u);
    clap_audio_port_info port{};
    ASSERT_TRUE(audio->get(instance.plugin, 0, true, &port));
    EXPECT_EQ(port.flags & CLAP_AUDIO_PORT_IS_MAIN, CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_EQ(port.channel_count, 2u);
    EXPECT_EQ(port.in_place_pair, 0u);
    ASSERT_TRUE(audio->get(instance.plugin, 1, true, &port));
    EXPECT_EQ(port.flags & CLAP_AUDIO_PORT_IS_MAIN, 0u);
    EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
    EXPECT_FALSE(audio->get(instance.plugin, 2, true, &port));
    const auto* notes = instance.ext<clap_plugin_note_ports>(CLAP_EXT_NOTE_PORTS);
    ASSERT_EQ(notes->count(instance.plugin, true), 1u);
    EXPECT_EQ(notes->count(instance.plugin, false), 0u);
    clap_note_port_info note{};
    ASSERT_TRUE(notes->get(instance.plugin, 0, true, &note));
    EXPECT_EQ(note.supported_dialects, CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI);

    ASSERT_EQ(instance.params->count(instance.plugin), std::uint32_t(kNumParams));
    clap_param_info info{};
    EXPECT_FALSE(instance.params->get_info(instance.plugin, kNumParams, &info));
    const std::string expected_modules[] = {"Reverb", "Filter", "LFO", "Envelope", "Output"};
    const int first_of_module[] = {kRevColor,  kFilterCutoff, kLfoRate,
                                   kEnvAttack, kInput,        kNumParams};
    for (int m = 0; m < 5; ++m)
        for (int i = first_of_module[m]; i < first_of_module[m + 1]; ++i) {
            ASSERT_TRUE(instance.params->get_info(instance.plugin, i, &info));
            EXPECT_EQ(info.id, clap_id(i));
            EXPECT_EQ(info.module, expected_modules[m]) << i;
            EXPECT_LE(info.min_value, info.default_value) << i;
            EXPECT_LE(info.default_value, info.max_value) << i;
            EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE) << i;
            // Steps and modulation exclude each other.
            EXPECT_FALSE((info.flags & CLAP_PARAM_IS_STEPPED) &&
                         (info.flags & CLAP_PARAM_IS_MODULATABLE))
                << i;
        }
    ASSERT_TRUE(instance.params->get_info(instance.plugin, kFilterCutoff, &info));
    EXPECT_STREQ(info.name, "Filter Cutoff");
    EXPECT_DOUBLE_EQ(info.min_value, 20.0);
    EXPECT_DOUBLE_EQ(info.max_value, 20000.0);
    EXPECT_NEAR(info.default_value, 1000.0, 0.01);
    ASSERT_TRUE(instance.params->get_info(instance.plugin, kFilterType, &info));
    EXPECT_EQ(info.flags & (CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM),
              CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_ENUM);
    ASSERT_TRUE(instance.params->get_info(instance.plugin, kBypass, &info));
    EXPECT_TRUE(info.flags & CLAP_PARAM_IS_BYPASS);
}

// Texts are the parameter texts of the other editions, with the unit; every step of a choice
// and a range of values survive text and back.
TEST_F(ClapInstanceTest, ValueTextsRoundTrip) {
    ClapInstance instance(module, host);
    const clap_plugin* p = instance.plugin;
    char text[64];
    ASSERT_TRUE(instance.params->value_to_text(p, kFilterCutoff, 1000.0, text, sizeof text));
    EXPECT_STREQ(text, "1000 Hz");
    ASSERT_TRUE(instance.params->value_to_text(p, kRevDecay, 0.5, text, sizeof text));
    EXPECT_STREQ(text, "50");
    EXPECT_FALSE(instance.params->value_to_text(p, kNumParams, 0.0, text, sizeof text));
    EXPECT_FALSE(instance.params->value_to_text(p, kMix, std::nan(""), text, sizeof text));
    // A short buffer gets a terminated text.
    ASSERT_TRUE(instance.params->value_to_text(p, kFilterCutoff, 1000.0, text, 4));
    EXPECT_STREQ(text, "100");

    for (int i = 0; i < kNumParams; ++i) {
        clap_param_info info{};
        ASSERT_TRUE(instance.params->get_info(p, i, &info));
        const bool stepped = info.flags & CLAP_PARAM_IS_STEPPED;
        const int points = stepped ? int(info.max_value - info.min_value) + 1 : 5;
        for (int k = 0; k < points; ++k) {
            const double v = stepped ? info.min_value + k
                                     : info.min_value + (info.max_value - info.min_value) * k / 4;
            char shown[64];
            ASSERT_TRUE(instance.params->value_to_text(p, i, v, shown, sizeof shown));
            double back = -1e9;
            ASSERT_TRUE(instance.params->text_to_value(p, i, shown, &back)) << i << " " << shown;
            char again[64];
            ASSERT_TRUE(instance.params->value_to_text(p, i, back, again, sizeof again));
            EXPECT_STREQ(again, shown) << info.name;
        }
    }
    double v = 0.0;
    EXPECT_FALSE(instance.params->text_to_value(p, kMix, "loud", &v));
    EXPECT_FALSE(instance.params->text_to_value(p, kMix, nullptr, &v));
}

// Calls out of order or on the wrong thread are refused; destroy cleans up from any state.
TEST_F(ClapInstanceTest, LifecycleAndThreadRules) {
    ClapInstance instance(module, host);
    const clap_plugin* p = instance.plugin;
    EXPECT_FALSE(p->init(p)); // once only
    ClapBlock block(64);
    const clap_process record = block.record(64, nullptr, nullptr, false, nullptr);
    EXPECT_EQ(instance.process(record), CLAP_PROCESS_ERROR); // not active
    {
        ClapTestHost::AudioThread audio;
        EXPECT_FALSE(p->start_processing(p));         // not active
        EXPECT_FALSE(p->activate(p, 44100.0, 1, 64)); // audio thread
    }
    EXPECT_FALSE(p->activate(p, std::nan(""), 1, 64));
    EXPECT_FALSE(p->activate(p, -48000.0, 1, 64));
    EXPECT_FALSE(p->activate(p, 48000.0, 64, 1));
    EXPECT_FALSE(p->start_processing(p)); // main thread
    std::thread other([&] { EXPECT_FALSE(p->activate(p, 48000.0, 1, 64)); });
    other.join();
    // An absurd rate is limited to what the engine runs at.
    ASSERT_TRUE(p->activate(p, 1e9, 1, 64));
    EXPECT_FALSE(p->activate(p, 48000.0, 1, 64)); // already active
    // Active, the host flushes on the audio thread only.
    InputEvents mix;
    mix.param(0, kMix, 10.0);
    instance.params->flush(p, mix.list(), nullptr);
    EXPECT_GT(std::abs(instance.value(kMix) - 10.0), 1.0);
    {
        ClapTestHost::AudioThread audio;
        instance.params->flush(p, mix.list(), nullptr);
    }
    EXPECT_NEAR(instance.value(kMix), 10.0, 1e-4);
    EXPECT_EQ(instance.process(record), CLAP_PROCESS_ERROR); // not processing
    {
        ClapTestHost::AudioThread audio;
        ASSERT_TRUE(p->start_processing(p));
    }
    EXPECT_EQ(instance.process(record), CLAP_PROCESS_CONTINUE);
    for (float x : block.out(0))
        EXPECT_TRUE(std::isfinite(x));
    p->deactivate(p); // still processing: refused
    {
        ClapTestHost::AudioThread audio;
        p->reset(p);
        p->stop_processing(p);
    }
    EXPECT_EQ(instance.process(record), CLAP_PROCESS_ERROR);
    p->deactivate(p);
    ASSERT_TRUE(p->activate(p, 48000.0, 1, 64));
    // The instance is destroyed active.
}

// Flush while inactive, on the main thread: values apply, modulation of switches does not, and
// the editor's edits come back out as gestures with their values.
TEST_F(ClapInstanceTest, FlushWhileInactive) {
    ClapInstance instance(module, host);
    InputEvents in;
    OutputEvents out;
    in.param(0, kFilterCutoff, 440.0);
    in.param(0, kFilterType, 2.0);
    in.modulation(0, kFilterType, 1.0);
    in.param(0, 999, 1.0);
    instance.params->flush(instance.plugin, in.list(), out.list());
    EXPECT_NEAR(instance.value(kFilterCutoff), 440.0, 0.05);
    EXPECT_DOUBLE_EQ(instance.value(kFilterType), 2.0);
    // Host changes are never echoed back.
    EXPECT_TRUE(out.events.empty());
    // From another thread than the main one, flush does nothing.
    in.clear();
    in.param(0, kFilterType, 0.0);
    std::thread other([&] { instance.params->flush(instance.plugin, in.list(), out.list()); });
    other.join();
    EXPECT_DOUBLE_EQ(instance.value(kFilterType), 2.0);
    // Null lists are no lists.
    instance.params->flush(instance.plugin, nullptr, nullptr);

    // What was flushed is what the first block renders with.
    ASSERT_TRUE(instance.start());
    ClapInstance fresh(module, host);
    InputEvents same;
    same.param(0, kFilterCutoff, 440.0);
    same.param(0, kFilterType, 2.0);
    ASSERT_TRUE(fresh.start());
    ClapBlock a(512), b(512);
    noise_source noise(4);
    for (int ch = 0; ch < 2; ++ch) {
        noise.fill(a.in(ch), 0.5f);
        b.in(ch) = a.in(ch);
    }
    instance.process(a.record(512, nullptr, nullptr, false, nullptr));
    fresh.process(b.record(512, &same, nullptr, false, nullptr));
    EXPECT_EQ(a.out(0), b.out(0));
}

// State: the current values and every program's name through the host's streams, in pieces of
// any size; a stream that is cut short, too long, foreign or broken loads nothing.
TEST_F(ClapInstanceTest, StateRoundTripsAndRefusesHostileStreams) {
    ClapInstance source(module, host);
    ASSERT_TRUE(source.presets->from_location(source.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN,
                                              nullptr, "5"));
    InputEvents in;
    in.param(0, kFilterCutoff, 777.0);
    in.param(0, kLfoSync, 0.0);
    in.param(0, kLfoRate, 0.25);
    source.params->flush(source.plugin, in.list(), nullptr);
    MemoryStream saved;
    saved.chunk = 7;
    clap_ostream writer = saved.writer();
    ASSERT_TRUE(source.state->save(source.plugin, &writer));
    ASSERT_EQ(saved.bytes.size(), clap::kSavedStateBytes);

    ClapInstance target(module, host);
    MemoryStream reading = saved;
    reading.chunk = 5;
    clap_istream reader = reading.reader();
    const int rescans = host.rescans;
    ASSERT_TRUE(target.state->load(target.plugin, &reader));
    EXPECT_GT(host.rescans, rescans);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(target.value(i), source.value(i)) << i;
    MemoryStream resaved;
    clap_ostream rewriter = resaved.writer();
    ASSERT_TRUE(target.state->save(target.plugin, &rewriter));
    EXPECT_EQ(resaved.bytes, saved.bytes);

    // A renamed program and the user's choice of editor scale survive too.
    clap::SavedState decoded;
    ASSERT_TRUE(clap::decodeState(saved.bytes.data(), saved.bytes.size(), decoded));
    EXPECT_EQ(decoded.userScale, 0.0f);
    std::snprintf(decoded.names[11], sizeof decoded.names[11], "%s", "my own");
    decoded.userScale = 1.5f;
    MemoryStream renamed;
    renamed.bytes.resize(clap::kSavedStateBytes);
    clap::encodeState(decoded, renamed.bytes.data());
    clap_istream renamed_reader = renamed.reader();
    ASSERT_TRUE(target.state->load(target.plugin, &renamed_reader));
    MemoryStream check;
    clap_ostream check_writer = check.writer();
    ASSERT_TRUE(target.state->save(target.plugin, &check_writer));
    clap::SavedState after;
    ASSERT_TRUE(clap::decodeState(check.bytes.data(), check.bytes.size(), after));
    EXPECT_STREQ(after.names[11], "my own");
    EXPECT_STREQ(after.names[10], kFactoryPrograms[10].name);
    EXPECT_EQ(after.program, 5);
    EXPECT_EQ(after.userScale, 1.5f);

    // A first-version state (no scale) still loads, and leaves the scale automatic.
    MemoryStream first = saved;
    first.bytes.resize(clap::kSavedStateV1Bytes);
    first.bytes[4] = 1;
    clap_istream first_reader = first.reader();
    ASSERT_TRUE(target.state->load(target.plugin, &first_reader));
    MemoryStream first_check;
    clap_ostream first_writer = first_check.writer();
    ASSERT_TRUE(target.state->save(target.plugin, &first_writer));
    ASSERT_TRUE(clap::decodeState(first_check.bytes.data(), first_check.bytes.size(), after));
    EXPECT_EQ(after.userScale, 0.0f);
    EXPECT_STREQ(after.names[11], kFactoryPrograms[11].name);

    // Hostile streams: every cut, one byte too many, a foreign tag, a newer version, values out
    // of range, a name without its end, a failing stream. None changes anything.
    ClapInstance untouched(module, host);
    auto refuses = [&](MemoryStream stream, const char* what) {
        clap_istream r = stream.reader();
        EXPECT_FALSE(untouched.state->load(untouched.plugin, &r)) << what;
    };
    for (std::size_t cut = 0; cut < saved.bytes.size(); cut += 13) {
        MemoryStream s = saved;
        s.bytes.resize(cut);
        refuses(s, "cut");
    }
    MemoryStream longer = saved;
    longer.bytes.push_back(0);
    refuses(longer, "longer");
    MemoryStream foreign = saved;
    foreign.bytes[0] = 'X';
    refuses(foreign, "tag");
    MemoryStream newer = saved;
    newer.bytes[4] = 3;
    refuses(newer, "version");
    MemoryStream first_but_longer = saved;
    first_but_longer.bytes[4] = 1;
    refuses(first_but_longer, "first version with a scale");
    MemoryStream wild_scale = saved;
    const float tiny = 0.5f;
    std::memcpy(&wild_scale.bytes[clap::kSavedStateBytes - 4], &tiny, sizeof tiny);
    refuses(wild_scale, "scale");
    MemoryStream wild = saved;
    const float huge = 1e30f;
    std::memcpy(&wild.bytes[20], &huge, sizeof huge);
    refuses(wild, "value");
    MemoryStream unterminated = saved;
    std::memset(&unterminated.bytes[clap::kSavedStateV1Bytes - 24], 'a', 24);
    refuses(unterminated, "name");
    MemoryStream failing = saved;
    failing.fail = true;
    refuses(failing, "failing");
    clap_istream null_read{nullptr, nullptr};
    EXPECT_FALSE(untouched.state->load(untouched.plugin, &null_read));
    EXPECT_FALSE(untouched.state->load(untouched.plugin, nullptr));
    ClapInstance reference(module, host);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_EQ(untouched.value(i), reference.value(i)) << i;

    MemoryStream broken;
    broken.fail = true;
    clap_ostream broken_writer = broken.writer();
    EXPECT_FALSE(source.state->save(source.plugin, &broken_writer));
}

// Presets: the factory programs, found through preset discovery inside the plug-in and loaded by
// the keys it gives.
TEST_F(ClapInstanceTest, PresetDiscoveryAndLoading) {
    const auto* factory =
        module.factory<clap_preset_discovery_factory>(CLAP_PRESET_DISCOVERY_FACTORY_ID);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(
        module.factory<clap_preset_discovery_factory>(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT),
        factory);
    ASSERT_EQ(factory->count(factory), 1u);
    const clap_preset_discovery_provider_descriptor* desc = factory->get_descriptor(factory, 0);
    ASSERT_NE(desc, nullptr);

    struct Found {
        std::vector<clap_preset_discovery_location> locations;
        std::vector<std::string> names, keys, plugins;
        std::uint32_t flags = 0;
    } found;
    clap_preset_discovery_indexer indexer{};
    indexer.clap_version = CLAP_VERSION;
    indexer.name = "test indexer";
    indexer.indexer_data = &found;
    indexer.declare_filetype = [](const clap_preset_discovery_indexer*,
                                  const clap_preset_discovery_filetype*) { return true; };
    indexer.declare_location = [](const clap_preset_discovery_indexer* i,
                                  const clap_preset_discovery_location* l) {
        static_cast<Found*>(i->indexer_data)->locations.push_back(*l);
        return true;
    };
    indexer.declare_soundpack = [](const clap_preset_discovery_indexer*,
                                   const clap_preset_discovery_soundpack*) { return true; };
    indexer.get_extension = [](const clap_preset_discovery_indexer*, const char*) -> const void* {
        return nullptr;
    };
    EXPECT_EQ(factory->create(factory, &indexer, "no.such.provider"), nullptr);
    const clap_preset_discovery_provider* provider = factory->create(factory, &indexer, desc->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(found.locations.size(), 1u);
    EXPECT_EQ(found.locations[0].kind, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN);
    EXPECT_EQ(found.locations[0].location, nullptr);
    EXPECT_EQ(found.locations[0].flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

    clap_preset_discovery_metadata_receiver receiver{};
    receiver.receiver_data = &found;
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver* r, const char* name,
                               const char* key) {
        auto* f = static_cast<Found*>(r->receiver_data);
        f->names.push_back(name);
        f->keys.push_back(key);
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver* r,
                                const clap_universal_plugin_id* id) {
        static_cast<Found*>(r->receiver_data)
            ->plugins.push_back(std::string(id->abi) + ":" + id->id);
    };
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver* r, std::uint32_t f) {
        static_cast<Found*>(r->receiver_data)->flags |= f;
    };
    EXPECT_FALSE(
        provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp", &receiver));
    ASSERT_TRUE(provider->get_metadata(provider, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                       &receiver));
    provider->destroy(provider);
    ASSERT_EQ(found.names.size(), std::size_t(kNumPrograms));
    EXPECT_EQ(found.plugins.size(), std::size_t(kNumPrograms));
    EXPECT_EQ(found.plugins[0], "clap:works.tessel.corvane");
    EXPECT_EQ(found.flags, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);

    // Every key loads its program: the state then holds the factory program's values.
    ClapInstance instance(module, host);
    ASSERT_NE(instance.presets, nullptr);
    for (int program = 0; program < kNumPrograms; ++program) {
        EXPECT_EQ(found.names[program], kFactoryPrograms[program].name);
        const int loaded = host.presets_loaded;
        ASSERT_TRUE(instance.presets->from_location(instance.plugin,
                                                    CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                                    found.keys[program].c_str()));
        EXPECT_EQ(host.presets_loaded, loaded + 1);
        MemoryStream saved;
        clap_ostream writer = saved.writer();
        ASSERT_TRUE(instance.state->save(instance.plugin, &writer));
        clap::SavedState state;
        ASSERT_TRUE(clap::decodeState(saved.bytes.data(), saved.bytes.size(), state));
        EXPECT_EQ(state.program, program);
        for (int i = 0; i < kNumParams; ++i)
            EXPECT_EQ(state.values[i], kFactoryPrograms[program].values[i]) << program << " " << i;
    }
    // Keys that are no program, and files, are refused and reported.
    const int errors = host.preset_errors;
    for (const char* key : {"20", "-1", "", "3x", "999999999999"})
        EXPECT_FALSE(instance.presets->from_location(
            instance.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, key));
    EXPECT_FALSE(instance.presets->from_location(
        instance.plugin, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, nullptr));
    EXPECT_FALSE(instance.presets->from_location(
        instance.plugin, CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x.preset", nullptr));
    EXPECT_EQ(host.preset_errors, errors + 7);
}

} // namespace
} // namespace corvane::test
