#pragma once

#include "clap/clap_ext.h"
#include "tools/corvane-host/plugin_instance.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace corvane::tools {

// A CLAP plug-in behind the host's plug-in interface: the module's first plug-in, created with a
// host record that offers the thread check, parameters, state, timer support, the editor's
// resize request and preset loading. Programs are the presets the module's preset discovery
// lists inside the plug-in, loaded by their keys. Parameter values are normalised over each
// parameter's range; its own units and texts come from the plug-in (a text "500 Hz" is the value
// "500" in the unit "Hz"). Pins: 0 and 1 are the main
// input, 2 and 3 the side-chain (when the plug-in has a second input port); a side-chain pin
// marked unconnected leaves the side-chain port out. Between process calls, parameter changes
// wait for the next block (or are flushed while the plug-in is off). The transport reaches the
// plug-in as each block's transport record, in the interface's fixed point. The thread that
// loads the plug-in is its main thread; process, resume and suspend may run on another (the
// player's), one thread at a time, as the interface says of every method.
class ClapPlugin final : public PluginInstance {
public:
    static std::unique_ptr<PluginInstance> load(const std::string& path, std::string& error);
    ~ClapPlugin() override;

    const std::string& path() const override { return path_; }
    const char* format_name() const override { return "CLAP"; }
    std::string effect_name() override;
    std::string vendor_string() override;
    int num_inputs() const override;
    int num_outputs() const override;
    bool takes_midi() override;

    int num_params() const override { return static_cast<int>(params_info_.size()); }
    std::string parameter_name(int index) override { return parameter_long_name(index); }
    std::string parameter_long_name(int index) override;
    std::string parameter_label(int index) override;
    std::string parameter_display(int index) override;
    float parameter(int index) override;
    void set_parameter(int index, float value) override;
    std::vector<std::string> parameter_steps(int index) override;
    bool normalised_from_units(int index, float units, float& normalised) override;

    int num_programs() const override { return static_cast<int>(presets_.size()); }
    int program() override { return program_; }
    void set_program(int index) override;
    std::vector<std::string> program_names() override;

    void set_sample_rate(double rate) override { sample_rate_ = rate; }
    double sample_rate() const override { return sample_rate_; }
    void set_block_size(int frames) override { block_size_ = frames; }
    int block_size() const override { return block_size_; }
    void set_input_connected(int pin, bool connected) override;
    void set_output_connected(int, bool) override {}
    HostTransport& transport() override { return transport_; }
    void resume() override;
    void suspend() override;
    void reserve_midi(size_t capacity) override;
    void send_midi(const MidiMessage* messages, size_t count) override;
    void process(float** inputs, float** outputs, int frames) override;

    bool editor_size(int& width, int& height) override;
    // Through the editor's set_scale, on an editor made for it if none is yet.
    bool set_editor_scale(double scale) override;
    bool open_editor(unsigned long parent_window) override;
    void close_editor() override;
    void editor_idle() override;

    struct Module;
    struct Preset {
        std::string name;
        std::string key;
        std::uint32_t kind = CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN;
        std::string location;
    };
    struct Timer {
        clap_id id;
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };

private:
    ClapPlugin() = default;
    bool create(const std::string& path, std::string& error);
    void find_presets();
    double clap_value(int index, float normalised) const;
    // The plug-in's text of the current value, unit included.
    std::string value_text(int index);
    // A value event for the next block, or flushed at once while the plug-in is off.
    void queue_value(int index, double value);
    void take_output(const clap_event_header* event);

    std::string path_;
    std::unique_ptr<Module> module_;
    clap_host host_{};
    const clap_plugin* plugin_ = nullptr;
    const clap_plugin_params* params_ = nullptr;
    const clap_plugin_gui* gui_ = nullptr;
    const clap_plugin_timer_support* timer_ = nullptr;
    const clap_plugin_preset_load* preset_load_ = nullptr;
    std::vector<clap_param_info> params_info_;
    std::vector<Preset> presets_;
    int program_ = 0;

    double sample_rate_ = 44100.0;
    int block_size_ = 512;
    bool sidechain_connected_ = true;
    bool active_ = false;
    // The thread that loaded the plug-in is its main thread.
    std::thread::id main_thread_ = std::this_thread::get_id();
    HostTransport transport_;

    // Events for the next block: parameter values, then MIDI at their frames.
    std::vector<clap_event_param_value> values_;
    std::vector<clap_event_midi> midi_;
    std::vector<const clap_event_header*> sorted_;

    bool gui_created_ = false;
    std::vector<Timer> timers_;
    clap_id next_timer_ = 1;

    friend struct HostCallbacks;
};

} // namespace corvane::tools
