// SPDX-License-Identifier: ISC
// Four float lanes as raw SSE registers, for the transform's passes, and the
// integer lanes of the phase wrap; included by each x86 vocabulary. Everything
// here has internal linkage: each unit compiles its own copy, with its own
// instruction encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

namespace {

// Integer lanes q with each odd one moved a step away from zero: q + 1 for
// q > 0, q - 1 for q < 0.
inline __m128i EvenAwayFromZero(__m128i q) {
    const __m128i odd = _mm_and_si128(q, _mm_set1_epi32(1));
    const __m128i sign = _mm_srai_epi32(q, 31);
    return _mm_add_epi32(q, _mm_sub_epi32(_mm_xor_si128(odd, sign), sign));
}

struct V4 {
    using F = __m128;
    using D = __m128d;
    static constexpr int32_t size = 4;
    static F Load(const float* p) { return _mm_loadu_ps(p); }
    static void Store(float* p, F v) { _mm_storeu_ps(p, v); }
    static F Reverse(F v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)); }
    static D Low(F v) { return _mm_cvtps_pd(v); }
    static D High(F v) { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }
    static F Narrow(D low, D high) { return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)); }
    static F Broadcast(float v) { return _mm_set1_ps(v); }
    // A twiddle factor's four lanes as doubles, in the halves Low and High give.
    static void LoadTwiddleHalves(const double* p, D& low, D& high) {
        low = _mm_loadu_pd(p);
        high = _mm_loadu_pd(p + 2);
    }
    static constexpr bool pairsBlocks = false;
    static constexpr int32_t blocks = 1; // blocks side by side
    // a b - c d and a b + c d on doubles widened from floats, whose products are
    // exact: a fused multiply-add then gives the same double as the rounded sum
    // of the two products.
#if defined(__FMA__)
    static D ProductsDifference(D a, D b, D c, D d) { return _mm_fmsub_pd(a, b, _mm_mul_pd(c, d)); }
    static D ProductsSum(D a, D b, D c, D d) { return _mm_fmadd_pd(a, b, _mm_mul_pd(c, d)); }
#else
    static D ProductsDifference(D a, D b, D c, D d) { return a * b - c * d; }
    static D ProductsSum(D a, D b, D c, D d) { return a * b + c * d; }
#endif
    // rows[k] lane l becomes rows[l] lane k.
    static void Transpose(F* rows) { _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]); }
};

} // namespace
