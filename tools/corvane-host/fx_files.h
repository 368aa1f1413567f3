#pragma once

#include "tools/corvane-host/hosted_plugin.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::tools {

// Program (.fxp) and bank (.fxb) files in the published big-endian format, holding program names
// and normalised parameter values (no opaque chunks). They are read from and written to a plug-in
// only through the ordinary program and parameter requests, as any host does it.

struct FxProgram {
    std::string name;
    std::vector<float> values;
};

struct FxBank {
    VstInt32 current_program = 0;
    std::vector<FxProgram> programs;
};

// Which plug-in a file belongs to.
struct FxIdentity {
    VstInt32 unique_id = 0;
    VstInt32 version = 0;
};

std::vector<uint8_t> encode_fxp(const FxIdentity& identity, const FxProgram& program);
std::vector<uint8_t> encode_fxb(const FxIdentity& identity, const FxBank& bank);
// Both reject what is not a complete program or bank of parameter values, with a reason.
bool decode_fxp(const std::vector<uint8_t>& bytes, FxIdentity& identity, FxProgram& program,
                std::string& error);
bool decode_fxb(const std::vector<uint8_t>& bytes, FxIdentity& identity, FxBank& bank,
                std::string& error);

FxIdentity identity_of(HostedPlugin& plugin);
// The current program's name and values.
FxProgram read_current_program(HostedPlugin& plugin);
// Every program, read by selecting each in turn; the program current before is current again
// afterwards.
FxBank read_bank(HostedPlugin& plugin);
// Into the current program: its name, then each value. Values past the plug-in's count are
// dropped; parameters the file does not have keep their values.
bool apply_program(HostedPlugin& plugin, const FxProgram& program, std::string& error);
// Each program in turn (select, name, values), then the bank's current program.
bool apply_bank(HostedPlugin& plugin, const FxBank& bank, std::string& error);

// Reads a whole file; false with a reason when it cannot.
bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

} // namespace corvane::tools
