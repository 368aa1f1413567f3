#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::fuzz {

// Hand-written host sessions: the fuzzer's starting corpus, and regression cases of their own.
struct NamedInput {
    std::string name;
    std::vector<std::uint8_t> bytes;
};
std::vector<NamedInput> handMadeInputs();

} // namespace corvane::fuzz
