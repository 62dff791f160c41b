// The 256-bit vocabulary of the vector kernels: float vectors of 8 lanes,
// double vectors of 4. Included by the AVX2 translation units only, which are
// built with -mavx2 -mfma -ffp-contract=off; everything here has internal
// linkage, so that no definition is shared with a unit built for SSE2.
#pragma once

#include <immintrin.h>
#include <xsimd/xsimd.hpp>

namespace {

using Arch = xsimd::fma3<xsimd::avx2>;
using F = xsimd::batch<float, Arch>;
using D = xsimd::batch<double, Arch>;

inline F Reverse(F v) {
    return _mm256_permutevar8x32_ps(v, _mm256_set_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

inline D WidenLow(F v) { return _mm256_cvtps_pd(_mm256_castps256_ps128(v)); }
inline D WidenHigh(F v) { return _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)); }

inline F Narrow(D low, D high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)), _mm256_cvtpd_ps(high),
                                1);
}

inline __m128i TruncateToInt(D v) { return _mm256_cvttpd_epi32(v); }
inline D IntToDouble(__m128i v) { return _mm256_cvtepi32_pd(v); }

inline F FastSqrtLanes(F x) {
    const __m256i bias = _mm256_set1_epi32(0x3F77AB65);
    const __m256i t = _mm256_sub_epi32(_mm256_castps_si256(x), bias);
    __m256i h = _mm256_srai_epi32(t, 1);
    h = _mm256_add_epi32(h, _mm256_and_si256(_mm256_and_si256(t, h), _mm256_set1_epi32(1)));
    return _mm256_castsi256_ps(_mm256_add_epi32(h, bias));
}

// Four float lanes as raw SSE registers, for the transform's passes.
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
};

// Eight float lanes as raw AVX registers, and four as SSE registers (encoded
// with VEX here), for the transform's passes.
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
};

} // namespace
