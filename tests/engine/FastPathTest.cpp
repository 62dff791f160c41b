// SPDX-License-Identifier: ISC
// The vector kernels against the scalar reference, bit for bit: the transform
// at every length, the phase math over a million values and its special cases
// (support/KernelComparison.h), and long renders through whole engines; on
// every instruction set the CPU has, and on the WebAssembly kernels, which a
// native build compiles from the same source.
#include "dsp/RealFFT.h"
#include "engine/DelayVoc.h"
#include "support/KernelComparison.h"
#include "support/Signals.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace {

// The vector levels this CPU runs; AVX2 is left out (and said so) where it
// lacks it.
std::vector<SimdLevel> VectorLevels() {
    std::vector<SimdLevel> levels;
    for (const SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Wasm128}) {
        if (SimdLevelAvailable(level))
            levels.push_back(level);
        else
            std::printf("note: this CPU or build has no %s: its kernels are not tested here\n",
                        SimdLevelName(level));
    }
    return levels;
}

TEST(FastPath, TransformsEqualTheReferenceAtEveryLength) {
    for (const SimdLevel level : VectorLevels())
        EXPECT_EQ(TransformDifference(level), "");
}

TEST(FastPath, PhaseMathEqualsTheScalarCalls) {
    for (const SimdLevel level : VectorLevels())
        EXPECT_EQ(PhaseMathDifference(level), "");
}

TEST(FastPath, OverlapAddAndLevelSumEqualTheReference) {
    for (const SimdLevel level : VectorLevels())
        EXPECT_EQ(OverlapAddDifference(level), "");
}

struct RenderCase {
    const char* what;
    int32_t delay, track, startBin, endBin;
    float threshold;
    bool carrier, forward;
    std::vector<int32_t> blocks; // cycled; 0 stands for a random length
};

// A minute of a signal with a bit of everything: tones and a glide, noise,
// speech-like bursts with silences between them, a band-limited stretch, and a
// tail sinking towards subnormal levels.
std::vector<float> Minute() {
    constexpr int32_t kLength = 44100 * 60;
    std::vector<float> signal = Tones({{220, 0.2}, {1760.5, 0.1}}, 44100, kLength);
    const std::vector<float> noise = Noise(kLength, 0.3f, 3);
    for (int32_t i = 0; i < kLength; ++i) {
        const double t = i / 44100.0;
        const int32_t second = i / 44100;
        float& s = signal[static_cast<size_t>(i)];
        s += static_cast<float>(0.15 * std::sin(2 * 3.14159265358979 * 300 * t * (1 + t / 20)));
        if (second % 5 == 1) s += noise[static_cast<size_t>(i)];
        if (second % 5 == 2 && (i / 3000) % 2) s = 0.0f; // bursts and silences
        if (second % 5 == 3 && i > 0) s = 0.5f * (s + signal[static_cast<size_t>(i - 1)]);
        if (second >= 55) s *= static_cast<float>(std::pow(1e-9, t - 55));
    }
    return signal;
}

std::vector<float> RenderMinute(const std::vector<float>& input, const RenderCase& c,
                                SimdLevel level) {
    TDelayVoc e(level);
    e.SetSampleRate(44100.0f);
    e.SetTrackLength(c.track);
    e.SetDelay(c.delay);
    e.SetStartBin(c.startBin);
    e.SetEndBin(c.endBin);
    e.SetThreshold(c.threshold);
    e.SetDelayedAsCarrier(c.carrier);
    e.SetForward(c.forward);
    e.SetMix(0.8f);
    std::vector<float> output(input.size());
    std::mt19937 random(4);
    size_t done = 0;
    for (size_t n = 0; done < input.size(); ++n) {
        int32_t length = c.blocks[n % c.blocks.size()];
        if (length == 0) length = static_cast<int32_t>(random() % 3000);
        length = static_cast<int32_t>(
            std::min<size_t>(static_cast<size_t>(length), input.size() - done));
        e.Process(input.data() + done, output.data() + done, length);
        done += static_cast<size_t>(length);
        if (n == 2000) e.SetTrackLength(c.track / 3); // the track shortened under the head
    }
    return output;
}

TEST(FastPath, LongRendersEqualTheReference) {
    const std::vector<float> input = Minute();
    const std::vector<RenderCase> cases = {
        {"full band, forward", 0, 600, 0, 512, 0.0f, false, true, {256}},
        {"delayed as carrier", 150, 600, 0, 512, 0.0f, true, true, {4096}},
        {"backward head, band-limited, gated", 37, 400, 40, 300, 30.0f, false, false, {255}},
        {"carrier, backward, short track", 599, 300, 0, 512, 5.0f, true, false, {0}},
        {"one sample at a time", 10, 200, 3, 509, 0.0f, false, true, {1}},
    };
    for (const RenderCase& c : cases) {
        const std::vector<float> reference = RenderMinute(input, c, SimdLevel::Reference);
        for (const SimdLevel level : VectorLevels())
            EXPECT_EQ(FirstDifference(reference, RenderMinute(input, c, level)), -1)
                << c.what << ", " << SimdLevelName(level);
    }
}

TEST(FastPath, TheWidestLevelIsChosenAndTheHostsControlRegisterRestored) {
    const SimdLevel best = ResolveSimdLevel(SimdLevel::Best);
    EXPECT_EQ(best, SimdLevelAvailable(SimdLevel::Avx2)   ? SimdLevel::Avx2
                    : SimdLevelAvailable(SimdLevel::Sse2) ? SimdLevel::Sse2
                                                          : SimdLevel::Reference);
    EXPECT_EQ(TDelayVoc().Simd(), best);
    EXPECT_EQ(TDelayVoc(SimdLevel::Reference).Simd(), SimdLevel::Reference);
    // The vector passes' double tables stop at 2^20 values.
    EXPECT_EQ(TRealFFT(1 << 20).Simd(), best);
    EXPECT_EQ(TRealFFT(1 << 21).Simd(), SimdLevel::Reference);
#if defined(__SSE2__) || defined(_M_X64)
    TDelayVoc e;
    e.SetSampleRate(44100.0f);
    const std::vector<float> input = Noise(1000, 1e-39f, 5);
    std::vector<float> output(input.size());
    const unsigned host = _mm_getcsr();
    for (const unsigned state : {host & ~0x8040u, host | 0x8040u}) {
        _mm_setcsr(state);
        e.Process(input.data(), output.data(), static_cast<int32_t>(input.size()));
        EXPECT_EQ(_mm_getcsr(), state);
        // The level sum since the last hop (the run after it carries the
        // hop's overlap-add, which flushes) as the host's register sums it.
        const auto since = static_cast<size_t>(e.InputPosition() - TDelayVoc::FirstInputPosition);
        float level = 0.0f;
        for (size_t i = input.size() - since; i < input.size(); ++i)
            level = level + std::fabs(input[i]);
        EXPECT_EQ(std::bit_cast<uint32_t>(e.LevelSum()), std::bit_cast<uint32_t>(level));
    }
    _mm_setcsr(host);
#endif
}

} // namespace
