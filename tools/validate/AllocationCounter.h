// SPDX-License-Identifier: ISC
// Counts heap allocations and frees made on one thread while a plug-in call runs,
// and the bytes live on the heap. The validator's program replaces malloc,
// calloc, realloc, free and the global operator new and delete, which then serve
// every module it loads as well.
#pragma once

#include <cstddef>
#include <cstdint>

namespace AllocationCounter {

// Whether this build replaces the allocator (builds with a sanitizer do not:
// the sanitizer has replaced it already).
bool Available();

// Starts and stops counting on the calling thread.
void Begin();
// The allocations, reallocations and frees made on the calling thread since
// Begin, which it also stops.
uint64_t End();

// Bytes allocated and not yet freed, on all threads.
int64_t LiveBytes();

} // namespace AllocationCounter
