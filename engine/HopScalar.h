// SPDX-License-Identifier: ISC
// The scalar arithmetic of one sample or one bin, exactly as the reference
// performs it. The vector kernels use it for the lanes they leave to the
// scalar code (the ends of a range, and the rare values their fast math cannot
// round with certainty). Everything here has internal linkage, so that each
// unit has its own copy, built for its own instruction set.
#pragma once

#include "engine/FastSqrt.h"
#include "engine/HopKernels.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// Brings a phase deviation into -pi .. pi by removing an even number of half
// turns: q = d / pi truncated, moved one step away from zero when odd. A
// deviation that is not finite (or absurdly large) never reaches the integer
// conversion; it counts as no deviation.
inline double WrapPhase(double d) {
    const double turns = std::trunc(d / kPi);
    if (!(std::fabs(turns) < 1073741824.0)) return 0.0;
    auto q = static_cast<int32_t>(turns);
    q = q >= 0 ? q + (q & 1) : q - (q & 1);
    return d - q * kPi;
}

inline float Analysed(float x, float recAmp) {
    return std::fabs(x) <= kLoudestAnalysedSample
               ? static_cast<float>(static_cast<double>(x) * recAmp)
               : 0.0f;
}

inline float Mixed(float x, float wetSample, float wet, float outAmp, float dry) {
    return static_cast<float>(static_cast<double>(wet) * wetSample * outAmp * kOutputScale +
                              static_cast<double>(dry) * x);
}

inline float Magnitude(double re, double im) {
    return 2.0f * FastSqrt(static_cast<float>(re * re + im * im));
}

inline float Phase(double re, double im) { return static_cast<float>(std::atan2(im, re)); }

// The frequency of bin j from its phase now and at its last analysis.
inline float Frequency(int32_t j, float phase, float lastPhase, float width, float step,
                       float binFactor) {
    auto deviation = static_cast<float>(static_cast<double>(phase) - lastPhase);
    deviation = static_cast<float>(deviation - j * static_cast<double>(step));
    return static_cast<float>(j * static_cast<double>(width) + WrapPhase(deviation) * binFactor);
}

// Frequencies recorded at a wildly different sample rate can drive a phase
// beyond the float range; it restarts from 0 rather than poisoning the bin.
inline float AdvancedPhase(int32_t j, float phase, float frequency, float width, float step,
                           float synthFactor) {
    const auto next =
        static_cast<float>(phase + (frequency - j * static_cast<double>(width)) * synthFactor +
                           j * static_cast<double>(step));
    return std::isfinite(next) ? next : 0.0f;
}

inline float CosineTimes(float phase, double m) {
    return static_cast<float>(std::cos(static_cast<double>(phase)) * m);
}
inline float SineTimes(float phase, double m) {
    return static_cast<float>(std::sin(static_cast<double>(phase)) * m);
}

inline float OverlapAdded(float accum, float frame, float window) {
    return static_cast<float>(accum + static_cast<double>(frame) * window);
}

// Whether x is subnormal, read from its bits: with subnormal numbers flushed,
// a comparison would take it as 0.
inline bool IsSubnormal(float x) {
    return (std::bit_cast<uint32_t>(x) & 0x7FFFFFFFu) - 1u < 0x007FFFFFu;
}

// One step of the level sum: sum + |x|, and whether x was subnormal. Nonnegative
// sums of normal numbers and zeros stay normal or zero, so without a subnormal
// operand flushing changes none of them.
inline float LevelAdded(float sum, float x, bool& subnormal) {
    subnormal = subnormal || IsSubnormal(x);
    return sum + std::fabs(x);
}

} // namespace
