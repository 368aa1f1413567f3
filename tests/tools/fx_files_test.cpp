// Program and bank files: the published byte layout, round trips, and damaged files refused.

#include "tools/corvane-host/fx_files.h"

#include <gtest/gtest.h>

#include <ostream>

namespace corvane::tools {
namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

const FxIdentity kIdentity{vstFourCC('T', 'W', 'c', 'v'), 1};

FxBank sample_bank() {
    FxBank bank;
    bank.current_program = 2;
    for (int p = 0; p < 3; ++p)
        bank.programs.push_back(
            {"Program " + std::to_string(p), {0.0f, 0.125f * p, 1.0f, 0.3333333f}});
    return bank;
}

TEST(FxFiles, ProgramHasThePublishedLayout) {
    const std::vector<uint8_t> b = encode_fxp(kIdentity, {"Warm", {0.5f, 1.0f}});
    ASSERT_EQ(b.size(), 56u + 2 * 4);
    EXPECT_EQ(be32(b, 0), 0x43636e4bu);  // 'CcnK'
    EXPECT_EQ(be32(b, 4), b.size() - 8); // bytes after byteSize
    EXPECT_EQ(be32(b, 8), 0x4678436bu);  // 'FxCk'
    EXPECT_EQ(be32(b, 12), 1u);          // format version
    EXPECT_EQ(be32(b, 16), 0x54576376u); // 'TWcv'
    EXPECT_EQ(be32(b, 20), 1u);          // plug-in version
    EXPECT_EQ(be32(b, 24), 2u);          // parameter count
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "Warm");
    EXPECT_EQ(be32(b, 56), 0x3f000000u); // 0.5f, big-endian
    EXPECT_EQ(be32(b, 60), 0x3f800000u); // 1.0f
}

TEST(FxFiles, BankHasThePublishedLayout) {
    const std::vector<uint8_t> b = encode_fxb(kIdentity, sample_bank());
    ASSERT_EQ(b.size(), 156u + 3 * (56 + 4 * 4));
    EXPECT_EQ(be32(b, 0), 0x43636e4bu);
    EXPECT_EQ(be32(b, 4), b.size() - 8);
    EXPECT_EQ(be32(b, 8), 0x4678426bu); // 'FxBk'
    EXPECT_EQ(be32(b, 12), 2u);         // version 2 carries the current program
    EXPECT_EQ(be32(b, 24), 3u);
    EXPECT_EQ(be32(b, 28), 2u);
    EXPECT_EQ(be32(b, 156), 0x43636e4bu); // the first program chunk
    EXPECT_EQ(be32(b, 156 + 8), 0x4678436bu);
}

TEST(FxFiles, BankRoundTripKeepsEverything) {
    FxIdentity identity;
    FxBank bank;
    std::string error;
    ASSERT_TRUE(decode_fxb(encode_fxb(kIdentity, sample_bank()), identity, bank, error)) << error;
    EXPECT_EQ(identity.unique_id, kIdentity.unique_id);
    EXPECT_EQ(identity.version, kIdentity.version);
    EXPECT_EQ(bank.current_program, 2);
    ASSERT_EQ(bank.programs.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(bank.programs[p].name, sample_bank().programs[p].name);
        EXPECT_EQ(bank.programs[p].values, sample_bank().programs[p].values);
    }
}

TEST(FxFiles, LongNamesAreCutToTheField) {
    FxIdentity identity;
    FxProgram program;
    std::string error;
    const std::string name(40, 'n');
    ASSERT_TRUE(decode_fxp(encode_fxp(kIdentity, {name, {}}), identity, program, error));
    EXPECT_EQ(program.name, std::string(27, 'n'));
}

TEST(FxFiles, VersionOneBankStartsAtProgramZero) {
    std::vector<uint8_t> b = encode_fxb(kIdentity, sample_bank());
    b[15] = 1;
    FxIdentity identity;
    FxBank bank;
    std::string error;
    ASSERT_TRUE(decode_fxb(b, identity, bank, error)) << error;
    EXPECT_EQ(bank.current_program, 0);
}

struct Damage {
    const char* name;
    bool bank;
    size_t offset;     // where the patch goes, or the length kept when there is none
    const char* patch; // bytes written at offset, or null to cut the file there
    const char* complaint;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const Damage& row) {
    return out << row.name;
}

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsRefusedWithAReason) {
    const Damage& d = GetParam();
    std::vector<uint8_t> b =
        d.bank ? encode_fxb(kIdentity, sample_bank()) : encode_fxp(kIdentity, {"x", {0.5f}});
    if (!d.patch)
        b.resize(d.offset);
    else
        for (size_t i = 0; d.patch[i]; ++i)
            b[d.offset + i] = static_cast<uint8_t>(d.patch[i]);
    FxIdentity identity;
    FxProgram program;
    FxBank bank;
    std::string error;
    const bool ok =
        d.bank ? decode_fxb(b, identity, bank, error) : decode_fxp(b, identity, program, error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find(d.complaint), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(Damage{"Empty", false, 0, nullptr, "cut short"},
                      Damage{"HeaderCut", false, 40, nullptr, "cut short"},
                      Damage{"ValuesCut", false, 58, nullptr, "values are cut short"},
                      Damage{"NotCcnK", false, 0, "X", "CcnK"},
                      Damage{"OpaqueChunk", false, 8, "FPCh", "opaque chunk"},
                      Damage{"ImplausibleCount", false, 24, "\x7f", "not plausible"},
                      Damage{"BankEmpty", true, 10, nullptr, "cut short"},
                      Damage{"BankCutInProgram", true, 156 + 60, nullptr, "program 0"},
                      Damage{"BankOfPrograms", true, 8, "FxCk", "FxBk"},
                      Damage{"OpaqueBank", true, 8, "FBCh", "opaque chunk"},
                      Damage{"BankCount", true, 24, "\x7f", "not plausible"},
                      Damage{"BankInnerMagic", true, 156 + 8, "Q", "program 0"}),
    [](const ::testing::TestParamInfo<Damage>& row) { return std::string(row.param.name); });

} // namespace
} // namespace corvane::tools
