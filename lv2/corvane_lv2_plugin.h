#pragma once

#include <lv2/core/lv2.h>

// The LV2 plug-in's descriptor: the adapter between an LV2 host and CorvaneProcessor. The
// module's exported lv2_descriptor hands it out; tests drive it directly.
//
// Lifecycle and threads, as LV2 has them: instantiate, connect_port, activate, deactivate and
// cleanup come from the host's instantiation thread while run is not running; run comes from
// the audio thread. run reads the control ports at its start and hands the values that changed
// (converted to normalised) to the processor, renders the block in pieces split at the host's
// time:Position events, passes MIDI notes at their frames, and writes the graphs' data to the
// notify port. Nothing in run allocates, locks or waits.
//
// State: none beyond the control ports. Every parameter is a port, and the factory programs are
// presets, so a host's saved port values are all there is to restore.
const LV2_Descriptor* corvaneLv2Descriptor();
