// SPDX-License-Identifier: ISC
// The symmetric Hann window the engine applies at analysis and again at
// overlap-add.
#pragma once

#include <cstdint>

// values[i] := 0.5 - 0.5 cos(2 pi i / (count - 1)) for i = 0 .. count - 1, the
// angle taken at extended precision, so both end values are 0. A count of 0 or
// less writes nothing; a count of 1 makes the only angle 0/0, and the guarded
// cosine throws EMathDomainError before anything is written.
void FillHannWindow(float* values, int32_t count);
