// The module's entry points: VSTPluginMain and, for older hosts, main.

#include "host/Corvane.h"
#include "vst/plugin_entry.h"

VST_PLUGIN_ENTRY_POINTS(Corvane)
