// SPDX-License-Identifier: ISC
// The format's preset file (.vstpreset): one class's saved state, as hosts
// load it through their preset browsers. All numbers are little-endian.
//
//   offset  size  field
//   0       4     "VST3"
//   4       4     version, 1
//   8       32    the processor's class identifier: its four 32-bit words, each
//                 as 8 upper-case hexadecimal digits
//   40      8     the offset of the chunk list
//   48      ...   the chunks' data, one after the other
//   list    4     "List"
//   list+4  4     entry count n
//   list+8  20n   per chunk: its 4-character id, the 64-bit offset and the
//                 64-bit size of its data
//
// The chunk "Comp" holds what the processor's getState writes (the effect's
// state block), "Cont" what the controller's getState writes. A host loads a
// preset by giving "Comp" to the processor's setState and its controller's
// setComponentState, then "Cont", where there is one, to the controller's
// setState.
#pragma once

#include "vst3/Vst3Interface.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vst3 {

inline constexpr size_t kPresetHeaderSize = 48;
inline constexpr uint32_t kPresetFileVersion = 1;

// What a preset file holds for this face.
struct PresetContents {
    Uid classId{};
    std::vector<uint8_t> componentState;  // the "Comp" chunk
    std::vector<uint8_t> controllerState; // the "Cont" chunk; empty without one
};

// The class identifier as a preset file writes it: 32 hexadecimal digits, the
// same on every platform whatever the identifier's byte layout there.
std::string ClassIdText(const Uid& classId);

// A preset file of the class with the component's state as its only chunk.
std::vector<uint8_t> WritePresetFile(const Uid& classId, std::span<const uint8_t> componentState);

// The file's class and states, or nothing when it is not a whole, valid preset
// file: shorter than its header, another magic or version, a class identifier
// that is not 32 hexadecimal digits, a chunk list or a chunk that does not lie
// within the file, a chunk named twice, or no "Comp" chunk. Chunks of other
// names are passed over.
std::optional<PresetContents> ReadPresetFile(std::span<const uint8_t> file);

} // namespace vst3
