#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane::tools {

// The song position and tempo the host reports to the plug-in. A plug-in instance advances the
// positions by each block while playing.
struct HostTransport {
    double tempo = 120.0; // beats per minute
    int numerator = 4;
    int denominator = 4;
    double sample_pos = 0.0; // frames since the song start
    double ppq_pos = 0.0;    // quarter notes since the song start
    bool playing = true;
    bool available = true; // false makes the host answer time requests with nothing
};

// A MIDI message for the next block, at a frame within it.
struct MidiMessage {
    int32_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
};

// One loaded plug-in as every command of corvane-host sees it, whatever its format: load,
// describe, parameters, programs, process, editor. Each plug-in format the host can load is one
// implementation of this class (VST 2.4 today, see HostedPlugin); load_plugin picks it by the
// module's file name, so the commands never name a format. Single-threaded unless a method says
// otherwise: the caller is both the host's user-interface and audio thread.
class PluginInstance {
public:
    virtual ~PluginInstance() = default;

    // Describe.
    virtual const std::string& path() const = 0;
    virtual const char* format_name() const = 0;
    virtual std::string effect_name() = 0;
    virtual std::string vendor_string() = 0;
    virtual int num_inputs() const = 0;
    virtual int num_outputs() const = 0;
    virtual bool takes_midi() = 0;

    // Parameters: normalised values 0..1; the name is the short one hosts show in lists, the
    // long name the one the plug-in's own editor shows (the short one when there is no other).
    virtual int num_params() const = 0;
    virtual std::string parameter_name(int index) = 0;
    virtual std::string parameter_long_name(int index) = 0;
    virtual std::string parameter_label(int index) = 0;
    virtual std::string parameter_display(int index) = 0;
    virtual float parameter(int index) = 0;
    virtual void set_parameter(int index, float value) = 0;
    // The names of a stepped parameter's positions, which lie evenly from 0 to 1 (none when the
    // parameter has no named steps).
    virtual std::vector<std::string> parameter_steps(int index) = 0;
    // The normalised value of a value in the parameter's own units, when the plug-in can tell.
    virtual bool normalised_from_units(int index, float units, float& normalised) = 0;

    // Programs, numbered from 0 here (users see them from 1, see program_number_text).
    virtual int num_programs() const = 0;
    virtual int program() = 0;
    virtual void set_program(int index) = 0;
    virtual std::vector<std::string> program_names() = 0;

    // Process. resume switches the plug-in on for processing; suspend switches it off.
    virtual void set_sample_rate(double rate) = 0;
    virtual double sample_rate() const = 0;
    virtual void set_block_size(int frames) = 0;
    virtual int block_size() const = 0;
    virtual void set_input_connected(int pin, bool connected) = 0;
    virtual void set_output_connected(int pin, bool connected) = 0;
    virtual HostTransport& transport() = 0;
    virtual void resume() = 0;
    virtual void suspend() = 0;
    // MIDI for the next process call; the instance keeps room for `capacity` messages, so sending
    // does not allocate.
    virtual void reserve_midi(size_t capacity) = 0;
    virtual void send_midi(const MidiMessage* messages, size_t count) = 0;
    virtual void process(float** inputs, float** outputs, int frames) = 0;

    // Editor: the size it asks for, opened inside a parent window of the host's (an X11 window
    // id), idle calls from the host's loop.
    virtual bool editor_size(int& width, int& height) = 0;
    // The scale the host's screen asks of the editor (2 on a HiDPI screen); false when the
    // plug-in's format or the plug-in has no way to hear it.
    virtual bool set_editor_scale(double scale) = 0;
    virtual bool open_editor(unsigned long parent_window) = 0;
    virtual void close_editor() = 0;
    virtual void editor_idle() = 0;
    // Asked when the plug-in wants its editor window resized; the default accepts.
    std::function<bool(int width, int height)> on_size_window;
};

// Loads the plug-in module at path with the implementation its file name calls for.
std::unique_ptr<PluginInstance> load_plugin(const std::string& path, std::string& error,
                                            bool verbose = false);

} // namespace corvane::tools
