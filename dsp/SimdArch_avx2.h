// SPDX-License-Identifier: ISC
// The 256-bit vocabulary of the vector kernels: float vectors of 8 lanes,
// double vectors of 4. Included by the AVX2 translation units only, which are
// built with -mavx2 -mfma -ffp-contract=off; everything here has internal
// linkage, so that no definition is shared with a unit built for SSE2.
#pragma once

#include "dsp/SimdLanes4.h"

#include <immintrin.h>
#include <xsimd/xsimd.hpp>

namespace {

namespace simd = xsimd;
using Arch = xsimd::fma3<xsimd::avx2>;
using F = xsimd::batch<float, Arch>;
using D = xsimd::batch<double, Arch>;

inline D WidenLow(F v) { return _mm256_cvtps_pd(_mm256_castps256_ps128(v)); }
inline D WidenHigh(F v) { return _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)); }

inline F Narrow(D low, D high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high),
                                1);
}

// Lanes of `yes` where `signs` has its sign bit set, of `no` elsewhere. GCC 12
// turns the blend intrinsics into a comparison with zero and a blend; the
// instruction itself reads only the sign bits, so it is written out.
inline D SelectBySign(D signs, D yes, D no) {
    __m256d chosen;
    asm("vblendvpd %3, %2, %1, %0"
        : "=x"(chosen)
        : "x"(__m256d(no)), "x"(__m256d(yes)), "x"(__m256d(signs)));
    return chosen;
}
// Lanes of `yes` where `mask` holds, of `no` elsewhere.
inline D Select(xsimd::batch_bool<double, Arch> mask, D yes, D no) {
    return SelectBySign(D(__m256d(mask)), yes, no);
}
// Float lanes, which no kernel blends in its long chains, keep xsimd's blend.
inline F Select(xsimd::batch_bool<float, Arch> mask, F yes, F no) {
    return xsimd::select(mask, yes, no);
}

// Lanes of x where x < y, of y elsewhere (where they are equal or either is
// NaN): the instructions' own rule.
inline D LesserLanes(D x, D y) { return _mm256_min_pd(x, y); }
// Lanes of x where x > y, of y elsewhere.
inline D GreaterLanes(D x, D y) { return _mm256_max_pd(x, y); }

inline D TruncatedToEven(D v) {
    return _mm256_cvtepi32_pd(EvenAwayFromZero(_mm256_cvttpd_epi32(v)));
}

inline F FastSqrtLanes(F x) {
    const __m256i bias = _mm256_set1_epi32(0x3F77AB65);
    const __m256i t = _mm256_sub_epi32(_mm256_castps_si256(x), bias);
    __m256i h = _mm256_srai_epi32(t, 1);
    h = _mm256_add_epi32(h, _mm256_and_si256(_mm256_and_si256(t, h), _mm256_set1_epi32(1)));
    return _mm256_castsi256_ps(_mm256_add_epi32(h, bias));
}

struct V4Pair;

// Eight float lanes as raw AVX registers, for the transform's passes (V4,
// encoded with VEX here, serves the shorter blocks).
struct V8 {
    using F = __m256;
    using D = __m256d;
    static constexpr int32_t size = 8;
    static F Load(const float* p) { return _mm256_loadu_ps(p); }
    static void Store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F Reverse(F v) {
        return _mm256_permutevar8x32_ps(v, _mm256_set_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    static D Low(F v) { return _mm256_cvtps_pd(_mm256_castps256_ps128(v)); }
    static D High(F v) { return _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)); }
    static F Narrow(D low, D high) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)),
                                    _mm256_cvtpd_ps(high), 1);
    }
    static F Broadcast(float v) { return _mm256_set1_ps(v); }
    static void LoadTwiddleHalves(const double* p, D& low, D& high) {
        low = _mm256_loadu_pd(p);
        high = _mm256_loadu_pd(p + 4);
    }
    // As V4's: exact products, so one rounding after a fused multiply-add.
    static D ProductsDifference(D a, D b, D c, D d) {
        return _mm256_fmsub_pd(a, b, _mm256_mul_pd(c, d));
    }
    static D ProductsSum(D a, D b, D c, D d) { return _mm256_fmadd_pd(a, b, _mm256_mul_pd(c, d)); }
    // The level-4 pass's blocks (seven butterflies) go two at a time, as V4Pair.
    static constexpr bool pairsBlocks = true;
    static constexpr int32_t blocks = 1;
    using Pair = V4Pair;
    // rows[k] lane l becomes rows[l] lane k.
    static void Transpose(F* r) {
        const F t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
        const F t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
        const F t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
        const F t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
        const F u0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
        const F u1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
        const F u2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const F u3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
        const F u4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
        const F u5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
        const F u6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
        const F u7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
        r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
        r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
        r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
        r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
        r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
        r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
        r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
        r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
    }
};

// Two blocks of the level-4 pass side by side, butterflies i to i + 3 of each:
// lanes 0-3 from the block at p, lanes 4-7 from the next one, 32 values on.
// Both take the same twiddle factors.
struct V4Pair : V8 {
    static constexpr int32_t size = 4;
    static constexpr int32_t blocks = 2;
    static constexpr ptrdiff_t stride = 32;
    static F Load(const float* p) { return _mm256_loadu2_m128(p + stride, p); }
    static void Store(float* p, F v) { _mm256_storeu2_m128(p + stride, p, v); }
    // Each block's four lanes reversed.
    static F Reverse(F v) { return _mm256_permute_ps(v, _MM_SHUFFLE(0, 1, 2, 3)); }
    static void LoadTwiddleHalves(const double* p, D& low, D& high) {
        low = _mm256_loadu_pd(p);
        high = low;
    }
};

} // namespace
