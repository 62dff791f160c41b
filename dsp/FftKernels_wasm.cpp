// SPDX-License-Identifier: ISC
// The WebAssembly build of the transform's vector passes (compiled with
// -msimd128 for the browser's module; natively for the tests, see
// SimdArch_wasm.h; -ffp-contract=off in both).
#include "dsp/FftKernels.h"
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_wasm.h"

namespace {
using Wide = V4;
} // namespace

#include "dsp/FftKernels.inl"

const FftKernels& Wasm128FftKernels() {
    static const FftKernels kernels{ForwardPassVector, InversePassVector, ForwardHeadVector,
                                    InverseTailVector, kShortestFused};
    return kernels;
}
