// SPDX-License-Identifier: ISC
// The vector kernels against the scalar reference, bit for bit: the transform
// at every length, the phase math over a million values and its special cases,
// and long renders through whole engines; on every instruction set the CPU has,
// and on the WebAssembly kernels, which a native build compiles from the same
// source.
#include "dsp/RealFFT.h"
#include "engine/DelayVoc.h"
#include "support/Signals.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
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

// Values of every kind the kernels meet: audio-sized, tiny, subnormal, zeros of
// both signs, huge, and (where asked) NaN and infinities.
float AnyValue(std::mt19937& random, bool specials) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kSpecials[] = {
        0.0f, -0.0f, 1e-40f, -1e-45f, kInf, -kInf, std::numeric_limits<float>::quiet_NaN(), 3e38f};
    switch (random() % 16) {
    case 0:
        return specials ? kSpecials[random() % 8] : 0.0f;
    case 1:
        return unit(random) * 1e-38f;
    case 2:
        return unit(random) * 1e4f;
    default:
        return unit(random);
    }
}

TEST(FastPath, TransformsEqualTheReferenceAtEveryLength) {
    std::mt19937 random(1);
    for (const SimdLevel level : VectorLevels()) {
        for (int32_t n = 1; n <= 1024; n *= 2) {
            TRealFFT reference(n, SimdLevel::Reference), fast(n, level);
            ASSERT_EQ(fast.Simd(), level);
            const int frames = n == 1024 ? 500 : 20; // 10^6 values for the engine's length
            for (int f = 0; f < frames; ++f) {
                std::vector<float> x(static_cast<size_t>(n));
                for (float& v : x)
                    v = AnyValue(random, false);
                std::vector<float> a(x.size()), b(x.size()), c(x.size()), d(x.size());
                reference.ForwardTransform(a.data(), x.data());
                fast.ForwardTransform(b.data(), x.data());
                reference.InverseTransform(x.data(), c.data());
                fast.InverseTransform(x.data(), d.data());
                ASSERT_EQ(FirstDifference(a, b), -1)
                    << SimdLevelName(level) << " forward, N = " << n;
                ASSERT_EQ(FirstDifference(c, d), -1)
                    << SimdLevelName(level) << " inverse, N = " << n;
            }
        }
    }
}

// The per-bin kernels on 10^6 bins each: analysis (512 atan2 a frame) of spectra
// with every kind of value, and synthesis (512 sine-cosine pairs) of phases over
// the whole float range up to 1e6 radians and beyond, NaN and infinities
// included.
TEST(FastPath, PhaseMathEqualsTheScalarCalls) {
    constexpr int32_t kBins = 512;
    constexpr int kFrames = 2000;
    std::mt19937 random(2);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const HopKernels& reference = ReferenceHopKernels();
    for (const SimdLevel level : VectorLevels()) {
        const HopKernels& fast = HopKernelsFor(level);
        size_t analysed = 0, synthesised = 0;
        for (int frame = 0; frame < kFrames; ++frame) {
            SCOPED_TRACE(testing::Message() << SimdLevelName(level) << " frame " << frame);
            std::vector<float> spectrum(2 * kBins), last(kBins), phases(kBins);
            for (float& v : spectrum)
                v = AnyValue(random, frame % 4 == 0);
            for (float& v : last)
                v = unit(random) * 3.2f;
            const int32_t first = frame % 7, end = kBins - frame % 5;
            std::vector<float> magsA(kBins), magsB(kBins), freqsA(kBins), freqsB(kBins);
            std::vector<float> lastA = last, lastB = last;
            reference.analyse({spectrum.data(), magsA.data(), freqsA.data(), lastA.data(),
                               phases.data(), first, end, 43.06640625f, 1.5707964f, 27.416f});
            fast.analyse({spectrum.data(), magsB.data(), freqsB.data(), lastB.data(), phases.data(),
                          first, end, 43.06640625f, 1.5707964f, 27.416f});
            ASSERT_EQ(FirstDifference(magsA, magsB), -1);
            ASSERT_EQ(FirstDifference(freqsA, freqsB), -1);
            ASSERT_EQ(FirstDifference(lastA, lastB), -1);
            analysed += static_cast<size_t>(end - first);

            std::vector<float> synth(kBins), mags(kBins), freqs(kBins);
            const float range = std::pow(10.0f, static_cast<float>(frame % 8)); // up to 1e7
            for (int32_t j = 0; j < kBins; ++j) {
                synth[static_cast<size_t>(j)] =
                    frame % 16 == 15 ? AnyValue(random, true) * 1e6f : unit(random) * range;
                mags[static_cast<size_t>(j)] = std::fabs(AnyValue(random, frame % 8 == 3)) * 100.0f;
                freqs[static_cast<size_t>(j)] = j * 43.06640625f + unit(random) * 40.0f;
            }
            std::vector<float> specA(2 * kBins), specB(2 * kBins), synthA = synth, synthB = synth;
            reference.synthesise({specA.data(), synthA.data(), mags.data(), freqs.data(),
                                  43.06640625f, 1.5707964f, 0.03647f});
            fast.synthesise({specB.data(), synthB.data(), mags.data(), freqs.data(), 43.06640625f,
                             1.5707964f, 0.03647f});
            ASSERT_EQ(FirstDifference(synthA, synthB), -1);
            ASSERT_EQ(FirstDifference(specA, specB), -1);
            synthesised += kBins;
        }
        EXPECT_GE(analysed, 1000000u);
        EXPECT_GE(synthesised, 1000000u);
    }
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
    }
    _mm_setcsr(host);
#endif
}

} // namespace
