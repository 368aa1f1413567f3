#pragma once

#include "clap/clap_ext.h"

namespace corvane::clap {

// The preset discovery factory: one provider that declares one location inside the plug-in and
// lists the factory programs there, each with the load key the preset-load extension takes (the
// program number, "0" to "19").
extern const clap_preset_discovery_factory kPresetDiscoveryFactory;

} // namespace corvane::clap
