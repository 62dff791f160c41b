// SPDX-License-Identifier: ISC
// The real transform against the sums that define its layout, its tables, and the
// examples a reader can check by hand.
#include "dsp/RealFFT.h"
#include "support/Signals.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

// The layout's sums, in double.
std::vector<double> ReferenceForward(const std::vector<float>& x) {
    const auto n = static_cast<int32_t>(x.size());
    std::vector<double> f(x.size(), 0.0);
    if (n == 1) return {x[0]};
    for (int32_t k = 0; k <= n / 2; ++k) {
        double re = 0, im = 0;
        for (int32_t t = 0; t < n; ++t) {
            const double angle = 2 * kPi * static_cast<double>(int64_t{k} * t % n) / n;
            re += x[t] * std::cos(angle);
            im += x[t] * std::sin(angle);
        }
        f[k] = re;
        if (k > 0 && k < n / 2) f[n / 2 + k] = im;
    }
    return f;
}

std::vector<double> ReferenceInverse(const std::vector<float>& f) {
    const auto n = static_cast<int32_t>(f.size());
    if (n == 1) return {f[0]};
    std::vector<double> x(f.size());
    for (int32_t t = 0; t < n; ++t) {
        double sum = f[0] + (t % 2 ? -1.0 : 1.0) * f[n / 2];
        for (int32_t k = 1; k < n / 2; ++k) {
            const double angle = 2 * kPi * static_cast<double>(int64_t{k} * t % n) / n;
            sum += 2 * (f[k] * std::cos(angle) + f[n / 2 + k] * std::sin(angle));
        }
        x[t] = sum;
    }
    return x;
}

// Float rounding through log2(N) passes, relative to the size of the terms.
double Tolerance(int32_t n, double scale) { return 2e-7 * (std::log2(n) + 2) * scale + 1e-9; }

TEST(RealFFT, ForwardAndInverseAgreeWithTheSumsForEveryPowerOfTwo) {
    for (int32_t n = 1; n <= 1024; n *= 2) {
        SCOPED_TRACE("N = " + std::to_string(n));
        TRealFFT fft(n);
        const std::vector<float> x = Noise(n, 1.0f, static_cast<unsigned>(n));
        const std::vector<float> xCopy = x;
        std::vector<float> spectrum(x.size());
        fft.ForwardTransform(spectrum.data(), x.data());
        EXPECT_EQ(x, xCopy); // the signal is untouched

        double scale = 0;
        for (float v : x)
            scale += std::fabs(v);
        const std::vector<double> expected = ReferenceForward(x);
        for (int32_t k = 0; k < n; ++k)
            ASSERT_NEAR(spectrum[k], expected[k], Tolerance(n, scale)) << k;

        const std::vector<float> spectrumCopy = spectrum;
        std::vector<float> back(x.size());
        fft.InverseTransform(spectrum.data(), back.data());
        EXPECT_EQ(spectrum, spectrumCopy); // the spectrum is untouched

        const std::vector<double> inverse = ReferenceInverse(spectrum);
        double spectrumScale = 0;
        for (float v : spectrum)
            spectrumScale += 2 * std::fabs(v);
        for (int32_t t = 0; t < n; ++t) {
            ASSERT_NEAR(back[t], inverse[t], Tolerance(n, spectrumScale)) << t;
            ASSERT_NEAR(back[t], n * static_cast<double>(x[t]), Tolerance(n, spectrumScale)) << t;
        }
    }
}

struct Example {
    std::vector<float> signal;
    std::vector<float> spectrum;
};

TEST(RealFFT, HandCheckedExamples) {
    const float h = 0.70710678f;
    const std::vector<Example> examples = {
        {{1, 0, 0, 0, 0, 0, 0, 0}, {1, 1, 1, 1, 1, 0, 0, 0}},
        {{0, 1, 0, 0, 0, 0, 0, 0}, {1, h, 0, -h, -1, h, 1, h}},
        {{1, 1, 1, 1, 1, 1, 1, 1}, {8, 0, 0, 0, 0, 0, 0, 0}},
        {{1, -1, 1, -1, 1, -1, 1, -1}, {0, 0, 0, 0, 8, 0, 0, 0}},
        {{0, 1, 0, 0}, {1, 0, -1, 1}},
        {{3, 5}, {8, -2}},
        {{2.5f}, {2.5f}},
    };
    for (const Example& example : examples) {
        TRealFFT fft(static_cast<int32_t>(example.signal.size()));
        std::vector<float> spectrum(example.signal.size());
        fft.ForwardTransform(spectrum.data(), example.signal.data());
        for (size_t k = 0; k < spectrum.size(); ++k)
            EXPECT_NEAR(spectrum[k], example.spectrum[k], 1e-6)
                << example.signal.size() << ":" << k;
    }
}

TEST(RealFFT, InverseOfSingleTerms) {
    constexpr int32_t n = 16;
    TRealFFT fft(n);
    for (int32_t index = 0; index < n; ++index) {
        std::vector<float> spectrum(n, 0.0f), x(n);
        spectrum[index] = 1.0f;
        fft.InverseTransform(spectrum.data(), x.data());
        for (int32_t t = 0; t < n; ++t) {
            double expected;
            if (index == 0)
                expected = 1;
            else if (index == n / 2)
                expected = t % 2 ? -1 : 1;
            else if (index < n / 2)
                expected = 2 * std::cos(2 * kPi * index * t / n);
            else
                expected = 2 * std::sin(2 * kPi * (index - n / 2) * t / n);
            ASSERT_NEAR(x[t], expected, 1e-6) << index << ":" << t;
        }
    }
}

TEST(RealFFT, TablesAndScratchExistOnlyWhereThePassesNeedThem) {
    struct Case {
        int32_t n;
        bool scratch;
        int32_t cosines;
    };
    for (const Case& c : {Case{1, false, 0}, Case{2, false, 0}, Case{4, false, 0}, Case{8, true, 0},
                          Case{16, true, 4}, Case{1024, true, 508}}) {
        TRealFFT fft(c.n);
        EXPECT_EQ(fft.HasScratch(), c.scratch) << c.n;
        EXPECT_EQ(fft.CosineTable().Size(), c.cosines) << c.n;
        EXPECT_EQ(fft.CosineTable().Cosines() != nullptr, c.cosines > 0) << c.n;
        EXPECT_EQ(1 << fft.BitCount(), c.n);
    }
}

TEST(RealFFT, CosineLevelsAndBitReversal) {
    TRealFFT fft(1024);
    const TCosineTable& table = fft.CosineTable();
    for (int32_t level = 3; level <= 9; ++level) {
        const float* cosines = table.LevelTable(level);
        EXPECT_EQ(cosines - table.Cosines(), (1 << (level - 1)) - 4);
        for (int32_t i = 0; i < (1 << (level - 1)); ++i)
            ASSERT_EQ(cosines[i], static_cast<float>(std::cos(i * kPi / (1 << level))));
    }
    const int32_t* reversed = fft.BitReverseTable().Indices();
    for (int32_t i = 0; i < 1024; ++i) {
        int32_t expected = 0;
        for (int32_t bit = 0; bit < 10; ++bit)
            if (i & (1 << bit)) expected |= 1 << (9 - bit);
        ASSERT_EQ(reversed[i], expected) << i;
    }
    TBitReverseTable none(0);
    EXPECT_EQ(none.Indices()[0], 0);
}

TEST(RealFFT, LengthThatIsNotAPowerOfTwoIsRejected) {
    for (const int32_t n : {0, -1, -8, 3, 6, 12, 1000, 1025}) {
        try {
            TRealFFT fft(n);
            ADD_FAILURE() << n << " accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("power of two"), std::string::npos);
            EXPECT_NE(std::string(error.what()).find(std::to_string(n)), std::string::npos);
        }
    }
}

} // namespace
