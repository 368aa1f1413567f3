#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/hosted_plugin.h"
#include "tools/corvane-host/plugin_settings.h"
#include "tools/corvane-host/subcommands.h"

#include <cstdio>
#include <memory>

namespace corvane::tools {

namespace {

// The published can-do strings a host may ask a plug-in.
const char* const kPluginCanDos[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "midiProgramNames",
    "bypass",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
    "conformsToWindowRules",
};

std::string pin_flags_text(VstInt32 flags) {
    std::string text;
    if (flags & kVstPinIsActive) text += " active";
    if (flags & kVstPinIsStereo) text += " stereo";
    if (flags & kVstPinUseSpeaker) text += " speaker";
    return text.empty() ? "none" : text.substr(1);
}

void print_pins(HostedPlugin& plugin, bool inputs) {
    const VstInt32 count = inputs ? plugin.num_inputs() : plugin.num_outputs();
    std::printf("%s pins:\n", inputs ? "Input" : "Output");
    for (VstInt32 i = 0; i < count; ++i) {
        VstPinProperties pin;
        const bool known =
            inputs ? plugin.input_properties(i, pin) : plugin.output_properties(i, pin);
        pin.label[kVstMaxLabelLen - 1] = 0;
        pin.shortLabel[kVstMaxShortLabelLen - 1] = 0;
        if (known)
            std::printf("  %2d  %-24s %-8s flags 0x%x (%s)\n", static_cast<int>(i), pin.label,
                        pin.shortLabel, static_cast<unsigned>(pin.flags),
                        pin_flags_text(pin.flags).c_str());
        else
            std::printf("  %2d  (no properties)\n", static_cast<int>(i));
    }
}

// What only a VST 2.4 host learns: the plug-in record, pins and can-do answers.
void print_vst_details(HostedPlugin& plugin) {
    std::printf("Product:      %s\n", plugin.product_string().c_str());
    std::printf("Vendor:       %s (version %lld)\n", plugin.vendor_string().c_str(),
                static_cast<long long>(plugin.vendor_version()));
    std::printf("Unique ID:    %s\n", describe_four_cc(plugin.unique_id()).c_str());
    std::printf("Version:      %d\n", static_cast<int>(plugin.version()));
    std::printf("VST version:  %lld\n", static_cast<long long>(plugin.vst_version()));
    std::printf("Category:     %lld\n",
                static_cast<long long>(plugin.dispatch(effGetPlugCategory)));
    std::printf("Flags:        0x%x (%s)\n", static_cast<unsigned>(plugin.flags()),
                describe_effect_flags(plugin.flags()).c_str());
    std::printf("Audio:        %d inputs, %d outputs, initial delay %d, tail %lld\n",
                static_cast<int>(plugin.num_inputs()), static_cast<int>(plugin.num_outputs()),
                static_cast<int>(plugin.effect()->initialDelay),
                static_cast<long long>(plugin.dispatch(effGetTailSize)));
    ERect rect{};
    if (plugin.editor_rect(rect))
        std::printf("Editor:       %d x %d\n", rect.right - rect.left, rect.bottom - rect.top);
    else
        std::printf("Editor:       %s\n",
                    plugin.flags() & effFlagsHasEditor ? "(no size given)" : "none");
    print_pins(plugin, true);
    print_pins(plugin, false);

    std::printf("Can do:\n");
    for (const char* what : kPluginCanDos) {
        const VstIntPtr answer = plugin.can_do(what);
        std::printf("  %-24s %s\n", what, answer > 0 ? "yes" : (answer < 0 ? "no" : "-"));
    }
}

void print_info(PluginInstance& plugin) {
    std::printf("Plug-in:      %s\n", plugin.path().c_str());
    std::printf("Format:       %s\n", plugin.format_name());
    std::printf("Effect name:  %s\n", plugin.effect_name().c_str());
    HostedPlugin* vst = dynamic_cast<HostedPlugin*>(&plugin);
    if (vst)
        print_vst_details(*vst);
    else
        std::printf("Vendor:       %s\nAudio:        %d inputs, %d outputs\n",
                    plugin.vendor_string().c_str(), plugin.num_inputs(), plugin.num_outputs());

    std::printf("Parameters (%d, program %s):\n", static_cast<int>(plugin.num_params()),
                program_number_text(plugin.program()).c_str());
    std::printf("  %3s  %-8s  %-16s  %-8s  %-8s  %-8s  %s\n", "#", "name", "long name", "value",
                "text", "unit", "automatable");
    for (int i = 0; i < plugin.num_params(); ++i) {
        std::printf("  %3d  %-8s  %-16s  %-8.6f  %-8s  %-8s  %s\n", static_cast<int>(i),
                    plugin.parameter_name(i).c_str(), plugin.parameter_long_name(i).c_str(),
                    static_cast<double>(plugin.parameter(i)), plugin.parameter_display(i).c_str(),
                    plugin.parameter_label(i).c_str(),
                    !vst ? "-" : (vst->dispatch(effCanBeAutomated, i) ? "yes" : "no"));
    }

    std::printf("Programs (%d, current %s):\n", static_cast<int>(plugin.num_programs()),
                program_number_text(plugin.program()).c_str());
    const std::vector<std::string> names = plugin.program_names();
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("  %3s  %s\n", program_number_text(static_cast<int>(i)).c_str(),
                    names[i].c_str());
}

} // namespace

CLI::App* add_info_command(CLI::App& app, int& exit_code) {
    auto path = std::make_shared<std::string>();
    auto verbose = std::make_shared<bool>(false);
    CLI::App* c =
        app.add_subcommand("info", "describe a plug-in: identity, pins, parameters, programs");
    c->footer("Loads a plug-in and prints what a host learns of it: identity, flags, pins, "
              "can-do answers,\nevery parameter (name, long name, value, value text, unit) and "
              "every program,\nnumbered from 1.");
    c->add_option("plugin", *path, "the plug-in module")->required();
    c->add_flag("-v,--verbose", *verbose, "log the plug-in's callbacks to stderr");
    c->callback([path, verbose, &exit_code] {
        std::string error;
        std::unique_ptr<PluginInstance> plugin = load_plugin(*path, error, *verbose);
        if (!plugin) {
            exit_code = report_failure(error);
            return;
        }
        print_info(*plugin);
        exit_code = kExitOk;
    });
    return c;
}

} // namespace corvane::tools
