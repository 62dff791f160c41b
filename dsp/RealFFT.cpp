// SPDX-License-Identifier: ISC
#include "dsp/RealFFT.h"

#include "dsp/GuardedMath.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace {
bool IsPowerOfTwo(int32_t n) { return n >= 1 && n <= (1 << 30) && (n & (n - 1)) == 0; }

} // namespace

TBitReverseTable::TBitReverseTable(int32_t bits) {
    const int32_t count = 1 << bits;
    indices = std::make_unique<int32_t[]>(static_cast<size_t>(count));
    indices[0] = 0;
    // An increment carried out in bit-reversed order.
    int32_t reversed = 0;
    for (int32_t i = 1; i < count; ++i) {
        int32_t bit = count / 2;
        reversed ^= bit;
        while ((reversed & bit) == 0) {
            bit >>= 1;
            reversed ^= bit;
        }
        indices[i] = reversed;
    }
}

TBitReverseTable::~TBitReverseTable() = default;

TCosineTable::TCosineTable(int32_t bits) {
    if (bits <= 3) return;
    size = (1 << (bits - 1)) - 4;
    cosines = std::make_unique<float[]>(static_cast<size_t>(size));
    const double pi = 4.0 * std::atan(1.0);
    for (int32_t level = 3; level <= bits - 1; ++level) {
        const int32_t count = 1 << (level - 1);
        const double step = pi / (2.0 * count);
        for (int32_t i = 0; i < count; ++i)
            cosines[count - 4 + i] = static_cast<float>(std::cos(i * step));
    }
}

TCosineTable::~TCosineTable() = default;

TRealFFT::TRealFFT(int32_t length, SimdLevel simd)
    : length(length), simd(ResolveSimdLevel(simd)), kernels(&FftKernelsFor(this->simd)) {
    if (!IsPowerOfTwo(length))
        throw std::invalid_argument(
            "TRealFFT: the length must be a power of two from 1 to 2^30, not " +
            std::to_string(length));
    const Extended ln2 = std::log(2.0L);
    lnLength = static_cast<float>(std::log(static_cast<Extended>(length)));
    bitCount = Floor(lnLength / ln2 + 0.5L);
    bitRevTable = std::make_unique<TBitReverseTable>(bitCount);
    cosTable = std::make_unique<TCosineTable>(Floor(lnLength / ln2 + 0.05L));
    sqrt2Over2 = static_cast<float>(std::sqrt(2.0L) * 0.5L);
    if (bitCount > 2) scratch = std::make_unique<float[]>(static_cast<size_t>(length));
    // The vector passes read each level's cosines and sines as doubles, in
    // tables of 8 (length - 8) bytes; beyond 2^20 values the reference passes
    // run instead, which give the same spectra without them.
    if (this->simd != SimdLevel::Reference && bitCount > kLongestVectorBits) {
        this->simd = SimdLevel::Reference;
        kernels = &ReferenceFftKernels();
    }
    if (this->simd != SimdLevel::Reference && bitCount > 3) {
        twiddles = std::make_unique<double[]>(static_cast<size_t>(length) - 8);
        for (int32_t level = 3; level < bitCount; ++level) {
            const float* cosine = cosTable->LevelTable(level);
            double* table = twiddles.get() + (1 << level) - 8;
            const int32_t h = 1 << (level - 1);
            for (int32_t i = 0; i < h; ++i) {
                table[i] = cosine[i];
                table[h + i] = i > 0 ? cosine[h - i] : 0.0; // sin(i pi / 2^level)
            }
        }
    }
}

const double* TRealFFT::LevelTwiddles(int32_t level) const {
    return twiddles ? twiddles.get() + (1 << level) - 8 : nullptr;
}

TRealFFT::~TRealFFT() = default;

void TRealFFT::ForwardTransform(float* spectrum, const float* x) {
    switch (length) {
    case 1:
        spectrum[0] = x[0];
        return;
    case 2:
        spectrum[0] = x[0] + x[1];
        spectrum[1] = x[0] - x[1];
        return;
    case 4: {
        spectrum[1] = x[0] - x[2];
        spectrum[3] = x[1] - x[3];
        const float b0 = x[0] + x[2];
        const float b2 = x[1] + x[3];
        spectrum[0] = b0 + b2;
        spectrum[2] = b0 - b2;
        return;
    }
    default:
        break;
    }

    // The work arrays alternate so that the last pass lands in the spectrum.
    float* D = (bitCount & 1) ? scratch.get() : spectrum;
    float* S = (bitCount & 1) ? spectrum : scratch.get();
    const int32_t* r = bitRevTable->Indices();

    // Vector kernels may run the first four passes at once; the level-3 pass
    // then has written D.
    if (kernels->shortestFused > 0 && length >= kernels->shortestFused) {
        kernels->forwardHead(D, x, length, r, cosTable->LevelTable(3), sqrt2Over2);
        std::swap(D, S);
        for (int32_t level = 4; level < bitCount; ++level) {
            kernels->forwardPass(D, S, length, level, cosTable->LevelTable(level),
                                 LevelTwiddles(level));
            std::swap(D, S);
        }
        return;
    }

    // Passes 1 and 2, gathering the signal in bit-reversed order.
    for (int32_t c = 0; c < length; c += 4) {
        const float x0 = x[r[c]], x1 = x[r[c + 1]], x2 = x[r[c + 2]], x3 = x[r[c + 3]];
        D[c + 1] = x0 - x1;
        D[c + 3] = x2 - x3;
        const float s0 = x0 + x1;
        const float s2 = x2 + x3;
        D[c] = s0 + s2;
        D[c + 2] = s0 - s2;
    }

    // Pass 3, whose only twiddle factor is sqrt(2)/2.
    for (int32_t c = 0; c < length; c += 8) {
        S[c] = D[c] + D[c + 4];
        S[c + 4] = D[c] - D[c + 4];
        S[c + 2] = D[c + 2];
        S[c + 6] = D[c + 6];
        float v = static_cast<float>((static_cast<double>(D[c + 5]) - D[c + 7]) * sqrt2Over2);
        S[c + 1] = D[c + 1] + v;
        S[c + 3] = D[c + 1] - v;
        v = static_cast<float>((static_cast<double>(D[c + 5]) + D[c + 7]) * sqrt2Over2);
        S[c + 5] = v + D[c + 3];
        S[c + 7] = v - D[c + 3];
    }

    for (int32_t level = 3; level < bitCount; ++level) {
        kernels->forwardPass(D, S, length, level, cosTable->LevelTable(level),
                             LevelTwiddles(level));
        std::swap(D, S);
    }
}

void TRealFFT::InverseTransform(const float* spectrum, float* x) {
    const float* f = spectrum;
    switch (length) {
    case 1:
        x[0] = f[0];
        return;
    case 2:
        x[0] = f[0] + f[1];
        x[1] = f[0] - f[1];
        return;
    case 4: {
        const float b0 = f[0] + f[2];
        const float b2 = f[0] - f[2];
        x[0] = b0 + 2 * f[1];
        x[2] = b0 - 2 * f[1];
        x[1] = b2 + 2 * f[3];
        x[3] = b2 - 2 * f[3];
        return;
    }
    default:
        break;
    }

    // The spectrum is only read; the passes alternate between the scratch array and
    // the signal so that the mirror of pass 3 always writes into the scratch array.
    const float* S = spectrum;
    float* D = (bitCount & 1) ? scratch.get() : x;
    float* T = (bitCount & 1) ? x : scratch.get();
    // Vector kernels may run the level-3 pass and the last two stages at once,
    // from what the level-4 pass wrote (never the signal array).
    const bool fusedTail = kernels->shortestFused > 0 && length >= kernels->shortestFused;
    const int32_t lowestLevel = fusedTail ? 4 : 3;
    for (int32_t level = bitCount - 1; level >= lowestLevel; --level) {
        kernels->inversePass(D, S, length, level, cosTable->LevelTable(level),
                             LevelTwiddles(level));
        if (level == bitCount - 1) {
            S = D;
            D = T;
        } else {
            float* written = D;
            D = const_cast<float*>(S); // S is a work array from the second level on
            S = written;
        }
    }

    if (fusedTail) {
        kernels->inverseTail(x, S, length, bitRevTable->Indices(), cosTable->LevelTable(3),
                             sqrt2Over2);
        return;
    }
    // The mirror of pass 3.
    for (int32_t c = 0; c < length; c += 8) {
        D[c] = S[c] + S[c + 4];
        D[c + 4] = S[c] - S[c + 4];
        D[c + 2] = 2 * S[c + 2];
        D[c + 6] = 2 * S[c + 6];
        D[c + 1] = S[c + 1] + S[c + 3];
        D[c + 3] = S[c + 5] - S[c + 7];
        const float vr = S[c + 1] - S[c + 3];
        const float vi = S[c + 5] + S[c + 7];
        D[c + 5] = static_cast<float>((static_cast<double>(vr) + vi) * sqrt2Over2);
        D[c + 7] = static_cast<float>((static_cast<double>(vi) - vr) * sqrt2Over2);
    }

    // The mirrors of passes 2 and 1, scattering into the signal in bit-reversed order.
    const int32_t* r = bitRevTable->Indices();
    for (int32_t q = 0; q < length; q += 4) {
        const float b0 = D[q] + D[q + 2];
        const float b2 = D[q] - D[q + 2];
        const float b1 = 2 * D[q + 1];
        const float b3 = 2 * D[q + 3];
        x[r[q]] = b0 + b1;
        x[r[q + 1]] = b0 - b1;
        x[r[q + 2]] = b2 + b3;
        x[r[q + 3]] = b2 - b3;
    }
}
