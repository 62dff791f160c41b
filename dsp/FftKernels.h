// SPDX-License-Identifier: ISC
// The radix-2 passes of TRealFFT (levels 3 and up), as a table of functions
// chosen when the transform is built: the scalar reference or a vector version
// for the CPU's instruction set. All give bit-identical spectra.
#pragma once

#include "dsp/SimdLevel.h"

#include <cstdint>

struct FftKernels {
    // One pass at `level` (block half-length m = 2^level) over `length` values,
    // from S into D, with that level's cosines, and the same cosines followed by
    // the sines as doubles (see TRealFFT::LevelTwiddles; the reference passes
    // take the floats only).
    void (*forwardPass)(float* D, const float* S, int32_t length, int32_t level,
                        const float* cosine, const double* twiddles);
    void (*inversePass)(float* D, const float* S, int32_t length, int32_t level,
                        const float* cosine, const double* twiddles);
    // The forward transform's first four passes (the bit-reversed gather, the
    // fused passes 1 and 2, pass 3 and the level-3 pass) from the signal into
    // `out`, the array the level-3 pass writes.
    void (*forwardHead)(float* out, const float* signal, int32_t length, const int32_t* reversed,
                        const float* level3, float sqrt2Over2);
    // Their mirror: the level-3 pass, the mirror of pass 3 and the scatter into
    // the signal, reading what the level-4 pass wrote (or the spectrum).
    void (*inverseTail)(float* signal, const float* in, int32_t length, const int32_t* reversed,
                        const float* level3, float sqrt2Over2);
    // The shortest length the two serve (their vectors need 16 blocks); 0 for
    // none: the transform then runs those passes itself.
    int32_t shortestFused;
};

// The reference passes.
const FftKernels& ReferenceFftKernels();
// The vector passes; only on x86 builds (TAPESTRUM_HAVE_SIMD).
const FftKernels& Sse2FftKernels();
const FftKernels& Avx2FftKernels();
// The WebAssembly passes, in every build (see SimdArch_wasm.h).
const FftKernels& Wasm128FftKernels();

// The kernels of a level (resolved with ResolveSimdLevel first).
const FftKernels& FftKernelsFor(SimdLevel level);
