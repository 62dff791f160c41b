// SPDX-License-Identifier: ISC
// The SSE2 build of the engine's vector kernels, and the choice of kernels.
#include "engine/HopKernels.h"

#if defined(TAPESTRUM_HAVE_SIMD)
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_sse2.h"

#include "engine/HopKernels.inl"

const HopKernels& Sse2HopKernels() { return kVectorHopKernels; }
#endif

const HopKernels& HopKernelsFor(SimdLevel level) {
#if defined(TAPESTRUM_HAVE_SIMD)
    if (level == SimdLevel::Avx2) return Avx2HopKernels();
    if (level == SimdLevel::Sse2) return Sse2HopKernels();
#endif
    if (level == SimdLevel::Wasm128) return Wasm128HopKernels();
    return ReferenceHopKernels();
}
