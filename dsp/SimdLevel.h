// SPDX-License-Identifier: ISC
// Which instruction set the hot kernels of the transform and the engine use.
// The choice is made once, when an object is built, from the CPU's features;
// tests and benchmarks may ask for a particular one. Every level gives
// bit-identical results: the vector kernels perform the scalar reference's
// float and double operations in the same order.
#pragma once

enum class SimdLevel {
    Reference, // the plain scalar code
    Sse2,      // 128-bit vectors, on every x86 build
    Avx2,      // 256-bit vectors with FMA (contraction stays off)
    Wasm128,   // 128-bit vectors in generic form: WebAssembly SIMD in the browser's
               // module, built natively as well for the tests
    Best,      // the widest the CPU has
};

// What `wanted` becomes on this CPU: Best picks the widest of the CPU's own
// instruction sets (in the browser's module, WebAssembly SIMD); a level the CPU
// (or the build) lacks falls back to the widest below it.
SimdLevel ResolveSimdLevel(SimdLevel wanted);

// Whether the CPU and this build can run the level.
bool SimdLevelAvailable(SimdLevel level);

const char* SimdLevelName(SimdLevel level);
