// SPDX-License-Identifier: ISC
// The way from a controller to the processor it edits, when both live in one
// process (one module): the processor sends its address in a message on
// connect, and the controller accepts the address only if it is one of this
// module's live processors. An address from another process, or from a
// processor already gone, finds nothing, and the editor then shows the
// controls without the loop.
//
// Threads: any; the list is guarded by a lock (never taken on the audio thread).
#pragma once

#include <cstdint>

namespace vst3 {

class Vst3Processor;

inline constexpr const char* kProcessorLinkMessage = "tapestrum.processor";
inline constexpr const char* kProcessorLinkAttribute = "address";

// A processor enters the list when made and leaves it before it is destroyed.
void EnterProcessor(Vst3Processor* processor);
void LeaveProcessor(Vst3Processor* processor);
// The live processor at `address` with a reference added, or null.
Vst3Processor* AcquireProcessor(int64_t address);

} // namespace vst3
