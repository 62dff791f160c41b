// SPDX-License-Identifier: ISC
// Program files (.fxp) and bank files (.fxb), the files VST 2 hosts save and
// load for a plug-in's parameters: big-endian throughout, a 'CcnK' chunk whose
// form 'FxCk' holds one program as floats and 'FxBk' a bank of such programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PluginInstance;

struct ProgramData {
    int32_t pluginId = 0;      // the record's uniqueID
    int32_t pluginVersion = 0; // the record's version
    std::string name;          // at most 27 characters are stored
    std::vector<float> values; // one per parameter, in index order
};

// The bytes of a program file ('FxCk').
std::vector<uint8_t> EncodeProgramFile(const ProgramData& program);

// Reads a program file, or the program a bank file names (its current one, or
// its first in format 1). `label` names the file in messages. Throws ToolError
// (exit status 1) with one line for anything malformed.
ProgramData DecodeProgramFile(const std::vector<uint8_t>& bytes, const std::string& label);
ProgramData ReadProgramFile(const std::string& path);

// Writes the bytes to a temporary file beside the path and renames it over the
// path, so that the file appears only when complete. Throws ToolError.
void WriteProgramFile(const std::string& path, const ProgramData& program);

// Throws ToolError when the program is for another plug-in or another number
// of parameters than the instance has; otherwise sets the values in index
// order and the program's name, as a host loads a program file.
void LoadProgram(PluginInstance& instance, const ProgramData& program, const std::string& label);

// The program an instance holds now, as a host saves it: its read-back values
// and the name of its current program.
ProgramData SaveProgram(PluginInstance& instance);

// A four-character identifier as text, with '?' for what is not printable.
std::string FourCharText(int32_t id);
