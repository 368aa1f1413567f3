#include "tools/corvane-host/clap_plugin.h"

#include "tools/corvane-host/plugin_module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace corvane::tools {

struct ClapPlugin::Module {
    void* handle = nullptr;
    const clap_plugin_entry* entry = nullptr;
    ~Module() {
        if (entry) entry->deinit();
        if (handle) dlclose(handle);
    }
};

namespace {

// The thread inside a call that belongs to the audio thread (process, start and stop): the one
// the player runs blocks on, or the caller's own when it renders offline.
struct AudioScope {
    AudioScope() { active = true; }
    ~AudioScope() { active = false; }
    static inline thread_local bool active = false;
};

ClapPlugin* owner(const clap_host* host) {
    return host ? static_cast<ClapPlugin*>(host->host_data) : nullptr;
}

template <typename T>
const T* extension_of(const clap_plugin* plugin, const char* id, const char* compat = nullptr) {
    const void* found = plugin->get_extension(plugin, id);
    if (!found && compat) found = plugin->get_extension(plugin, compat);
    return static_cast<const T*>(found);
}

// What a preset discovery run collects: the locations the providers declare, then the presets
// found in them.
struct Discovery {
    std::vector<ClapPlugin::Preset> presets;
    std::vector<std::pair<std::uint32_t, std::string>> locations; // kind, path ("" for none)
    std::uint32_t kind = 0;
    std::string location;
};

} // namespace

// The host's side of the interface: the callbacks a plug-in makes, routed to its ClapPlugin.
struct HostCallbacks {
    static const void* extension(const clap_host*, const char* extension_id) {
        static const clap_host_thread_check kThreads = {
            [](const clap_host* h) {
                return owner(h) && std::this_thread::get_id() == owner(h)->main_thread_ &&
                       !AudioScope::active;
            },
            [](const clap_host*) { return AudioScope::active; }};
        static const clap_host_params kParams = {[](const clap_host*, std::uint32_t) {},
                                                 [](const clap_host*, clap_id, std::uint32_t) {},
                                                 [](const clap_host*) {}};
        static const clap_host_state kState = {[](const clap_host*) {}};
        static const clap_host_timer_support kTimers = {
            [](const clap_host* h, std::uint32_t period_ms, clap_id* id) {
                ClapPlugin* self = owner(h);
                if (!self || !id) return false;
                const auto period =
                    std::chrono::milliseconds(std::max<std::uint32_t>(period_ms, 1));
                *id = self->next_timer_++;
                self->timers_.push_back({*id, period, std::chrono::steady_clock::now() + period});
                return true;
            },
            [](const clap_host* h, clap_id id) {
                ClapPlugin* self = owner(h);
                if (!self) return false;
                auto& t = self->timers_;
                const auto found = std::find_if(
                    t.begin(), t.end(), [id](const ClapPlugin::Timer& x) { return x.id == id; });
                if (found == t.end()) return false;
                t.erase(found);
                return true;
            }};
        static const clap_host_gui kGui = {
            [](const clap_host*) {},
            [](const clap_host* h, std::uint32_t width, std::uint32_t height) {
                ClapPlugin* self = owner(h);
                if (!self) return false;
                return !self->on_size_window ||
                       self->on_size_window(static_cast<int>(width), static_cast<int>(height));
            },
            [](const clap_host*) { return false; }, [](const clap_host*) { return false; },
            [](const clap_host*, bool) {}};
        static const clap_host_preset_load kPresets = {
            [](const clap_host*, std::uint32_t, const char*, const char*, std::int32_t,
               const char*) {},
            [](const clap_host*, std::uint32_t, const char*, const char*) {}};
        if (!extension_id) return nullptr;
        const std::pair<const char*, const void*> kOffered[] = {{CLAP_EXT_THREAD_CHECK, &kThreads},
                                                                {CLAP_EXT_PARAMS, &kParams},
                                                                {CLAP_EXT_STATE, &kState},
                                                                {CLAP_EXT_TIMER_SUPPORT, &kTimers},
                                                                {CLAP_EXT_GUI, &kGui},
                                                                {CLAP_EXT_PRESET_LOAD, &kPresets}};
        for (const auto& [name, offered] : kOffered)
            if (std::strcmp(extension_id, name) == 0) return offered;
        return nullptr;
    }
};

std::unique_ptr<PluginInstance> ClapPlugin::load(const std::string& path, std::string& error) {
    std::unique_ptr<ClapPlugin> plugin(new ClapPlugin);
    if (!plugin->create(path, error)) return nullptr;
    return plugin;
}

ClapPlugin::~ClapPlugin() {
    if (plugin_) {
        close_editor();
        suspend();
        plugin_->destroy(plugin_);
    }
}

bool ClapPlugin::create(const std::string& path, std::string& error) {
    path_ = path;
    module_ = std::make_unique<Module>();
    module_->handle = open_plugin_library(path, error);
    if (!module_->handle) return false;
    const auto* entry = static_cast<const clap_plugin_entry*>(dlsym(module_->handle, "clap_entry"));
    if (!entry || !clap_version_is_compatible(entry->clap_version) || !entry->init ||
        !entry->init(path.c_str())) {
        error = "'" + path + "' is not a CLAP 1.x plug-in module";
        return false;
    }
    module_->entry = entry;
    const auto* factory =
        static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor* desc = factory && factory->get_plugin_count(factory) > 0
                                             ? factory->get_plugin_descriptor(factory, 0)
                                             : nullptr;
    if (!desc) {
        error = "'" + path + "' offers no plug-in";
        return false;
    }
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "corvane-host";
    host_.vendor = "Tessel Works";
    host_.url = "";
    host_.version = "1";
    host_.get_extension = &HostCallbacks::extension;
    host_.request_restart = [](const clap_host*) {};
    host_.request_process = [](const clap_host*) {};
    host_.request_callback = [](const clap_host*) {};
    plugin_ = factory->create_plugin(factory, &host_, desc->id);
    if (!plugin_ || !plugin_->init(plugin_)) {
        error = "'" + path + "': the plug-in '" + desc->id + "' would not start";
        if (plugin_) plugin_->destroy(plugin_);
        plugin_ = nullptr;
        return false;
    }
    params_ = extension_of<clap_plugin_params>(plugin_, CLAP_EXT_PARAMS);
    gui_ = extension_of<clap_plugin_gui>(plugin_, CLAP_EXT_GUI);
    timer_ = extension_of<clap_plugin_timer_support>(plugin_, CLAP_EXT_TIMER_SUPPORT);
    preset_load_ = extension_of<clap_plugin_preset_load>(plugin_, CLAP_EXT_PRESET_LOAD,
                                                         CLAP_EXT_PRESET_LOAD_COMPAT);
    const std::uint32_t count = params_ ? params_->count(plugin_) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_param_info info{};
        if (params_->get_info(plugin_, i, &info)) params_info_.push_back(info);
    }
    find_presets();
    return true;
}

void ClapPlugin::find_presets() {
    if (!preset_load_) return;
    const void* found = module_->entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID);
    if (!found) found = module_->entry->get_factory(CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT);
    const auto* factory = static_cast<const clap_preset_discovery_factory*>(found);
    if (!factory) return;
    Discovery discovery;
    clap_preset_discovery_indexer indexer{};
    indexer.clap_version = CLAP_VERSION;
    indexer.name = "corvane-host";
    indexer.indexer_data = &discovery;
    indexer.declare_filetype = [](const clap_preset_discovery_indexer*,
                                  const clap_preset_discovery_filetype*) { return true; };
    indexer.declare_location = [](const clap_preset_discovery_indexer* i,
                                  const clap_preset_discovery_location* l) {
        if (!l) return false;
        static_cast<Discovery*>(i->indexer_data)
            ->locations.emplace_back(l->kind, l->location ? l->location : "");
        return true;
    };
    indexer.declare_soundpack = [](const clap_preset_discovery_indexer*,
                                   const clap_preset_discovery_soundpack*) { return true; };
    indexer.get_extension = [](const clap_preset_discovery_indexer*, const char*) -> const void* {
        return nullptr;
    };
    clap_preset_discovery_metadata_receiver receiver{};
    receiver.receiver_data = &discovery;
    receiver.on_error = [](const clap_preset_discovery_metadata_receiver*, std::int32_t,
                           const char*) {};
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver* r, const char* name,
                               const char* key) {
        auto* d = static_cast<Discovery*>(r->receiver_data);
        d->presets.push_back({name ? name : "", key ? key : "", d->kind, d->location});
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver*,
                                const clap_universal_plugin_id*) {};
    receiver.set_soundpack_id = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.set_flags = [](const clap_preset_discovery_metadata_receiver*, std::uint32_t) {};
    receiver.add_creator = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.set_description = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.set_timestamps = [](const clap_preset_discovery_metadata_receiver*, clap_timestamp,
                                 clap_timestamp) {};
    receiver.add_feature = [](const clap_preset_discovery_metadata_receiver*, const char*) {};
    receiver.add_extra_info = [](const clap_preset_discovery_metadata_receiver*, const char*,
                                 const char*) {};
    const std::uint32_t providers = factory->count(factory);
    for (std::uint32_t p = 0; p < providers; ++p) {
        const clap_preset_discovery_provider_descriptor* desc = factory->get_descriptor(factory, p);
        if (!desc) continue;
        const clap_preset_discovery_provider* provider =
            factory->create(factory, &indexer, desc->id);
        if (!provider) continue;
        discovery.locations.clear();
        if (provider->init(provider)) {
            // Presets inside the plug-in only: files would need a file browser of their own.
            for (const auto& [kind, where] : discovery.locations) {
                if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN) continue;
                discovery.kind = kind;
                discovery.location = where;
                provider->get_metadata(provider, kind, nullptr, &receiver);
            }
        }
        provider->destroy(provider);
    }
    presets_ = std::move(discovery.presets);
}

std::string ClapPlugin::effect_name() {
    return plugin_->desc && plugin_->desc->name ? plugin_->desc->name : "";
}

std::string ClapPlugin::vendor_string() {
    return plugin_->desc && plugin_->desc->vendor ? plugin_->desc->vendor : "";
}

namespace {

// Channels over all ports of one direction (a stereo pair when the plug-in describes none).
int channel_total(const clap_plugin* plugin, bool input) {
    const auto* ports = extension_of<clap_plugin_audio_ports>(plugin, CLAP_EXT_AUDIO_PORTS);
    if (!ports) return 2;
    int total = 0;
    for (std::uint32_t i = 0; i < ports->count(plugin, input); ++i) {
        clap_audio_port_info info{};
        if (ports->get(plugin, i, input, &info)) total += static_cast<int>(info.channel_count);
    }
    return total;
}

} // namespace

int ClapPlugin::num_inputs() const {
    return channel_total(plugin_, true);
}

int ClapPlugin::num_outputs() const {
    return channel_total(plugin_, false);
}

bool ClapPlugin::takes_midi() {
    const auto* notes = extension_of<clap_plugin_note_ports>(plugin_, CLAP_EXT_NOTE_PORTS);
    return notes && notes->count(plugin_, true) > 0;
}

std::string ClapPlugin::parameter_long_name(int index) {
    if (index < 0 || index >= num_params()) return "";
    return params_info_[index].name;
}

namespace {

// A CLAP value text carries its unit ("500 Hz"): the number and the unit apart, when the text is
// a number followed by a word.
bool split_unit(const std::string& text, std::string& value, std::string& unit) {
    const size_t space = text.rfind(' ');
    if (space == std::string::npos || space + 1 >= text.size()) return false;
    const std::string number = text.substr(0, space);
    char* end = nullptr;
    std::strtod(number.c_str(), &end);
    if (end == number.c_str() || *end != 0) return false;
    value = number;
    unit = text.substr(space + 1);
    return true;
}

} // namespace

std::string ClapPlugin::parameter_label(int index) {
    std::string value, unit;
    return split_unit(value_text(index), value, unit) ? unit : "";
}

std::string ClapPlugin::parameter_display(int index) {
    const std::string text = value_text(index);
    std::string value, unit;
    return split_unit(text, value, unit) ? value : text;
}

std::string ClapPlugin::value_text(int index) {
    if (index < 0 || index >= num_params()) return "";
    double value = 0.0;
    char text[CLAP_NAME_SIZE] = {};
    const clap_id id = params_info_[index].id;
    if (!params_->get_value(plugin_, id, &value) ||
        !params_->value_to_text(plugin_, id, value, text, sizeof text))
        return "";
    return text;
}

double ClapPlugin::clap_value(int index, float normalised) const {
    const clap_param_info& info = params_info_[index];
    double value =
        info.min_value + (info.max_value - info.min_value) * std::clamp(normalised, 0.0f, 1.0f);
    if (info.flags & CLAP_PARAM_IS_STEPPED) value = std::round(value);
    return value;
}

float ClapPlugin::parameter(int index) {
    if (index < 0 || index >= num_params()) return 0.0f;
    const clap_param_info& info = params_info_[index];
    double value = info.min_value;
    params_->get_value(plugin_, info.id, &value);
    const double span = info.max_value - info.min_value;
    return span > 0.0 ? static_cast<float>(std::clamp((value - info.min_value) / span, 0.0, 1.0))
                      : 0.0f;
}

void ClapPlugin::set_parameter(int index, float value) {
    if (index < 0 || index >= num_params() || std::isnan(value)) return;
    queue_value(index, clap_value(index, value));
}

void ClapPlugin::queue_value(int index, double value) {
    clap_event_param_value e{};
    e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = params_info_[index].id;
    e.cookie = params_info_[index].cookie;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    e.value = value;
    values_.push_back(e);
    if (active_) return;
    // Off: the plug-in takes the values through flush, at once.
    clap_input_events in{this,
                         [](const clap_input_events* l) {
                             return static_cast<std::uint32_t>(
                                 static_cast<const ClapPlugin*>(l->ctx)->values_.size());
                         },
                         [](const clap_input_events* l, std::uint32_t i) {
                             const auto* self = static_cast<const ClapPlugin*>(l->ctx);
                             return &self->values_[i].header;
                         }};
    params_->flush(plugin_, &in, nullptr);
    values_.clear();
}

std::vector<std::string> ClapPlugin::parameter_steps(int index) {
    std::vector<std::string> steps;
    if (index < 0 || index >= num_params()) return steps;
    const clap_param_info& info = params_info_[index];
    const double span = info.max_value - info.min_value;
    if (!(info.flags & CLAP_PARAM_IS_STEPPED) || !(span >= 0.0) || span > 64.0) return steps;
    for (int step = 0; step <= static_cast<int>(span); ++step) {
        char text[CLAP_NAME_SIZE] = {};
        params_->value_to_text(plugin_, info.id, info.min_value + step, text, sizeof text);
        steps.emplace_back(text);
    }
    return steps;
}

bool ClapPlugin::normalised_from_units(int index, float units, float& normalised) {
    if (index < 0 || index >= num_params() || !std::isfinite(units)) return false;
    const clap_param_info& info = params_info_[index];
    const double span = info.max_value - info.min_value;
    if (!(span > 0.0)) return false;
    normalised = static_cast<float>(std::clamp((units - info.min_value) / span, 0.0, 1.0));
    return true;
}

void ClapPlugin::set_program(int index) {
    if (index < 0 || index >= num_programs()) return;
    const Preset& p = presets_[index];
    if (preset_load_->from_location(
            plugin_, p.kind, p.location.empty() ? nullptr : p.location.c_str(), p.key.c_str()))
        program_ = index;
}

std::vector<std::string> ClapPlugin::program_names() {
    std::vector<std::string> names;
    for (const Preset& p : presets_)
        names.push_back(p.name);
    return names;
}

void ClapPlugin::set_input_connected(int pin, bool connected) {
    // Pins past the main pair belong to the side-chain port.
    if (pin >= 2) sidechain_connected_ = connected;
}

void ClapPlugin::resume() {
    if (active_) return;
    if (!plugin_->activate(plugin_, sample_rate_, 1,
                           static_cast<std::uint32_t>(std::max(block_size_, 1))))
        return;
    active_ = true;
    AudioScope audio;
    plugin_->start_processing(plugin_);
}

void ClapPlugin::suspend() {
    if (!active_) return;
    {
        AudioScope audio;
        plugin_->stop_processing(plugin_);
    }
    plugin_->deactivate(plugin_);
    active_ = false;
}

void ClapPlugin::reserve_midi(size_t capacity) {
    midi_.reserve(capacity);
    sorted_.reserve(capacity + params_info_.size() * 4);
}

void ClapPlugin::send_midi(const MidiMessage* messages, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        clap_event_midi e{};
        e.header = {sizeof e, static_cast<std::uint32_t>(std::max(messages[i].frame, 0)),
                    CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        e.port_index = 0;
        std::memcpy(e.data, messages[i].bytes, sizeof e.data);
        midi_.push_back(e);
    }
}

void ClapPlugin::take_output(const clap_event_header*) {
    // The editor's gestures and values: the plug-in already holds them; get_value reads them.
}

void ClapPlugin::process(float** inputs, float** outputs, int frames) {
    if (frames <= 0) return;
    const int main_channels = 2;
    clap_audio_buffer ins[2] = {{inputs, nullptr, static_cast<std::uint32_t>(main_channels), 0, 0},
                                {inputs ? inputs + main_channels : nullptr, nullptr, 2, 0, 0}};
    clap_audio_buffer out = {outputs, nullptr, 2, 0, 0};
    const int input_ports = num_inputs() > main_channels ? 2 : 1;

    // Values first, then MIDI by frame, as the list must be sorted by time.
    sorted_.clear();
    for (const auto& v : values_)
        sorted_.push_back(&v.header);
    std::stable_sort(midi_.begin(), midi_.end(),
                     [](const clap_event_midi& a, const clap_event_midi& b) {
                         return a.header.time < b.header.time;
                     });
    for (const auto& m : midi_)
        sorted_.push_back(&m.header);
    clap_input_events in{this,
                         [](const clap_input_events* l) {
                             return static_cast<std::uint32_t>(
                                 static_cast<const ClapPlugin*>(l->ctx)->sorted_.size());
                         },
                         [](const clap_input_events* l, std::uint32_t i) {
                             return static_cast<const ClapPlugin*>(l->ctx)->sorted_[i];
                         }};
    clap_output_events out_events{this,
                                  [](const clap_output_events* l, const clap_event_header* e) {
                                      static_cast<ClapPlugin*>(l->ctx)->take_output(e);
                                      return true;
                                  }};

    clap_event_transport time{};
    const HostTransport& t = transport_;
    time.header = {sizeof time, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    time.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
                 CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_HAS_TIME_SIGNATURE;
    if (t.playing) time.flags |= CLAP_TRANSPORT_IS_PLAYING;
    time.song_pos_beats = std::llround(t.ppq_pos * double(CLAP_BEATTIME_FACTOR));
    time.song_pos_seconds = std::llround(t.sample_pos / sample_rate_ * double(CLAP_SECTIME_FACTOR));
    time.tempo = t.tempo;
    const double quarters_per_bar = t.denominator > 0 ? t.numerator * 4.0 / t.denominator : 0.0;
    if (quarters_per_bar > 0.0 && std::isfinite(t.ppq_pos))
        time.bar_start = std::llround(std::floor(t.ppq_pos / quarters_per_bar) * quarters_per_bar *
                                      double(CLAP_BEATTIME_FACTOR));
    time.tsig_num = static_cast<std::uint16_t>(t.numerator);
    time.tsig_denom = static_cast<std::uint16_t>(t.denominator);

    clap_process p{};
    p.steady_time = static_cast<std::int64_t>(t.sample_pos);
    p.frames_count = static_cast<std::uint32_t>(frames);
    p.transport = t.available ? &time : nullptr;
    p.audio_inputs = ins;
    p.audio_outputs = &out;
    p.audio_inputs_count = sidechain_connected_ ? static_cast<std::uint32_t>(input_ports) : 1;
    p.audio_outputs_count = 1;
    p.in_events = &in;
    p.out_events = &out_events;
    {
        AudioScope audio;
        plugin_->process(plugin_, &p);
    }
    values_.clear();
    midi_.clear();
    transport_.sample_pos += frames;
    if (transport_.playing) transport_.ppq_pos += frames / sample_rate_ * transport_.tempo / 60.0;
}

bool ClapPlugin::editor_size(int& width, int& height) {
    if (!gui_) return false;
    if (!gui_created_) gui_created_ = gui_->create(plugin_, CLAP_WINDOW_API_X11, false);
    std::uint32_t w = 0, h = 0;
    if (!gui_created_ || !gui_->get_size(plugin_, &w, &h)) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool ClapPlugin::set_editor_scale(double scale) {
    int width = 0, height = 0;
    return editor_size(width, height) && gui_->set_scale(plugin_, scale);
}

bool ClapPlugin::open_editor(unsigned long parent_window) {
    int width = 0, height = 0;
    if (!editor_size(width, height)) return false;
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent_window;
    return gui_->set_parent(plugin_, &window) && gui_->show(plugin_);
}

void ClapPlugin::close_editor() {
    if (!gui_created_) return;
    gui_->destroy(plugin_);
    gui_created_ = false;
}

void ClapPlugin::editor_idle() {
    const auto now = std::chrono::steady_clock::now();
    // A copy: a timer may unregister itself or another while it runs.
    const std::vector<Timer> due = timers_;
    for (const Timer& t : due) {
        if (t.due > now || !timer_) continue;
        timer_->on_timer(plugin_, t.id);
        for (Timer& kept : timers_)
            if (kept.id == t.id) kept.due = now + kept.period;
    }
    // The editor's edits, while no block takes them.
    if (!active_ && params_) {
        clap_output_events out{this, [](const clap_output_events* l, const clap_event_header* e) {
                                   static_cast<ClapPlugin*>(l->ctx)->take_output(e);
                                   return true;
                               }};
        params_->flush(plugin_, nullptr, &out);
    }
}

} // namespace corvane::tools
