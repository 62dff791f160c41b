// SPDX-License-Identifier: ISC
// The kernel identity checks of the native tests (tests/support/
// KernelComparison.h) in a WebAssembly module built as the page's SIMD module
// is: wasm.test.mjs runs it under Node.js, where the WebAssembly kernels run
// on the engine that runs them in a browser.
#include "support/KernelComparison.h"

#include <string>

namespace {
std::string difference;
} // namespace

// The first difference of the WebAssembly kernels from the reference, as a
// terminated string in the module's memory ("" where every bit agrees).
extern "C" const char* kernel_identity() {
    difference = TransformDifference(SimdLevel::Wasm128);
    if (difference.empty()) difference = PhaseMathDifference(SimdLevel::Wasm128);
    if (difference.empty()) difference = OverlapAddDifference(SimdLevel::Wasm128);
    return difference.c_str();
}
