// The module's one exported symbol, clap_entry, with its two factories: the plug-in factory
// (one plug-in) and the preset discovery factory (the factory programs, inside the module).

#include "clap/CorvaneClap.h"
#include "clap/corvane_clap_presets.h"

#include <cstring>

namespace {

using corvane::clap::CorvaneClap;
using corvane::clap::kDescriptor;

std::uint32_t pluginCount(const clap_plugin_factory*) {
    return 1;
}

const clap_plugin_descriptor* pluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin* createPlugin(const clap_plugin_factory*, const clap_host* host, const char* id) {
    if (!host || !id || std::strcmp(id, kDescriptor.id) != 0) return nullptr;
    if (!clap_version_is_compatible(host->clap_version)) return nullptr;
    return (new CorvaneClap(host))->plugin();
}

const clap_plugin_factory kPluginFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) {
    return true;
}

void entryDeinit() {}

const void* entryFactory(const char* id) {
    if (!id) return nullptr;
    if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) return &kPluginFactory;
    if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
        std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
        return &corvane::clap::kPresetDiscoveryFactory;
    return nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default")))
const clap_plugin_entry clap_entry = {CLAP_VERSION, entryInit, entryDeinit, entryFactory};
