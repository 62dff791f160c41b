// SPDX-License-Identifier: ISC
#include "tools/ProgramFile.h"

#include "tools/PartialFiles.h"
#include "tools/ToolError.h"
#include "tools/hosting/PluginHost.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

constexpr uint32_t FourCC(const char (&text)[5]) {
    return (uint32_t(uint8_t(text[0])) << 24) | (uint32_t(uint8_t(text[1])) << 16) |
           (uint32_t(uint8_t(text[2])) << 8) | uint32_t(uint8_t(text[3]));
}

constexpr uint32_t kChunkMagic = FourCC("CcnK");
constexpr uint32_t kProgramForm = FourCC("FxCk");
constexpr uint32_t kBankForm = FourCC("FxBk");
constexpr uint32_t kProgramChunkForm = FourCC("FPCh");
constexpr uint32_t kBankChunkForm = FourCC("FBCh");

constexpr size_t kNameBytes = 28;
constexpr size_t kProgramHeader = 56; // up to the first value
constexpr size_t kBankHeader = 156;   // up to the first program
constexpr size_t kSizeFieldEnd = 8;   // the byte size counts what follows it

// Reads big-endian fields of a file held in memory.
class Reader {
  public:
    Reader(const std::vector<uint8_t>& bytes, size_t start) : bytes(bytes), start(start) {}
    uint32_t word(size_t offset) const {
        const size_t at = start + offset;
        return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
               (uint32_t(bytes[at + 2]) << 8) | uint32_t(bytes[at + 3]);
    }
    int32_t integer(size_t offset) const { return static_cast<int32_t>(word(offset)); }
    float real(size_t offset) const {
        const uint32_t bits = word(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string text(size_t offset, size_t length) const {
        const auto* first = reinterpret_cast<const char*>(bytes.data() + start + offset);
        return std::string(first, strnlen(first, length));
    }
    size_t available() const { return bytes.size() - start; }

  private:
    const std::vector<uint8_t>& bytes;
    size_t start;
};

void PutWord(std::vector<uint8_t>& bytes, uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(word >> shift));
}

[[noreturn]] void Malformed(const std::string& label, const std::string& what) {
    throw ToolError(label + " " + what);
}

// Checks the chunk header at the reader's start: the magic, the form and the
// byte size against the bytes there are (`exact`: against the whole rest of
// the file, as for a file of its own). Returns the form.
uint32_t CheckChunk(const Reader& chunk, const std::string& label, bool exact) {
    if (chunk.available() < 12 || chunk.word(0) != kChunkMagic)
        Malformed(label, "is not a program or bank file: it does not start with 'CcnK'");
    const uint32_t form = chunk.word(8);
    if (form == kProgramChunkForm || form == kBankChunkForm)
        Malformed(label, "stores an opaque chunk, which this plug-in does not use");
    if (form != kProgramForm && form != kBankForm)
        Malformed(label, "has the form '" + FourCharText(static_cast<int32_t>(form)) +
                             "', not a program ('FxCk') or a bank ('FxBk')");
    const size_t header = form == kProgramForm ? kProgramHeader : kBankHeader;
    if (chunk.available() < header)
        Malformed(label, "is shorter than its header: " + std::to_string(chunk.available()) +
                             " bytes, not " + std::to_string(header));
    const uint64_t size = uint64_t{chunk.word(4)} + kSizeFieldEnd;
    if (size > chunk.available())
        Malformed(label, "is shorter than its header says: " + std::to_string(chunk.available()) +
                             " bytes, not " + std::to_string(size));
    if (exact && size != chunk.available())
        Malformed(label, "has a byte size (" + std::to_string(chunk.word(4)) +
                             ") that disagrees with the file (" +
                             std::to_string(chunk.available()) + " bytes)");
    return form;
}

ProgramData DecodeProgram(const Reader& chunk, const std::string& label) {
    const int32_t version = chunk.integer(12);
    if (version != 1)
        Malformed(label, "has program format version " + std::to_string(version) + ", not 1");
    const uint32_t count = chunk.word(24);
    const uint64_t needed = kProgramHeader + uint64_t{count} * 4;
    const uint64_t size = uint64_t{chunk.word(4)} + kSizeFieldEnd;
    if (needed > size)
        Malformed(label, "is shorter than its values: " + std::to_string(count) +
                             " parameters need " + std::to_string(needed) + " bytes, it has " +
                             std::to_string(size));
    if (needed != size)
        Malformed(label, "has a byte size (" + std::to_string(chunk.word(4)) +
                             ") that disagrees with its " + std::to_string(count) + " parameters");
    ProgramData program;
    program.pluginId = chunk.integer(16);
    program.pluginVersion = chunk.integer(20);
    program.name = chunk.text(28, kNameBytes);
    for (uint32_t i = 0; i < count; ++i)
        program.values.push_back(chunk.real(kProgramHeader + 4 * size_t{i}));
    return program;
}

} // namespace

std::string FourCharText(int32_t id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        text += (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

std::vector<uint8_t> EncodeProgramFile(const ProgramData& program) {
    std::vector<uint8_t> bytes;
    PutWord(bytes, kChunkMagic);
    PutWord(bytes,
            static_cast<uint32_t>(kProgramHeader - kSizeFieldEnd + 4 * program.values.size()));
    PutWord(bytes, kProgramForm);
    PutWord(bytes, 1);
    PutWord(bytes, static_cast<uint32_t>(program.pluginId));
    PutWord(bytes, static_cast<uint32_t>(program.pluginVersion));
    PutWord(bytes, static_cast<uint32_t>(program.values.size()));
    const std::string name = program.name.substr(0, kNameBytes - 1);
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.resize(kProgramHeader, 0);
    for (const float value : program.values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        PutWord(bytes, bits);
    }
    return bytes;
}

ProgramData DecodeProgramFile(const std::vector<uint8_t>& bytes, const std::string& label) {
    const Reader file(bytes, 0);
    if (CheckChunk(file, label, true) == kProgramForm) return DecodeProgram(file, label);

    const int32_t version = file.integer(12);
    if (version != 1 && version != 2)
        Malformed(label, "has bank format version " + std::to_string(version) + ", not 1 or 2");
    const int32_t programs = file.integer(24);
    if (programs < 1) Malformed(label, "is a bank without programs");
    const int32_t wanted = version == 2 ? file.integer(28) : 0;
    if (wanted < 0 || wanted >= programs)
        Malformed(label, "names program " + std::to_string(wanted) + " as its current one, of " +
                             std::to_string(programs));
    size_t at = kBankHeader;
    for (int32_t p = 0;; ++p) {
        const std::string programLabel = label + " (program " + std::to_string(p) + ")";
        const Reader program(bytes, at);
        if (CheckChunk(program, programLabel, false) != kProgramForm)
            Malformed(programLabel, "is not a program ('FxCk')");
        if (p == wanted) {
            ProgramData data = DecodeProgram(program, programLabel);
            if (data.pluginId != file.integer(16))
                Malformed(programLabel, "is for plug-in '" + FourCharText(data.pluginId) +
                                            "', not the bank's '" + FourCharText(file.integer(16)) +
                                            "'");
            return data;
        }
        at += size_t{program.word(4)} + kSizeFieldEnd;
    }
}

// Program and bank files are small: a larger file (or an endless stream such as
// a device) is refused by its size before it is read, or else once it has
// given more than this.
constexpr uintmax_t kMaxProgramFileBytes = uintmax_t{64} << 20;

ProgramData ReadProgramFile(const std::string& path) {
    const std::string tooLarge = path + " is larger than any program or bank file (64 MiB)";
    std::error_code noSize;
    if (std::filesystem::file_size(path, noSize) > kMaxProgramFileBytes && !noSize)
        throw ToolError(tooLarge);
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ToolError("cannot read '" + path + "'");
    std::vector<uint8_t> bytes;
    char block[1 << 16];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        const auto count = static_cast<size_t>(file.gcount());
        if (bytes.size() + count > kMaxProgramFileBytes) throw ToolError(tooLarge);
        bytes.insert(bytes.end(), block, block + count);
    }
    if (file.bad()) throw ToolError("cannot read '" + path + "'");
    return DecodeProgramFile(bytes, path);
}

void WriteProgramFile(const std::string& path, const ProgramData& program) {
    const std::vector<uint8_t> bytes = EncodeProgramFile(program);
    const std::string temporary = path + ".partial-" + std::to_string(getpid());
    const PartialFile partial(temporary);
    std::ofstream file(temporary, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw ToolError("cannot write '" + path + "'");
    }
}

void LoadProgram(PluginInstance& instance, const ProgramData& program, const std::string& label) {
    const AEffect& record = instance.record();
    if (program.pluginId != record.uniqueID)
        throw ToolError(label + " is for plug-in '" + FourCharText(program.pluginId) + "', not '" +
                        FourCharText(record.uniqueID) + "'");
    if (program.values.size() != static_cast<size_t>(record.numParams))
        throw ToolError(label + " holds " + std::to_string(program.values.size()) +
                        " parameters, the plug-in has " + std::to_string(record.numParams));
    for (size_t i = 0; i < program.values.size(); ++i)
        instance.setParameter(static_cast<int32_t>(i), program.values[i]);
    instance.setProgramName(program.name);
}

ProgramData SaveProgram(PluginInstance& instance) {
    ProgramData program;
    program.pluginId = instance.record().uniqueID;
    program.pluginVersion = instance.record().version;
    program.name = instance.programName();
    for (int32_t i = 0; i < instance.parameterCount(); ++i)
        program.values.push_back(instance.parameter(i));
    return program;
}
