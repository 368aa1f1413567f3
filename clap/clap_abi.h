#pragma once

// The CLAP 1.2 binary interface between a host and a plug-in module: the entry record, the
// plug-in factory, the plug-in and host records, the process call with its audio buffers and
// event lists, and the byte streams of the state calls. Plain C data shared by the plug-in in
// this folder and by our own hosts. Names, numbers and field order follow the published
// interface, because hosts and plug-ins built elsewhere rely on them byte for byte; the
// static_asserts below pin the layout for x86-64 Linux, the platform this program ships on.

#include <cstddef>
#include <cstdint>

extern "C" {

typedef std::uint32_t clap_id;
constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

// Fixed text sizes, terminator included.
constexpr std::size_t CLAP_NAME_SIZE = 256;
constexpr std::size_t CLAP_PATH_SIZE = 1024;

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
constexpr clap_version CLAP_VERSION = {1, 2, 2};
// Every 1.x host and plug-in can talk to each other; 0.x cannot.
constexpr bool clap_version_is_compatible(clap_version v) {
    return v.major >= 1;
}

// Musical and clock time in fixed point: value * 2^31.
typedef std::int64_t clap_beattime;
typedef std::int64_t clap_sectime;
constexpr std::int64_t CLAP_BEATTIME_FACTOR = std::int64_t{1} << 31;
constexpr std::int64_t CLAP_SECTIME_FACTOR = std::int64_t{1} << 31;

// ---- events ---------------------------------------------------------------------------------

struct clap_event_header {
    std::uint32_t size;     // the whole event's size, header included
    std::uint32_t time;     // frame offset from the start of the block
    std::uint16_t space_id; // CLAP_CORE_EVENT_SPACE_ID for the types below
    std::uint16_t type;
    std::uint32_t flags;
};
constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

enum : std::uint32_t {
    CLAP_EVENT_IS_LIVE = 1 << 0,     // from a live user action, not from automation
    CLAP_EVENT_DONT_RECORD = 1 << 1, // the host should not record it
};

enum : std::uint16_t {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12,
};

// Note events; -1 in note_id, port_index, channel or key is a wildcard.
struct clap_event_note {
    clap_event_header header;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double velocity; // 0..1
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_mod {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double amount; // added to the value, in the parameter's own units
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

enum : std::uint32_t {
    CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
    CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
    CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
    CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
    CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
    CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
    CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
    CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7,
};

struct clap_event_transport {
    clap_event_header header;
    std::uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;     // beats per minute
    double tempo_inc; // per frame, until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

struct clap_event_midi {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint8_t data[3];
};

struct clap_event_midi_sysex {
    clap_event_header header;
    std::uint16_t port_index;
    const std::uint8_t* buffer;
    std::uint32_t size;
};

struct clap_event_midi2 {
    clap_event_header header;
    std::uint16_t port_index;
    std::uint32_t data[4];
};

// The host's events for one block, sorted by time.
struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

// Where the plug-in sends its events (gestures, value changes); false when the host's list is
// full.
struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- audio and process ----------------------------------------------------------------------

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask; // bit n: channel n holds one value throughout
};

struct clap_process {
    std::int64_t steady_time; // frames since some start, -1 when unknown
    std::uint32_t frames_count;
    const clap_event_transport* transport; // null: free-running host
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

typedef std::int32_t clap_process_status;
enum : clap_process_status {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4,
};

// ---- host and plug-in -----------------------------------------------------------------------

struct clap_host {
    clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

struct clap_plugin_descriptor {
    clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);
    void (*destroy)(const clap_plugin* plugin);
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin* plugin);
    bool (*start_processing)(const clap_plugin* plugin);
    void (*stop_processing)(const clap_plugin* plugin);
    void (*reset)(const clap_plugin* plugin);
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin* plugin);
};

constexpr const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_factory {
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                           std::uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

// The module's one exported symbol, clap_entry.
struct clap_plugin_entry {
    clap_version clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

// ---- streams (state) ------------------------------------------------------------------------

// read: bytes read, 0 at the end, negative on error. write: bytes written, negative on error.
// Either may move fewer bytes than asked.
struct clap_istream {
    void* ctx;
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};
struct clap_ostream {
    void* ctx;
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

} // extern "C"

// Layout on x86-64 Linux.
static_assert(sizeof(clap_version) == 12);
static_assert(sizeof(clap_event_header) == 16);
static_assert(offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, type) == 10);
static_assert(sizeof(clap_event_note) == 40 && offsetof(clap_event_note, note_id) == 16);
static_assert(offsetof(clap_event_note, port_index) == 20 && offsetof(clap_event_note, key) == 24);
static_assert(offsetof(clap_event_note, velocity) == 32);
static_assert(sizeof(clap_event_param_value) == 56 &&
              offsetof(clap_event_param_value, cookie) == 24);
static_assert(offsetof(clap_event_param_value, note_id) == 32);
static_assert(offsetof(clap_event_param_value, key) == 40);
static_assert(offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_mod) == 56 && offsetof(clap_event_param_mod, amount) == 48);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(sizeof(clap_event_transport) == 104);
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, tempo) == 40);
static_assert(offsetof(clap_event_transport, bar_start) == 88);
static_assert(offsetof(clap_event_transport, bar_number) == 96);
static_assert(offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_event_midi) == 24 && offsetof(clap_event_midi, data) == 18);
static_assert(sizeof(clap_event_midi_sysex) == 40 && offsetof(clap_event_midi_sysex, size) == 32);
static_assert(sizeof(clap_event_midi2) == 36 && offsetof(clap_event_midi2, data) == 20);
static_assert(sizeof(clap_input_events) == 24 && sizeof(clap_output_events) == 16);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, frames_count) == 8);
static_assert(offsetof(clap_process, transport) == 16);
static_assert(offsetof(clap_process, audio_inputs_count) == 40);
static_assert(offsetof(clap_process, in_events) == 48 && offsetof(clap_process, out_events) == 56);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16);
static_assert(offsetof(clap_host, get_extension) == 56);
static_assert(offsetof(clap_host, request_callback) == 80);
static_assert(sizeof(clap_plugin_descriptor) == 88);
static_assert(offsetof(clap_plugin_descriptor, id) == 16);
static_assert(offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, process) == 72);
static_assert(offsetof(clap_plugin, get_extension) == 80);
static_assert(sizeof(clap_plugin_factory) == 24);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, init) == 16);
static_assert(sizeof(clap_istream) == 16 && sizeof(clap_ostream) == 16);
