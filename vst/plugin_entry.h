#pragma once

// What a plug-in module needs to define its entry points. The module is built with hidden
// visibility (and keeps the static libraries it links hidden too, e.g. with
// -Wl,--exclude-libs,ALL), so the two names defined by VST_PLUGIN_ENTRY_POINTS are all it
// exports:
//
//     VST_PLUGIN_ENTRY_POINTS(MyPlugin)   // at namespace scope, in exactly one source file

#include "vst/audio_effect.h"

#include <new>

#define VST_EXPORT extern "C" __attribute__((visibility("default")))

// Creates a plug-in the way an entry point must: nothing for a host that does not answer the
// version request, and null rather than an exception when construction fails, because the
// caller is C code of another program.
template <typename Plugin>
AEffect* createVstPlugin(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    try {
        AudioEffect* plugin = new (std::nothrow) Plugin(host);
        return plugin ? plugin->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// Defines VSTPluginMain and, for hosts that still look for the old name, the same function as
// main (a C++ function cannot be called main, so the second one takes that name as its symbol).
#define VST_PLUGIN_ENTRY_POINTS(Plugin)                                                            \
    VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {                                  \
        return createVstPlugin<Plugin>(host);                                                      \
    }                                                                                              \
    VST_EXPORT AEffect* vstPluginMainOldName(audioMasterCallback host) __asm__("main");            \
    AEffect* vstPluginMainOldName(audioMasterCallback host) {                                      \
        return createVstPlugin<Plugin>(host);                                                      \
    }
