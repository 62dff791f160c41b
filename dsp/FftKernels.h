// The radix-2 passes of TRealFFT (levels 3 and up), as a table of functions
// chosen when the transform is built: the scalar reference or a vector version
// for the CPU's instruction set. All give bit-identical spectra.
#pragma once

#include "dsp/SimdLevel.h"

#include <cstdint>

struct FftKernels {
    // One pass at `level` (block half-length m = 2^level) over `length` values,
    // from S into D, with that level's cosines.
    void (*forwardPass)(float* D, const float* S, int32_t length, int32_t level,
                        const float* cosine);
    void (*inversePass)(float* D, const float* S, int32_t length, int32_t level,
                        const float* cosine);
};

// The reference passes.
const FftKernels& ReferenceFftKernels();
// The vector passes; only on x86 builds (TAPESTRUM_HAVE_SIMD).
const FftKernels& Sse2FftKernels();
const FftKernels& Avx2FftKernels();

// The kernels of a level (resolved with ResolveSimdLevel first).
const FftKernels& FftKernelsFor(SimdLevel level);
