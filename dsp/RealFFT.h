// SPDX-License-Identifier: ISC
// The real fast Fourier transform of the engine: forward and inverse transforms
// of power-of-two lengths between a signal of N floats and a half-complex
// spectrum of N floats, with every index and cosine table built at construction.
//
// Spectrum layout for N >= 2: index 0 holds the DC term, 1 to N/2 - 1 the real
// parts of bins 1 to N/2 - 1, N/2 the Nyquist term and N/2 + k the imaginary part
// of bin k, with the sign of the e^(+2 pi i k n / N) kernel:
//     f[k]       = sum x[n] cos(2 pi k n / N)
//     f[N/2 + k] = sum x[n] sin(2 pi k n / N)
// Neither direction is scaled, so inverse(forward(x)) = N x.
#pragma once

#include "dsp/FftKernels.h"
#include "dsp/SimdLevel.h"

#include <cstdint>
#include <memory>

// Entry i holds i with its lowest `bits` bits reversed.
class TBitReverseTable {
  public:
    explicit TBitReverseTable(int32_t bits);
    virtual ~TBitReverseTable();
    TBitReverseTable(const TBitReverseTable&) = delete;
    TBitReverseTable& operator=(const TBitReverseTable&) = delete;

    const int32_t* Indices() const { return indices.get(); }

  private:
    std::unique_ptr<int32_t[]> indices;
};

// Cosines by pass: level L (3 <= L <= bits - 1) holds cos(i pi / 2^L) for
// i = 0 .. 2^(L-1) - 1, starting at entry 2^(L-1) - 4. No table for bits <= 3.
class TCosineTable {
  public:
    explicit TCosineTable(int32_t bits);
    virtual ~TCosineTable();
    TCosineTable(const TCosineTable&) = delete;
    TCosineTable& operator=(const TCosineTable&) = delete;

    const float* LevelTable(int32_t level) const { return cosines.get() + (1 << (level - 1)) - 4; }
    const float* Cosines() const { return cosines.get(); }
    int32_t Size() const { return size; }

  private:
    std::unique_ptr<float[]> cosines;
    int32_t size = 0;
};

class TRealFFT {
  public:
    // Throws std::invalid_argument unless length is a power of two, 1 to 2^30.
    // The passes run on the instruction set `simd` resolves to on this CPU
    // (the reference passes beyond 2^20 values; Simd() tells); every choice
    // gives the same spectra, bit for bit.
    explicit TRealFFT(int32_t length, SimdLevel simd = SimdLevel::Best);
    virtual ~TRealFFT();
    TRealFFT(const TRealFFT&) = delete;
    TRealFFT& operator=(const TRealFFT&) = delete;

    // spectrum := the transform of signal. The two arrays must differ; signal is
    // not modified. Allocates nothing and calls no trigonometric function.
    void ForwardTransform(float* spectrum, const float* signal);
    // signal := the inverse transform of spectrum (not scaled by 1/N). The two
    // arrays must differ; spectrum is not modified.
    void InverseTransform(const float* spectrum, float* signal);

    int32_t Length() const { return length; }
    int32_t BitCount() const { return bitCount; }
    bool HasScratch() const { return scratch != nullptr; }
    const TCosineTable& CosineTable() const { return *cosTable; }
    const TBitReverseTable& BitReverseTable() const { return *bitRevTable; }

    SimdLevel Simd() const { return simd; }

  private:
    // Level L's cosines cos(i pi / 2^L), then its sines sin(i pi / 2^L), for
    // i < 2^(L-1), as doubles (the sine of i = 0 unused); null for the
    // reference passes.
    const double* LevelTwiddles(int32_t level) const;
    static constexpr int32_t kLongestVectorBits = 20;

    float lnLength;
    std::unique_ptr<TBitReverseTable> bitRevTable;
    std::unique_ptr<TCosineTable> cosTable;
    float sqrt2Over2;
    int32_t length;
    int32_t bitCount;
    std::unique_ptr<float[]> scratch; // one transform at a time uses it
    std::unique_ptr<double[]> twiddles;
    SimdLevel simd;
    const FftKernels* kernels;
};
