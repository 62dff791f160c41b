// SPDX-License-Identifier: ISC
#include "engine/HannWindow.h"

#include "dsp/GuardedMath.h"

void FillHannWindow(float* values, int32_t count) {
    constexpr Extended kTwoPi = 6.283185307179586477L;
    const float span = static_cast<float>(count - 1);
    for (int32_t i = 0; i < count; ++i) {
        const Extended angle = (static_cast<Extended>(i) * kTwoPi) / span;
        values[i] = static_cast<float>(0.5L - 0.5L * GuardedCos(angle));
    }
}
