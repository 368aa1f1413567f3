#pragma once

#include "tools/corvane-host/plugin_instance.h"
#include "tools/corvane-host/plugin_module.h"
#include "vst/vst_abi.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane::tools {

// A callback the plug-in made. Time requests are only counted (see time_requests()), so that
// the audio path of a plug-in under test never makes the host allocate.
struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
    std::string text; // the can-do string, for audioMasterCanDo
};

// The VST 2.4 implementation of PluginInstance: one plug-in, hosted as a real VST 2.4 host does it:
// the module's entry point creates it with this host's callback, and everything after goes through
// the plug-in record (dispatcher, parameter calls, processReplacing). Single-threaded: the caller
// is both the host's user-interface and audio thread.
//
// The host answers version 2400, the time information of its transport, pin connections as set
// with set_input_connected / set_output_connected (all connected at first), MIDI and
// begin/end-edit notices, its can-do strings and window resizing (accepted unless
// on_size_window says otherwise). With verbose on, every callback but time requests is logged
// to stderr.
class HostedPlugin final : public PluginInstance {
public:
    static constexpr VstInt32 kHostVstVersion = 2400;

    static std::unique_ptr<HostedPlugin> load(const std::string& path, std::string& error,
                                              bool verbose = false);
    // Switches the plug-in off if it is on, closes it and unloads the module.
    ~HostedPlugin() override;
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    AEffect* effect() const { return effect_; }
    const std::string& path() const override { return module_->path(); }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    // The plug-in record and identity requests.
    VstInt32 num_programs() const override { return effect_->numPrograms; }
    VstInt32 num_params() const override { return effect_->numParams; }
    VstInt32 num_inputs() const override { return effect_->numInputs; }
    VstInt32 num_outputs() const override { return effect_->numOutputs; }
    VstInt32 flags() const { return effect_->flags; }
    VstInt32 unique_id() const { return effect_->uniqueID; }
    VstInt32 version() const { return effect_->version; }
    const char* format_name() const override { return "VST 2.4"; }
    std::string effect_name() override;
    std::string vendor_string() override;
    std::string product_string();
    VstIntPtr vendor_version() { return dispatch(effGetVendorVersion); }
    VstIntPtr vst_version() { return dispatch(effGetVstVersion); }
    VstIntPtr can_do(const std::string& what);
    bool takes_midi() override { return can_do("receiveVstMidiEvent") > 0; }

    // Parameters, as normalised values.
    std::string parameter_name(VstInt32 index) override;
    // The label of the parameter's properties when the plug-in gives them, else the name.
    std::string parameter_long_name(VstInt32 index) override;
    std::string parameter_label(VstInt32 index) override;
    std::string parameter_display(VstInt32 index) override;
    float parameter(VstInt32 index) override { return effect_->getParameter(effect_, index); }
    void set_parameter(VstInt32 index, float value) override;
    // Named only where this host knows the plug-in: Corvane's switches, named as on its panel.
    std::vector<std::string> parameter_steps(VstInt32 index) override;
    // Through the plug-in's private vendor request, for plug-ins known to answer it.
    bool normalised_from_units(VstInt32 index, float units, float& normalised) override;

    // Programs.
    VstInt32 program() override { return static_cast<VstInt32>(dispatch(effGetProgram)); }
    // Selects a program the way hosts do, between effBeginSetProgram and effEndSetProgram.
    void set_program(VstInt32 index) override;
    std::string program_name();
    void set_program_name(const std::string& name);
    // The stored name of any program, or false if the plug-in does not answer for index.
    bool program_name_indexed(VstInt32 index, std::string& name);
    // Every program's name: asked by index, or read by selecting each program in turn (and the
    // current one again afterwards) for plug-ins that do not answer by index.
    std::vector<std::string> program_names() override;

    bool input_properties(VstInt32 index, VstPinProperties& properties);
    bool output_properties(VstInt32 index, VstPinProperties& properties);
    bool editor_rect(ERect& rect);
    bool editor_size(int& width, int& height) override;
    // Through the content-scale vendor request; true when the plug-in answered it.
    bool set_editor_scale(double scale) override;
    bool open_editor(unsigned long parent_window) override;
    void close_editor() override;
    void editor_idle() override;

    // Running. resume also starts processing (effStartProcess); suspend stops it first.
    void set_sample_rate(double rate) override;
    double sample_rate() const override { return sample_rate_; }
    void set_block_size(VstInt32 frames) override;
    VstInt32 block_size() const override { return block_size_; }
    void resume() override;
    void suspend() override;
    bool resumed() const { return resumed_; }
    VstIntPtr process_events(VstEvents* events) { return dispatch(effProcessEvents, 0, 0, events); }
    // One block through processReplacing; then the transport moves on by frames.
    void process(float** inputs, float** outputs, VstInt32 frames) override;
    void reserve_midi(size_t capacity) override;
    void send_midi(const MidiMessage* messages, size_t count) override;

    // The host's side.
    HostTransport& transport() override { return transport_; }
    void set_input_connected(VstInt32 pin, bool connected) override;
    void set_output_connected(VstInt32 pin, bool connected) override;
    const std::vector<HostCall>& calls() const { return calls_; }
    void clear_calls() { calls_.clear(); }
    long time_requests() const { return time_requests_; }
    bool midi_wanted() const { return midi_wanted_; }

private:
    HostedPlugin(std::unique_ptr<PluginModule> module, bool verbose);
    static VstIntPtr host_callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                   VstIntPtr value, void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstTimeInfo* time_info();
    std::string read_text(VstInt32 opcode, VstInt32 index = 0);
    void record(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt, const char* text);

    std::unique_ptr<PluginModule> module_;
    AEffect* effect_ = nullptr;
    bool verbose_ = false;
    bool in_process_ = false;
    bool resumed_ = false;
    bool transport_changed_ = true;
    double sample_rate_ = 44100.0;
    VstInt32 block_size_ = 512;
    HostTransport transport_;
    VstTimeInfo time_info_{};
    std::vector<char> inputs_connected_;
    std::vector<char> outputs_connected_;
    std::vector<HostCall> calls_;
    long time_requests_ = 0;
    bool midi_wanted_ = false;
    std::vector<VstMidiEvent> midi_;
    std::vector<char> midi_list_; // a VstEvents with room for midi_.size() pointers
};

// Text for a flags word of the plug-in record, e.g. "HasEditor CanReplacing".
std::string describe_effect_flags(VstInt32 flags);
// A four-character identifier as text when it is printable ('TWcv'), else as a number.
std::string describe_four_cc(VstInt32 id);

} // namespace corvane::tools
