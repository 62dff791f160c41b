// SPDX-License-Identifier: ISC
// The AVX2 build of the engine's vector kernels (compiled with -mavx2 -mfma
// -ffp-contract=off, and called only on CPUs that have both).
#include "engine/HopKernels.h"
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_avx2.h"

#include "engine/HopKernels.inl"

const HopKernels& Avx2HopKernels() { return kVectorHopKernels; }
