#include "clap/corvane_clap_presets.h"

#include "clap/CorvaneClap.h"
#include "params/CorvaneFactoryPrograms.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace corvane::clap {

namespace {

const clap_preset_discovery_provider_descriptor kProviderDescriptor = {
    CLAP_VERSION, "works.tessel.corvane.factory-programs", "Corvane factory programs",
    "Tessel Works"};

// A provider lives between create and destroy; it keeps the indexer it was created for.
struct Provider {
    clap_preset_discovery_provider provider{};
    const clap_preset_discovery_indexer* indexer = nullptr;
};

const Provider* providerOf(const clap_preset_discovery_provider* p) {
    return p ? static_cast<const Provider*>(p->provider_data) : nullptr;
}

bool providerInit(const clap_preset_discovery_provider* p) {
    const Provider* self = providerOf(p);
    if (!self || !self->indexer || !self->indexer->declare_location) return false;
    const clap_preset_discovery_location location = {
        CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Corvane factory programs",
        CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return self->indexer->declare_location(self->indexer, &location);
}

void providerDestroy(const clap_preset_discovery_provider* p) {
    delete providerOf(p);
}

bool providerMetadata(const clap_preset_discovery_provider*, std::uint32_t kind,
                      const char* location, const clap_preset_discovery_metadata_receiver* r) {
    if (!r || !r->begin_preset || kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location)
        return false;
    const clap_universal_plugin_id id = {"clap", kDescriptor.id};
    for (int program = 0; program < kNumPrograms; ++program) {
        char key[8];
        std::snprintf(key, sizeof key, "%d", program);
        if (!r->begin_preset(r, kFactoryPrograms[program].name, key)) break;
        if (r->add_plugin_id) r->add_plugin_id(r, &id);
        if (r->set_flags) r->set_flags(r, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (r->add_creator) r->add_creator(r, kDescriptor.vendor);
    }
    return true;
}

const void* providerExtension(const clap_preset_discovery_provider*, const char*) {
    return nullptr;
}

std::uint32_t providerCount(const clap_preset_discovery_factory*) {
    return 1;
}

const clap_preset_discovery_provider_descriptor*
providerDescriptor(const clap_preset_discovery_factory*, std::uint32_t index) {
    return index == 0 ? &kProviderDescriptor : nullptr;
}

const clap_preset_discovery_provider* createProvider(const clap_preset_discovery_factory*,
                                                     const clap_preset_discovery_indexer* indexer,
                                                     const char* id) {
    if (!indexer || !id || std::strcmp(id, kProviderDescriptor.id) != 0) return nullptr;
    auto* self = new (std::nothrow) Provider;
    if (!self) return nullptr;
    self->indexer = indexer;
    self->provider = {&kProviderDescriptor, self, providerInit, providerDestroy, providerMetadata,
                      providerExtension};
    return &self->provider;
}

} // namespace

const clap_preset_discovery_factory kPresetDiscoveryFactory = {providerCount, providerDescriptor,
                                                               createProvider};

} // namespace corvane::clap
