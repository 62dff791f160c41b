// SPDX-License-Identifier: ISC
// The vector kernels of one level against the scalar reference, bit for bit,
// without a test framework: the native tests (engine/FastPathTest.cpp) and the
// WebAssembly module's build (web/test/KernelIdentity.cpp) run the same cases.
// Each returns the first difference as a sentence, or "" where every output
// bit agrees.
#pragma once

#include "dsp/SimdLevel.h"

#include <string>

// The transform at every length from 1 to 1024, forward and inverse, on values
// of every kind (10^6 of them at the engine's length).
std::string TransformDifference(SimdLevel level);

// The per-bin kernels on 10^6 bins each: analysis (512 atan2 a frame) of
// spectra with every kind of value, and synthesis (512 sine-cosine pairs) of
// phases over the whole float range up to 1e6 radians and beyond, NaN and
// infinities included.
std::string PhaseMathDifference(SimdLevel level);

// The overlap-add with the level sum alongside, on every count of samples from
// 0 to 256, inputs of every kind (subnormal ones included) and sums carried in.
std::string OverlapAddDifference(SimdLevel level);
