// SPDX-License-Identifier: ISC
// The WebAssembly build of the engine's vector kernels (compiled with
// -msimd128 for the browser's module; natively for the tests, see
// SimdArch_wasm.h; -ffp-contract=off in both).
#include "engine/HopKernels.h"
// The vector vocabulary of this unit's instruction set, then the kernels
// written in it.
#include "dsp/SimdArch_wasm.h"

#include "engine/HopKernels.inl"

const HopKernels& Wasm128HopKernels() { return kVectorHopKernels; }
