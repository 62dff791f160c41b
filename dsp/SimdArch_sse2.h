// SPDX-License-Identifier: ISC
// The 128-bit vocabulary of the vector kernels: float vectors of 4 lanes,
// double vectors of 2. Included by the SSE2 translation units only; everything
// here has internal linkage, so that no definition is shared with (or taken
// from) a unit built for another instruction set.
#pragma once

#include "dsp/SimdLanes4.h"

#include <emmintrin.h>
#include <xsimd/xsimd.hpp>

namespace {

namespace simd = xsimd;
using Arch = xsimd::sse2;
using F = xsimd::batch<float, Arch>;
using D = xsimd::batch<double, Arch>;

// The low and high halves of a float vector, exactly, as doubles.
inline D WidenLow(F v) { return _mm_cvtps_pd(v); }
inline D WidenHigh(F v) {
    const __m128 r = v;
    return _mm_cvtps_pd(_mm_movehl_ps(r, r));
}

// Rounds two double vectors to one float vector (low half from `low`).
inline F Narrow(D low, D high) { return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)); }

// Lanes of `yes` where `signs` has its sign bit set, of `no` elsewhere.
inline D SelectBySign(D signs, D yes, D no) {
    const __m128i high = _mm_shuffle_epi32(_mm_castpd_si128(signs), _MM_SHUFFLE(3, 3, 1, 1));
    const __m128d mask = _mm_castsi128_pd(_mm_srai_epi32(high, 31));
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}

// Lanes of `yes` where `mask` holds, of `no` elsewhere.
template <class T>
inline xsimd::batch<T, Arch> Select(xsimd::batch_bool<T, Arch> mask, xsimd::batch<T, Arch> yes,
                                    xsimd::batch<T, Arch> no) {
    return xsimd::select(mask, yes, no);
}

// Lanes of x where x < y, of y elsewhere (where they are equal or either is
// NaN): the instructions' own rule.
inline D LesserLanes(D x, D y) { return _mm_min_pd(x, y); }
// Lanes of x where x > y, of y elsewhere.
inline D GreaterLanes(D x, D y) { return _mm_max_pd(x, y); }

// Doubles truncated to integers, an odd one moved a step away from zero, and
// back (valid where |x| < 2^30).
inline D TruncatedToEven(D v) { return _mm_cvtepi32_pd(EvenAwayFromZero(_mm_cvttpd_epi32(v))); }

// The engine's fast square root on every lane: the bit pattern's offset from
// the bias halved, ties to even (see FastSqrt).
inline F FastSqrtLanes(F x) {
    const __m128i bias = _mm_set1_epi32(0x3F77AB65);
    const __m128i t = _mm_sub_epi32(_mm_castps_si128(x), bias);
    __m128i h = _mm_srai_epi32(t, 1);
    h = _mm_add_epi32(h, _mm_and_si128(_mm_and_si128(t, h), _mm_set1_epi32(1)));
    return _mm_castsi128_ps(_mm_add_epi32(h, bias));
}

} // namespace
