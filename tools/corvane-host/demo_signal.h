#pragma once

#include "tools/corvane-host/audio_file.h"

namespace corvane::tools {

// The signal rendered when no input file is given: four bars of drums (kick, snare, hats) under
// a sustained chord that changes every bar, in stereo, followed by a second of silence for tails.
// The beat follows the host's tempo and time signature, so tempo-synced effects line up with it.
// Synthesised in code and fully deterministic: the same arguments give the same samples.
AudioBuffer make_demo_signal(double sample_rate, double tempo, int numerator, int denominator);

} // namespace corvane::tools
