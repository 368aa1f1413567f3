#include "tools/corvane-host/fx_files.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace corvane::tools {

namespace {

constexpr VstInt32 kFxpFormatVersion = 1;
// Version 2 banks carry the current program; version 1 banks do not.
constexpr VstInt32 kFxbFormatVersion = 2;
// No plug-in has anywhere near this many; a larger count means a damaged file.
constexpr VstInt32 kMaxCount = 1 << 16;

class Writer {
public:
    void u32(uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>((v >> shift) & 0xff));
    }
    void i32(VstInt32 v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void text(const std::string& s, size_t size) {
        for (size_t i = 0; i < size; ++i)
            bytes.push_back(i < s.size() && i + 1 < size ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    // byteSize counts everything after the byteSize field of the chunk that starts at start.
    void patch_byte_size(size_t start) {
        const uint32_t size = static_cast<uint32_t>(bytes.size() - start - 8);
        for (int i = 0; i < 4; ++i)
            bytes[start + 4 + static_cast<size_t>(i)] =
                static_cast<uint8_t>((size >> (24 - 8 * i)) & 0xff);
    }

    std::vector<uint8_t> bytes;
};

class Reader {
public:
    Reader(const std::vector<uint8_t>& data, size_t start) : bytes(data), pos(start) {}
    bool has(size_t n) const { return pos <= bytes.size() && bytes.size() - pos >= n; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | bytes[pos++];
        return v;
    }
    VstInt32 i32() { return static_cast<VstInt32>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float v = 0.0f;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    std::string text(size_t size) {
        std::string s;
        for (size_t i = 0; i < size; ++i) {
            const char c = static_cast<char>(bytes[pos + i]);
            if (c == 0) break;
            s += c;
        }
        pos += size;
        return s;
    }
    void skip(size_t n) { pos += n; }

    const std::vector<uint8_t>& bytes;
    size_t pos;
};

void write_program(Writer& w, const FxIdentity& identity, const FxProgram& program) {
    const size_t start = w.bytes.size();
    w.i32(cMagic);
    w.i32(0);
    w.i32(fMagic);
    w.i32(kFxpFormatVersion);
    w.i32(identity.unique_id);
    w.i32(identity.version);
    w.i32(static_cast<VstInt32>(program.values.size()));
    w.text(program.name, kFxProgramNameSize);
    for (float v : program.values)
        w.f32(v);
    w.patch_byte_size(start);
}

bool read_program(Reader& r, FxIdentity& identity, FxProgram& program, std::string& error) {
    if (!r.has(kFxProgramHeaderSize)) {
        error = "the program is cut short";
        return false;
    }
    if (r.i32() != cMagic) {
        error = "not a program file (no 'CcnK' chunk)";
        return false;
    }
    r.skip(4); // byteSize: writers disagree about it; the counts below decide
    const VstInt32 magic = r.i32();
    if (magic == chunkPresetMagic) {
        error = "the program is stored as an opaque chunk; only parameter values can be loaded";
        return false;
    }
    if (magic != fMagic) {
        error = "not a program of parameter values (no 'FxCk' magic)";
        return false;
    }
    r.skip(4); // format version
    identity.unique_id = r.i32();
    identity.version = r.i32();
    const VstInt32 count = r.i32();
    if (count < 0 || count > kMaxCount) {
        error = "the program's parameter count is not plausible";
        return false;
    }
    program.name = r.text(kFxProgramNameSize);
    if (!r.has(static_cast<size_t>(count) * 4)) {
        error = "the program's values are cut short";
        return false;
    }
    program.values.resize(static_cast<size_t>(count));
    for (float& v : program.values)
        v = r.f32();
    return true;
}

} // namespace

std::vector<uint8_t> encode_fxp(const FxIdentity& identity, const FxProgram& program) {
    Writer w;
    write_program(w, identity, program);
    return w.bytes;
}

std::vector<uint8_t> encode_fxb(const FxIdentity& identity, const FxBank& bank) {
    Writer w;
    w.i32(cMagic);
    w.i32(0);
    w.i32(bankMagic);
    w.i32(kFxbFormatVersion);
    w.i32(identity.unique_id);
    w.i32(identity.version);
    w.i32(static_cast<VstInt32>(bank.programs.size()));
    w.i32(bank.current_program);
    w.zeros(kFxBankHeaderSize - 32);
    for (const FxProgram& program : bank.programs)
        write_program(w, identity, program);
    w.patch_byte_size(0);
    return w.bytes;
}

bool decode_fxp(const std::vector<uint8_t>& bytes, FxIdentity& identity, FxProgram& program,
                std::string& error) {
    Reader r(bytes, 0);
    return read_program(r, identity, program, error);
}

bool decode_fxb(const std::vector<uint8_t>& bytes, FxIdentity& identity, FxBank& bank,
                std::string& error) {
    Reader r(bytes, 0);
    if (!r.has(kFxBankHeaderSize)) {
        error = "the bank is cut short";
        return false;
    }
    if (r.i32() != cMagic) {
        error = "not a bank file (no 'CcnK' chunk)";
        return false;
    }
    r.skip(4);
    const VstInt32 magic = r.i32();
    if (magic == chunkBankMagic) {
        error = "the bank is stored as an opaque chunk; only parameter values can be loaded";
        return false;
    }
    if (magic != bankMagic) {
        error = "not a bank of programs (no 'FxBk' magic)";
        return false;
    }
    const VstInt32 format = r.i32();
    identity.unique_id = r.i32();
    identity.version = r.i32();
    const VstInt32 count = r.i32();
    const VstInt32 current = r.i32();
    if (count < 0 || count > kMaxCount) {
        error = "the bank's program count is not plausible";
        return false;
    }
    bank.current_program = format >= 2 ? current : 0;
    r.skip(kFxBankHeaderSize - 32);
    bank.programs.assign(static_cast<size_t>(count), FxProgram{});
    for (VstInt32 i = 0; i < count; ++i) {
        FxIdentity inner;
        std::string why;
        if (!read_program(r, inner, bank.programs[static_cast<size_t>(i)], why)) {
            error = "program " + std::to_string(i) + " of the bank: " + why;
            return false;
        }
    }
    return true;
}

FxIdentity identity_of(HostedPlugin& plugin) {
    return {plugin.unique_id(), plugin.version()};
}

FxProgram read_current_program(HostedPlugin& plugin) {
    FxProgram program;
    const VstInt32 current = plugin.program();
    // The stored name, where the plug-in gives it, keeps names the plug-in only decorates for
    // display (a numbered default name) exactly as they are.
    if (!plugin.program_name_indexed(current, program.name)) program.name = plugin.program_name();
    for (VstInt32 i = 0; i < plugin.num_params(); ++i)
        program.values.push_back(plugin.parameter(i));
    return program;
}

FxBank read_bank(HostedPlugin& plugin) {
    FxBank bank;
    const VstInt32 current = plugin.program();
    bank.current_program = current;
    for (VstInt32 i = 0; i < plugin.num_programs(); ++i) {
        plugin.set_program(i);
        bank.programs.push_back(read_current_program(plugin));
    }
    plugin.set_program(current);
    return bank;
}

namespace {

VstIntPtr announce_load(HostedPlugin& plugin, VstInt32 opcode, VstInt32 elements) {
    VstPatchChunkInfo info{};
    info.version = 1;
    info.pluginUniqueID = plugin.unique_id();
    info.pluginVersion = plugin.version();
    info.numElements = elements;
    return plugin.dispatch(opcode, 0, 0, &info);
}

void apply_values(HostedPlugin& plugin, const FxProgram& program) {
    plugin.set_program_name(program.name);
    const size_t count = std::min(program.values.size(), static_cast<size_t>(plugin.num_params()));
    for (size_t i = 0; i < count; ++i)
        plugin.set_parameter(static_cast<VstInt32>(i), program.values[i]);
}

} // namespace

bool apply_program(HostedPlugin& plugin, const FxProgram& program, std::string& error) {
    if (announce_load(plugin, effBeginLoadProgram, static_cast<VstInt32>(program.values.size())) ==
        -1) {
        error = "the plug-in refused the program";
        return false;
    }
    apply_values(plugin, program);
    return true;
}

bool apply_bank(HostedPlugin& plugin, const FxBank& bank, std::string& error) {
    if (announce_load(plugin, effBeginLoadBank, static_cast<VstInt32>(bank.programs.size())) ==
        -1) {
        error = "the plug-in refused the bank";
        return false;
    }
    const size_t count = std::min(bank.programs.size(), static_cast<size_t>(plugin.num_programs()));
    for (size_t i = 0; i < count; ++i) {
        plugin.set_program(static_cast<VstInt32>(i));
        apply_values(plugin, bank.programs[i]);
    }
    const VstInt32 current =
        bank.current_program >= 0 && static_cast<size_t>(bank.current_program) < count
            ? bank.current_program
            : 0;
    plugin.set_program(current);
    return true;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot find '" + path + "'";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "'" + path + "' is not a file";
        return false;
    }
    // Far beyond any program or bank: a file this large was named by mistake.
    constexpr off_t kMaxBytes = off_t{256} << 20;
    if (info.st_size > kMaxBytes) {
        error = "'" + path + "' is too large for a program or bank file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "'";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

} // namespace corvane::tools
