// Writes the LV2 bundle's Turtle files (manifest.ttl, corvane.ttl and presets.ttl) into the
// folder given, from the parameter table, the factory programs and the LV2 port table, so the
// description a host reads always matches the code it loads.
// Usage: corvane-lv2-ttl BUNDLE-DIR
#include "lv2/corvane_lv2_ports.h"

#include "params/CorvaneFactoryPrograms.h"
#include "params/CorvaneParameterManager.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace corvane;
using namespace corvane::lv2;

namespace {

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                                  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A number Turtle reads back as the same float: nine significant digits, and always a decimal
// point or an exponent so it is not read as an integer.
std::string turtleNumber(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string uri(const char* text) {
    return std::string("<") + text + ">";
}

std::string groupUri(const char* symbol) {
    return uri((std::string(kPluginUri) + "#" + symbol).c_str());
}

std::string presetUri(int program) {
    char id[24]; // room for any int
    std::snprintf(id, sizeof id, "#preset%02d", program + 1);
    return uri((std::string(kPluginUri) + id).c_str());
}

// A Turtle string literal: quotes and backslashes escaped.
std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        if (*c == '"' || *c == '\\') out += '\\';
        out += *c;
    }
    return out + "\"";
}

std::string unitOf(const tw_paramManager& params, int index) {
    char label[32] = {};
    params.getLabel(index, label, 8);
    if (std::strcmp(label, "Hz") == 0) return "units:hz";
    if (std::strcmp(label, "dB") == 0) return "units:db";
    if (std::strcmp(label, "%") == 0) return "units:pc";
    if (std::strcmp(label, "deg") == 0) return "units:degree";
    // Env Gain is a level in decibels whose host label is empty.
    if (params.getKind(index) == tw_paramManager::kKindDecibel) return "units:db";
    return "";
}

struct Writer {
    std::string text;
    Writer& operator<<(const std::string& s) {
        text += s;
        return *this;
    }
    bool save(const std::string& path) const {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        return std::fclose(f) == 0 && ok;
    }
};

void writeControlPort(Writer& w, const tw_paramManager& params, std::uint32_t port) {
    const ControlPortInfo& desc = *controlPort(port);
    const bool division = desc.presentation == Presentation::Division;
    const std::string name =
        division ? std::string("LFO Division") : params.getNameString(desc.parameter);
    w << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
      << "        lv2:index " << std::to_string(port) << " ;\n"
      << "        lv2:symbol " << quoted(desc.symbol) << " ;\n"
      << "        lv2:name " << quoted(name.c_str()) << " ;\n"
      << "        lv2:default " << turtleNumber(portDefault(params, port)) << " ;\n"
      << "        lv2:minimum " << turtleNumber(portMinimum(params, port)) << " ;\n"
      << "        lv2:maximum " << turtleNumber(portMaximum(params, port)) << " ;\n"
      << "        pg:group " << groupUri(groupInfo(desc.group).symbol) << " ;\n";
    if (desc.parameter == kLfoRate)
        w << "        rdfs:comment "
          << quoted(division ? "The LFO's rate while LFO Sync is on."
                             : "The LFO's rate while LFO Sync is off.")
          << " ;\n";
    switch (desc.presentation) {
        case Presentation::Real: {
            const std::string unit = unitOf(params, desc.parameter);
            if (!unit.empty()) w << "        units:unit " << unit << " ;\n";
            if (params.getKind(desc.parameter) == tw_paramManager::kKindExponential ||
                params.getKind(desc.parameter) == tw_paramManager::kKindSyncRate)
                w << "        lv2:portProperty pprops:logarithmic ;\n";
            break;
        }
        case Presentation::Toggle:
            w << "        lv2:portProperty lv2:toggled ;\n";
            break;
        case Presentation::Choice:
        case Presentation::Division:
            w << "        lv2:portProperty lv2:integer , lv2:enumeration ;\n";
            for (int step = 0; step < desc.stepCount; ++step)
                w << "        lv2:scalePoint [ rdfs:label " << quoted(desc.stepNames[step])
                  << " ; rdf:value " << turtleNumber(static_cast<float>(step)) << " ] ;\n";
            break;
    }
    w << "    ]";
}

struct AudioPortText {
    Port port;
    const char* symbol;
    const char* name;
    const char* group;
    const char* channel;
    bool sideChain;
};

constexpr AudioPortText kAudioPorts[] = {
    {kMainInLeftPort, "in_l", "Main In L", "main_in", "pg:left", false},
    {kMainInRightPort, "in_r", "Main In R", "main_in", "pg:right", false},
    {kSideInLeftPort, "sidechain_l", "Side-chain In L", "sidechain_in", "pg:left", true},
    {kSideInRightPort, "sidechain_r", "Side-chain In R", "sidechain_in", "pg:right", true},
    {kOutLeftPort, "out_l", "Out L", "main_out", "pg:left", false},
    {kOutRightPort, "out_r", "Out R", "main_out", "pg:right", false},
};

void writeAudioPort(Writer& w, const AudioPortText& a) {
    const bool input = a.port < kOutLeftPort;
    w << "    [\n        a " << (input ? "lv2:InputPort" : "lv2:OutputPort")
      << " , lv2:AudioPort ;\n"
      << "        lv2:index " << std::to_string(a.port) << " ;\n"
      << "        lv2:symbol " << quoted(a.symbol) << " ;\n"
      << "        lv2:name " << quoted(a.name) << " ;\n"
      << "        pg:group " << groupUri(a.group) << " ;\n"
      << "        lv2:designation " << a.channel << " ;\n";
    if (a.sideChain) w << "        lv2:portProperty lv2:isSideChain , lv2:connectionOptional ;\n";
    w << "    ]";
}

std::string describePlugin(const tw_paramManager& params) {
    Writer w;
    w << kPrefixes;
    const std::string plugin = uri(kPluginUri);
    w << groupUri("main_in") << "\n    a pg:StereoGroup , pg:InputGroup ;\n"
      << "    lv2:symbol \"main_in\" ;\n    rdfs:label \"Main In\" .\n\n";
    w << groupUri("sidechain_in") << "\n    a pg:StereoGroup , pg:InputGroup ;\n"
      << "    lv2:symbol \"sidechain_in\" ;\n    rdfs:label \"Side-chain In\" ;\n"
      << "    pg:sideChainOf " << groupUri("main_in") << " .\n\n";
    w << groupUri("main_out") << "\n    a pg:StereoGroup , pg:OutputGroup ;\n"
      << "    lv2:symbol \"main_out\" ;\n    rdfs:label \"Main Out\" ;\n"
      << "    pg:source " << groupUri("main_in") << " .\n\n";
    for (Group g : {Group::Reverb, Group::Filter, Group::Lfo, Group::Envelope, Group::Output})
        w << groupUri(groupInfo(g).symbol) << "\n    a pg:Group ;\n    lv2:symbol "
          << quoted(groupInfo(g).symbol) << " ;\n    rdfs:label " << quoted(groupInfo(g).label)
          << " .\n\n";

    w << groupUri("project") << "\n    a doap:Project ;\n    doap:name \"Corvane\" ;\n"
      << "    doap:maintainer [ foaf:name \"Tessel Works\" ] .\n\n";
    w << plugin << "\n    a lv2:Plugin , lv2:FilterPlugin ;\n"
      << "    doap:name \"Corvane\" ;\n"
      << "    lv2:project " << groupUri("project") << " ;\n"
      << "    lv2:minorVersion 0 ;\n    lv2:microVersion 1 ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
      << "    pg:mainInput " << groupUri("main_in") << " ;\n"
      << "    pg:mainOutput " << groupUri("main_out") << " ;\n"
      << "    ui:ui " << uri(kUiUri) << " ;\n"
      << "    lv2:port\n";
    bool first = true;
    auto separate = [&] {
        if (!first) w << " ,\n";
        first = false;
    };
    for (std::uint32_t p = 0; p < static_cast<std::uint32_t>(kControlPortCount); ++p) {
        separate();
        writeControlPort(w, params, p);
    }
    for (const AudioPortText& a : kAudioPorts) {
        separate();
        writeAudioPort(w, a);
    }
    separate();
    w << "    [\n        a lv2:InputPort , atom:AtomPort ;\n"
      << "        atom:bufferType atom:Sequence ;\n"
      << "        atom:supports midi:MidiEvent , time:Position ;\n"
      << "        lv2:designation lv2:control ;\n"
      << "        lv2:index " << std::to_string(kControlPort) << " ;\n"
      << "        lv2:symbol \"control\" ;\n        lv2:name \"Control\" ;\n"
      << "        lv2:portProperty lv2:connectionOptional ;\n    ]";
    separate();
    w << "    [\n        a lv2:OutputPort , atom:AtomPort ;\n"
      << "        atom:bufferType atom:Sequence ;\n"
      << "        lv2:designation lv2:control ;\n"
      << "        lv2:index " << std::to_string(kNotifyPort) << " ;\n"
      << "        lv2:symbol \"notify\" ;\n        lv2:name \"Notify\" ;\n"
      << "        lv2:portProperty lv2:connectionOptional ;\n"
      << "        rdfs:comment \"The envelope and LFO graphs' data for the editor.\" ;\n    ]";
    // Kept out of automation and generic controls: it is the editor's own setting, here only
    // so that the host saves it with the session. Presets leave it alone.
    separate();
    w << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
      << "        lv2:index " << std::to_string(kUiScalePort) << " ;\n"
      << "        lv2:symbol \"ui_scale\" ;\n        lv2:name \"Editor Scale\" ;\n"
      << "        lv2:default 0.0 ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 3.0 ;\n"
      << "        lv2:portProperty pprops:notAutomatic , pprops:notOnGUI ;\n"
      << "        lv2:scalePoint [ rdfs:label \"Auto\" ; rdf:value 0.0 ] ;\n"
      << "        rdfs:comment \"The editor's scale the user chose; 0 follows the host or the "
         "desktop.\" ;\n    ] .\n\n";

    w << uri(kUiUri) << "\n    a ui:X11UI ;\n"
      << "    ui:binary <" << kUiBinary << "> ;\n"
      << "    lv2:requiredFeature ui:parent ;\n"
      << "    lv2:optionalFeature ui:resize , ui:touch , urid:map , opts:options ;\n"
      << "    lv2:extensionData ui:idleInterface , opts:interface ;\n"
      << "    opts:supportedOption ui:scaleFactor ;\n"
      << "    ui:portNotification [\n        ui:plugin " << plugin << " ;\n"
      << "        lv2:symbol \"notify\" ;\n        ui:protocol atom:eventTransfer\n    ] .\n";
    return w.text;
}

std::string describePresets(const tw_paramManager& params) {
    Writer w;
    w << kPrefixes;
    for (int p = 0; p < kNumPrograms; ++p) {
        const FactoryProgram& program = kFactoryPrograms[p];
        w << presetUri(p) << "\n    a pset:Preset ;\n"
          << "    lv2:appliesTo " << uri(kPluginUri) << " ;\n"
          << "    rdfs:label " << quoted(program.name) << " ;\n    lv2:port";
        for (std::uint32_t port = 0; port < static_cast<std::uint32_t>(kControlPortCount); ++port) {
            const ControlPortInfo& desc = *controlPort(port);
            const float value = toPortValue(params, port, program.values[desc.parameter]);
            w << (port == 0 ? " [\n" : " , [\n") << "        lv2:symbol " << quoted(desc.symbol)
              << " ;\n        pset:value " << turtleNumber(value) << "\n    ]";
        }
        w << " .\n\n";
    }
    return w.text;
}

std::string describeManifest() {
    Writer w;
    w << kPrefixes;
    w << uri(kPluginUri) << "\n    a lv2:Plugin ;\n"
      << "    lv2:binary <" << kPluginBinary << "> ;\n"
      << "    rdfs:seeAlso <corvane.ttl> .\n\n";
    w << uri(kUiUri) << "\n    a ui:X11UI ;\n"
      << "    ui:binary <" << kUiBinary << "> ;\n"
      << "    rdfs:seeAlso <corvane.ttl> .\n\n";
    for (int p = 0; p < kNumPrograms; ++p)
        w << presetUri(p) << "\n    a pset:Preset ;\n"
          << "    lv2:appliesTo " << uri(kPluginUri) << " ;\n"
          << "    rdfs:label " << quoted(kFactoryPrograms[p].name) << " ;\n"
          << "    rdfs:seeAlso <presets.ttl> .\n\n";
    return w.text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-lv2-ttl BUNDLE-DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const CorvaneParameterManager params;
    const struct {
        const char* file;
        std::string text;
    } files[] = {
        {"manifest.ttl", describeManifest()},
        {"corvane.ttl", describePlugin(params)},
        {"presets.ttl", describePresets(params)},
    };
    for (const auto& f : files) {
        Writer w;
        w.text = f.text;
        if (!w.save(dir + "/" + f.file)) {
            std::fprintf(stderr, "corvane-lv2-ttl: cannot write %s/%s\n", dir.c_str(), f.file);
            return 1;
        }
    }
    return 0;
}
