#pragma once

// A small CLAP host for tests: loads a module as hosts do (dlopen, clap_entry, the factories),
// offers the host extensions Corvane looks for (thread check, parameters, state, timer support,
// preset loading) and records what the plug-in asks of them, and runs blocks with event lists
// of fixed capacity that need no allocation while a block runs.

#include "clap/clap_ext.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace corvane::test {

// The loaded module, initialised; released in reverse order.
class ClapModule {
public:
    explicit ClapModule(const char* path) {
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) return;
        entry_ = static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"));
        if (entry_ && !entry_->init(path)) entry_ = nullptr;
    }
    ~ClapModule() {
        if (entry_) entry_->deinit();
        if (handle_) dlclose(handle_);
    }
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap_plugin_entry* entry() const { return entry_; }
    template <typename Factory>
    const Factory* factory(const char* id) const {
        return entry_ ? static_cast<const Factory*>(entry_->get_factory(id)) : nullptr;
    }

private:
    void* handle_ = nullptr;
    const clap_plugin_entry* entry_ = nullptr;
};

// The host record and its extensions. The thread that creates it is the main thread; a thread
// is the audio thread while an AudioThread scope is alive on it.
class ClapTestHost {
public:
    ClapTestHost() {
        host_.clap_version = CLAP_VERSION;
        host_.host_data = this;
        host_.name = "corvane-test-host";
        host_.vendor = "Tessel Works";
        host_.url = "";
        host_.version = "1";
        host_.get_extension = &ClapTestHost::extension;
        host_.request_restart = [](const clap_host*) {};
        host_.request_process = [](const clap_host*) {};
        host_.request_callback = [](const clap_host*) {};
    }

    const clap_host* host() const { return &host_; }

    struct AudioThread {
        AudioThread() { audio_ = true; }
        ~AudioThread() { audio_ = false; }
    };

    // What the plug-in asked for.
    std::atomic<int> rescans{0};
    std::atomic<int> flush_requests{0};
    std::atomic<int> dirty_marks{0};
    std::atomic<int> preset_errors{0};
    std::atomic<int> presets_loaded{0};
    std::vector<std::uint32_t> timers; // registered, not yet unregistered
    std::uint32_t timer_period_ms = 0;
    bool offer_timer = true;
    std::vector<int> fds; // watched for the plug-in

private:
    static ClapTestHost* self(const clap_host* h) {
        return static_cast<ClapTestHost*>(h->host_data);
    }

    static const void* extension(const clap_host* h, const char* extension_id) {
        static const clap_host_thread_check kThreads = {
            [](const clap_host* host) {
                return std::this_thread::get_id() == self(host)->main_ && !audio_;
            },
            [](const clap_host*) { return audio_; }};
        static const clap_host_params kParams = {
            [](const clap_host* host, std::uint32_t) { ++self(host)->rescans; },
            [](const clap_host*, clap_id, std::uint32_t) {},
            [](const clap_host* host) { ++self(host)->flush_requests; }};
        static const clap_host_state kState = {
            [](const clap_host* host) { ++self(host)->dirty_marks; }};
        static const clap_host_timer_support kTimers = {
            [](const clap_host* host, std::uint32_t period, clap_id* id) {
                ClapTestHost* s = self(host);
                *id = s->next_timer_++;
                s->timers.push_back(*id);
                s->timer_period_ms = period;
                return true;
            },
            [](const clap_host* host, clap_id id) {
                auto& t = self(host)->timers;
                const auto found = std::find(t.begin(), t.end(), id);
                if (found == t.end()) return false;
                t.erase(found);
                return true;
            }};
        static const clap_host_preset_load kPresets = {
            [](const clap_host* host, std::uint32_t, const char*, const char*, std::int32_t,
               const char*) { ++self(host)->preset_errors; },
            [](const clap_host* host, std::uint32_t, const char*, const char*) {
                ++self(host)->presets_loaded;
            }};
        static const clap_host_posix_fd_support kFds = {
            [](const clap_host* host, int fd, std::uint32_t) {
                self(host)->fds.push_back(fd);
                return true;
            },
            [](const clap_host*, int, std::uint32_t) { return true; },
            [](const clap_host* host, int fd) {
                auto& f = self(host)->fds;
                const auto found = std::find(f.begin(), f.end(), fd);
                if (found == f.end()) return false;
                f.erase(found);
                return true;
            }};
        if (std::strcmp(extension_id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &kFds;
        if (std::strcmp(extension_id, CLAP_EXT_THREAD_CHECK) == 0) return &kThreads;
        if (std::strcmp(extension_id, CLAP_EXT_PARAMS) == 0) return &kParams;
        if (std::strcmp(extension_id, CLAP_EXT_STATE) == 0) return &kState;
        if (std::strcmp(extension_id, CLAP_EXT_TIMER_SUPPORT) == 0)
            return self(h)->offer_timer ? &kTimers : nullptr;
        if (std::strcmp(extension_id, CLAP_EXT_PRESET_LOAD) == 0) return &kPresets;
        return nullptr;
    }

    clap_host host_{};
    std::thread::id main_ = std::this_thread::get_id();
    clap_id next_timer_ = 7;
    static inline thread_local bool audio_ = false;
};

// Input events of one block, sorted as the host delivers them (the caller's order).
class InputEvents {
public:
    static constexpr int kCapacity = 64;
    InputEvents() {
        list_.ctx = this;
        list_.size = [](const clap_input_events* l) {
            return static_cast<std::uint32_t>(static_cast<InputEvents*>(l->ctx)->count_);
        };
        list_.get = [](const clap_input_events* l, std::uint32_t i) -> const clap_event_header* {
            auto* self = static_cast<InputEvents*>(l->ctx);
            return i < static_cast<std::uint32_t>(self->count_) ? &self->storage_[i].header
                                                                : nullptr;
        };
    }
    InputEvents(const InputEvents&) = delete;
    InputEvents& operator=(const InputEvents&) = delete;

    const clap_input_events* list() const { return &list_; }
    void clear() { count_ = 0; }
    int size() const { return count_; }

    template <typename Event>
    void add(const Event& event) {
        static_assert(sizeof(Event) <= sizeof(Slot));
        if (count_ >= kCapacity) return;
        std::memcpy(&storage_[count_++], &event, sizeof event);
    }
    void param(std::uint32_t time, clap_id id, double value) {
        add(parameter_event<clap_event_param_value>(CLAP_EVENT_PARAM_VALUE, time, id, value));
    }
    void modulation(std::uint32_t time, clap_id id, double amount) {
        add(parameter_event<clap_event_param_mod>(CLAP_EVENT_PARAM_MOD, time, id, amount));
    }
    void note(std::uint32_t time, std::uint16_t type, int key, double velocity) {
        clap_event_note e{};
        e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        e.note_id = -1;
        e.port_index = 0;
        e.channel = 0;
        e.key = static_cast<std::int16_t>(key);
        e.velocity = velocity;
        add(e);
    }
    void midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        clap_event_midi e{};
        e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        e.port_index = 0;
        e.data[0] = status;
        e.data[1] = data1;
        e.data[2] = data2;
        add(e);
    }

private:
    // Value and modulation events share their layout up to the last field.
    template <typename Event>
    static Event parameter_event(std::uint16_t type, std::uint32_t time, clap_id id, double v) {
        static_assert(sizeof(clap_event_param_value) == sizeof(clap_event_param_mod));
        clap_event_param_value e{};
        e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        e.param_id = id;
        e.note_id = -1;
        e.port_index = e.channel = e.key = -1;
        e.value = v;
        Event out;
        std::memcpy(&out, &e, sizeof out);
        return out;
    }

    union Slot {
        clap_event_header header;
        unsigned char bytes[128];
    };
    clap_input_events list_{};
    std::array<Slot, kCapacity> storage_{};
    int count_ = 0;
};

// What the plug-in sends: copies of every event (room reserved, so pushing allocates nothing
// below the reserve).
class OutputEvents {
public:
    struct Event {
        std::uint16_t type;
        clap_id param_id;
        double value;
        std::uint32_t flags;
    };
    OutputEvents() {
        events.reserve(1024);
        list_.ctx = this;
        list_.try_push = [](const clap_output_events* l, const clap_event_header* e) {
            auto* self = static_cast<OutputEvents*>(l->ctx);
            Event copy{e->type, CLAP_INVALID_ID, 0.0, e->flags};
            if (e->type == CLAP_EVENT_PARAM_VALUE) {
                const auto* v = reinterpret_cast<const clap_event_param_value*>(e);
                copy.param_id = v->param_id;
                copy.value = v->value;
            } else if (e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                       e->type == CLAP_EVENT_PARAM_GESTURE_END) {
                copy.param_id = reinterpret_cast<const clap_event_param_gesture*>(e)->param_id;
            }
            if (self->events.size() < self->events.capacity()) self->events.push_back(copy);
            return true;
        };
    }
    OutputEvents(const OutputEvents&) = delete;
    OutputEvents& operator=(const OutputEvents&) = delete;
    const clap_output_events* list() const { return &list_; }
    std::vector<Event> events;

private:
    clap_output_events list_{};
};

// Buffers for one block: main in (2), side-chain in (2), out (2).
struct ClapBlock {
    explicit ClapBlock(std::uint32_t frames_) : frames(frames_) {
        for (auto& c : channels)
            c.assign(frames, 0.0f);
        for (int c = 0; c < 6; ++c)
            ptr[c] = channels[c].data();
        inputs[0] = {&ptr[0], nullptr, 2, 0, 0};
        inputs[1] = {&ptr[2], nullptr, 2, 0, 0};
        output = {&ptr[4], nullptr, 2, 0, 0};
    }
    std::vector<float>& in(int c) { return channels[c]; }
    std::vector<float>& side(int c) { return channels[2 + c]; }
    std::vector<float>& out(int c) { return channels[4 + c]; }

    // The process record for frames frames (at most the block's size).
    clap_process record(std::uint32_t n, const InputEvents* events, const OutputEvents* out_events,
                        bool with_sidechain, const clap_event_transport* transport) {
        clap_process p{};
        p.steady_time = -1;
        p.frames_count = n;
        p.transport = transport;
        p.audio_inputs = inputs;
        p.audio_outputs = &output;
        p.audio_inputs_count = with_sidechain ? 2 : 1;
        p.audio_outputs_count = 1;
        p.in_events = events ? events->list() : nullptr;
        p.out_events = out_events ? out_events->list() : nullptr;
        return p;
    }

    std::uint32_t frames;
    std::array<std::vector<float>, 6> channels;
    float* ptr[6];
    clap_audio_buffer inputs[2];
    clap_audio_buffer output;
};

// A transport at a position in beats, playing, 4/4 at tempo.
inline clap_event_transport transport_at(std::int64_t beats_fixed, double tempo) {
    clap_event_transport t{};
    t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    t.flags = CLAP_TRANSPORT_HAS_TEMPO | CLAP_TRANSPORT_HAS_BEATS_TIMELINE |
              CLAP_TRANSPORT_HAS_TIME_SIGNATURE | CLAP_TRANSPORT_IS_PLAYING;
    t.song_pos_beats = beats_fixed;
    t.tempo = tempo;
    t.tsig_num = 4;
    t.tsig_denom = 4;
    return t;
}

// One plug-in instance and its extensions.
class ClapInstance {
public:
    ClapInstance(const ClapModule& module, ClapTestHost& host) : host_(host) {
        const auto* factory = module.factory<clap_plugin_factory>(CLAP_PLUGIN_FACTORY_ID);
        if (!factory) return;
        const clap_plugin_descriptor* desc = factory->get_plugin_descriptor(factory, 0);
        if (!desc) return;
        plugin = factory->create_plugin(factory, host.host(), desc->id);
        if (!plugin || !plugin->init(plugin)) return;
        params = ext<clap_plugin_params>(CLAP_EXT_PARAMS);
        state = ext<clap_plugin_state>(CLAP_EXT_STATE);
        presets = ext<clap_plugin_preset_load>(CLAP_EXT_PRESET_LOAD);
        gui = ext<clap_plugin_gui>(CLAP_EXT_GUI);
        timer = ext<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    }
    ~ClapInstance() {
        if (plugin) plugin->destroy(plugin);
    }
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    template <typename T>
    const T* ext(const char* id) const {
        return static_cast<const T*>(plugin->get_extension(plugin, id));
    }

    // Activation and the start of processing, as hosts do it.
    bool start(double rate = 44100.0, std::uint32_t max_frames = 4096) {
        if (!plugin->activate(plugin, rate, 1, max_frames)) return false;
        ClapTestHost::AudioThread audio;
        return plugin->start_processing(plugin);
    }
    clap_process_status process(const clap_process& p) {
        ClapTestHost::AudioThread audio;
        return plugin->process(plugin, &p);
    }
    double value(clap_id id) const {
        double v = -1.0;
        EXPECT_TRUE(params->get_value(plugin, id, &v));
        return v;
    }

    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_preset_load* presets = nullptr;
    const clap_plugin_gui* gui = nullptr;
    const clap_plugin_timer_support* timer = nullptr;

private:
    ClapTestHost& host_;
};

// Byte streams over a vector, for the state calls; a stream may be cut short or fail.
struct MemoryStream {
    std::vector<unsigned char> bytes;
    std::size_t read_at = 0;
    std::size_t chunk = SIZE_MAX; // at most this many bytes per call
    bool fail = false;

    clap_ostream writer() {
        return {this, [](const clap_ostream* s, const void* data, std::uint64_t size) {
                    auto* self = static_cast<MemoryStream*>(s->ctx);
                    if (self->fail) return std::int64_t{-1};
                    const auto n =
                        static_cast<std::size_t>(std::min<std::uint64_t>(size, self->chunk));
                    const auto* b = static_cast<const unsigned char*>(data);
                    self->bytes.insert(self->bytes.end(), b, b + n);
                    return static_cast<std::int64_t>(n);
                }};
    }
    clap_istream reader() {
        return {this, [](const clap_istream* s, void* data, std::uint64_t size) {
                    auto* self = static_cast<MemoryStream*>(s->ctx);
                    if (self->fail) return std::int64_t{-1};
                    const std::size_t left = self->bytes.size() - self->read_at;
                    const auto n = static_cast<std::size_t>(
                        std::min<std::uint64_t>({size, left, self->chunk}));
                    if (n > 0) std::memcpy(data, self->bytes.data() + self->read_at, n);
                    self->read_at += n;
                    return static_cast<std::int64_t>(n);
                }};
    }
};

} // namespace corvane::test
