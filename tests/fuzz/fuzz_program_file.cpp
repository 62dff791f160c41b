// SPDX-License-Identifier: ISC
// Program and bank files as a host or a user hands them to the offline host:
// any bytes are decoded; a malformed file is refused with ToolError, and a
// file that decodes is written back and read again unchanged.
#include "tools/ProgramFile.h"
#include "tools/ToolError.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    ProgramData program;
    try {
        program = DecodeProgramFile(bytes, "fuzz.fxp");
    } catch (const ToolError&) {
        return 0;
    }
    // The program file written from what was read holds the same program (the
    // name cut to the 27 characters a file keeps with its terminating zero).
    const ProgramData again = DecodeProgramFile(EncodeProgramFile(program), "again.fxp");
    if (again.pluginId != program.pluginId || again.pluginVersion != program.pluginVersion ||
        again.name != program.name.substr(0, 27) || again.values.size() != program.values.size())
        std::abort();
    for (size_t i = 0; i < program.values.size(); ++i)
        if (!SameBits(again.values[i], program.values[i])) std::abort();
    return 0;
}
