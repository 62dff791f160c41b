// SPDX-License-Identifier: ISC
// The SSE2 build of the transform's vector passes, and the choice of kernels.
#include "dsp/FftKernels.h"

#if defined(TAPESTRUM_HAVE_SIMD)
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_sse2.h"

namespace {
using Wide = V4;
} // namespace

#include "dsp/FftKernels.inl"

const FftKernels& Sse2FftKernels() {
    static const FftKernels kernels{ForwardPassVector, InversePassVector, ForwardHeadVector,
                                    InverseTailVector, kShortestFused};
    return kernels;
}
#endif

const FftKernels& FftKernelsFor(SimdLevel level) {
#if defined(TAPESTRUM_HAVE_SIMD)
    if (level == SimdLevel::Avx2) return Avx2FftKernels();
    if (level == SimdLevel::Sse2) return Sse2FftKernels();
#endif
    if (level == SimdLevel::Wasm128) return Wasm128FftKernels();
    return ReferenceFftKernels();
}
