// SPDX-License-Identifier: ISC
// The engine's square root for magnitudes, computed on the bit pattern: halving
// the exponent-and-mantissa word relative to a bias gives a root within about
// 3.1 % below and 3.8 % above the true one (fastSqrt(1) = 0.98372954,
// fastSqrt(4) = 1.9674591, fastSqrt(0) = 7.955e-20). The recorded magnitudes are
// built from exactly this approximation.
#pragma once

#include <bit>
#include <cstdint>

// Internal linkage: the vector units that use it are built for other
// instruction sets, and no copy may be shared between them.
namespace {

inline float FastSqrt(float x) {
    constexpr uint32_t kBias = 0x3F77AB65u;
    const auto t = static_cast<int32_t>(std::bit_cast<uint32_t>(x) - kBias);
    // t * 0.5 rounded to the nearest integer, ties to even.
    int32_t h = t >> 1; // floor(t / 2)
    if ((t & 1) && (h & 1)) h += 1;
    return std::bit_cast<float>(static_cast<uint32_t>(h) + kBias);
}

} // namespace
