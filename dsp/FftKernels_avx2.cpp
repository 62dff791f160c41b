// SPDX-License-Identifier: ISC
// The AVX2 build of the transform's vector passes (compiled with -mavx2 -mfma
// -ffp-contract=off, and called only on CPUs that have both).
#include "dsp/FftKernels.h"
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_avx2.h"

namespace {
using Wide = V8;
} // namespace

#include "dsp/FftKernels.inl"

const FftKernels& Avx2FftKernels() {
    static const FftKernels kernels{ForwardPassVector, InversePassVector, ForwardHeadVector,
                                    InverseTailVector, kShortestFused};
    return kernels;
}
