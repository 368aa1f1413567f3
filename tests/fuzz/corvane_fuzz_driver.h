#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::fuzz {

// What one input may cost, so that each runs in a fraction of a second even when instrumented.
struct FuzzLimits {
    static constexpr long kMaxFrames = 1L << 15; // audio frames, all blocks and instances together
    static constexpr int kMaxBlockFrames = 8192;
    static constexpr int kMaxRunBlocks = 64;
    static constexpr int kMaxEvents = 64;
    static constexpr int kMaxInstances = 4;
    static constexpr int kMaxEditorOpens = 2;
    static constexpr int kMaxEditorIdles = 16;
    static constexpr int kMaxActions = 4096;
};

struct FuzzOutcome {
    std::string failure; // the first check that did not hold; empty when all held
    int actions = 0;
    int instances = 0; // instances the entry point created
    int blocks = 0;
    long frames = 0;
    int requests = 0; // dispatcher requests sent
    bool ok() const { return failure.empty(); }
};

// Plays one input (see fuzz_input.h) as a host would: plug-in instances are created through the
// module's entry point with a fake host callback whose answers the input controls, driven
// through the plug-in record only (dispatcher, setParameter, getParameter, processReplacing),
// and closed at the end. Pointers are only what the interface promises for each request: null,
// or buffers of the promised size, allocated to exactly that size so an address sanitizer sees
// any overrun.
//
// Checks, besides not crashing: every block gives finite output on the outputs in use, whatever
// its input (the engine reads non-finite host samples as silence, so finite input giving finite
// output is the lesser part of the rule); getParameter answers 0..1; texts the plug-in writes end
// within their buffer; a request that claims an answer leaves a readable one; during
// processReplacing the plug-in calls the host for nothing but the two time requests, and during
// processEvents and setParameter not at all. A check that fails ends the input and is reported; a
// crash or sanitizer report ends the process.
FuzzOutcome runFuzzInput(const std::uint8_t* data, std::size_t size);

} // namespace corvane::fuzz
