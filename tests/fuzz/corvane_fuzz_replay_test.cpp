// The fuzzer's corpus and the hand-written sessions, replayed through the same driver in the
// ordinary build: whatever the fuzzer once found stays fixed.

#include "corvane_fuzz_driver.h"
#include "fuzz_input.h"
#include "fuzz_seeds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace corvane::fuzz {
namespace {

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(FuzzCorpus, EveryInputKeepsTheRules) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FUZZ_CORPUS))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << "no corpus in " << CORVANE_FUZZ_CORPUS;
    for (const auto& path : files) {
        const std::vector<std::uint8_t> bytes = readFile(path);
        const FuzzOutcome outcome = runFuzzInput(bytes.data(), bytes.size());
        EXPECT_TRUE(outcome.ok()) << path.filename() << ": " << outcome.failure;
    }
}

class HandMadeSession : public ::testing::TestWithParam<NamedInput> {};

// Each session keeps the rules and gets as far as it was written to: instances made, audio
// rendered.
TEST_P(HandMadeSession, KeepsTheRulesAndRendersAudio) {
    const std::vector<std::uint8_t>& bytes = GetParam().bytes;
    const FuzzOutcome outcome = runFuzzInput(bytes.data(), bytes.size());
    EXPECT_TRUE(outcome.ok()) << outcome.failure;
    EXPECT_GE(outcome.instances, 1);
    EXPECT_GT(outcome.frames, 0);
    EXPECT_LT(outcome.frames, FuzzLimits::kMaxFrames) << "cut short by the frame budget";
}

INSTANTIATE_TEST_SUITE_P(Seeds, HandMadeSession, ::testing::ValuesIn(handMadeInputs()),
                         [](const auto& test) {
                             std::string name = test.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The reader takes any bytes: an empty input, a truncated action and random noise all end
// cleanly, and a writer's numbers read back as written.
TEST(FuzzInput, AnyBytesAreAnInput) {
    const std::uint8_t truncated[] = {static_cast<std::uint8_t>(Command::Process), 0xFF};
    EXPECT_TRUE(runFuzzInput(nullptr, 0).ok());
    EXPECT_TRUE(runFuzzInput(truncated, sizeof truncated).ok());
    std::vector<std::uint8_t> noise(4096);
    std::uint32_t x = 12345;
    for (std::uint8_t& b : noise) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    EXPECT_TRUE(runFuzzInput(noise.data(), noise.size()).ok());
}

TEST(FuzzInput, WriterAndReaderAgree) {
    FuzzInputWriter w;
    w.f32(-3.5f).fraction(0.25f).f64(1e300).i32(-16).i32(111).i32(-17).i32(1 << 30);
    FuzzInputReader r(w.bytes().data(), w.bytes().size());
    EXPECT_EQ(r.f32(), -3.5f);
    EXPECT_NEAR(r.f32(), 0.25f, 1.0f / 65535.0f);
    EXPECT_EQ(r.f64(), 1e300);
    EXPECT_EQ(r.i32(), -16);
    EXPECT_EQ(r.i32(), 111);
    EXPECT_EQ(r.i32(), -17);
    EXPECT_EQ(r.i32(), 1 << 30);
    EXPECT_TRUE(r.done());
    EXPECT_EQ(r.u32(), 0u);
}

} // namespace
} // namespace corvane::fuzz
