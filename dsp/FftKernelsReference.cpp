// SPDX-License-Identifier: ISC
// The reference passes of the transform: the plain scalar code that every
// vector kernel must equal bit for bit.
#include "dsp/FftKernels.h"

#include <cstdint>

namespace {

// Expressions with two products are evaluated in double and rounded once when
// stored, as a processor with wider registers would; single operations round
// the same either way.
inline float DotDifference(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b - static_cast<double>(c) * d);
}

inline float DotSum(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b + static_cast<double>(c) * d);
}

// One radix-2 pass of the forward transform at `level`: blocks of 2m values
// combine a half-complex spectrum of length m from each half.
void ReferenceForwardPass(float* D, const float* S, int32_t length, int32_t level,
                          const float* cosine, const double*) {
    const int32_t m = 1 << level;
    const int32_t h = m / 2;
    for (int32_t c = 0; c < length; c += 2 * m) {
        const int32_t a = c;
        const int32_t b = c + m;
        D[a] = S[a] + S[b];
        D[b] = S[a] - S[b];
        D[a + h] = S[a + h];
        D[b + h] = S[b + h];
        for (int32_t i = 1; i < h; ++i) {
            const float co = cosine[i];
            const float si = cosine[h - i]; // sin(i pi / m)
            const float v = DotDifference(S[b + i], co, S[b + h + i], si);
            D[a + i] = S[a + i] + v;
            D[b - i] = S[a + i] - v;
            const float w = DotSum(S[b + i], si, S[b + h + i], co);
            D[b + i] = w + S[a + h + i];
            D[b + m - i] = w - S[a + h + i];
        }
    }
}

// The mirror of ForwardPass, doubling the terms the half-complex layout stores once.
void ReferenceInversePass(float* D, const float* S, int32_t length, int32_t level,
                          const float* cosine, const double*) {
    const int32_t m = 1 << level;
    const int32_t h = m / 2;
    for (int32_t c = 0; c < length; c += 2 * m) {
        const int32_t a = c;
        const int32_t b = c + m;
        D[a] = S[a] + S[b];
        D[b] = S[a] - S[b];
        D[a + h] = 2 * S[a + h];
        D[b + h] = 2 * S[b + h];
        for (int32_t i = 1; i < h; ++i) {
            const float co = cosine[i];
            const float si = cosine[h - i];
            D[a + i] = S[a + i] + S[b - i];
            D[a + h + i] = S[b + i] - S[b + m - i];
            const float vr = S[a + i] - S[b - i];
            const float vi = S[b + i] + S[b + m - i];
            D[b + i] = DotSum(vr, co, vi, si);
            D[b + h + i] = DotDifference(vi, co, vr, si);
        }
    }
}

} // namespace

const FftKernels& ReferenceFftKernels() {
    static const FftKernels kernels{ReferenceForwardPass, ReferenceInversePass, nullptr, nullptr,
                                    0};
    return kernels;
}
