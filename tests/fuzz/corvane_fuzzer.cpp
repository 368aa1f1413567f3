// The libFuzzer target: every input is a host session (see fuzz_input.h); a check that fails
// aborts, so libFuzzer keeps the input as a crash.

#include "corvane_fuzz_driver.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const corvane::fuzz::FuzzOutcome outcome = corvane::fuzz::runFuzzInput(data, size);
    if (!outcome.ok()) {
        std::fprintf(stderr, "corvane_fuzz: %s\n", outcome.failure.c_str());
        std::abort();
    }
    return 0;
}
