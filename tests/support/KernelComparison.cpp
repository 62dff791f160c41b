// SPDX-License-Identifier: ISC
#include "support/KernelComparison.h"

#include "dsp/RealFFT.h"
#include "engine/HannWindow.h"
#include "engine/HopKernels.h"
#include "support/Signals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

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

std::string Where(SimdLevel level, const std::string& what, int64_t at) {
    return std::string(SimdLevelName(level)) + ": " + what + " " + std::to_string(at);
}

} // namespace

std::string TransformDifference(SimdLevel level) {
    std::mt19937 random(1);
    for (int32_t n = 1; n <= 1024; n *= 2) {
        TRealFFT reference(n, SimdLevel::Reference), fast(n, level);
        if (fast.Simd() != level) return Where(level, "is not what the transform runs at N =", n);
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
            if (FirstDifference(a, b) != -1) return Where(level, "forward differs at N =", n);
            if (FirstDifference(c, d) != -1) return Where(level, "inverse differs at N =", n);
        }
    }
    return "";
}

std::string PhaseMathDifference(SimdLevel level) {
    constexpr int32_t kBins = 512;
    constexpr int kFrames = 2000;
    std::mt19937 random(2);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const HopKernels& reference = ReferenceHopKernels();
    const HopKernels& fast = HopKernelsFor(level);
    int64_t analysed = 0, synthesised = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
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
        if (FirstDifference(magsA, magsB) != -1) return Where(level, "magnitudes, frame", frame);
        if (FirstDifference(freqsA, freqsB) != -1) return Where(level, "frequencies, frame", frame);
        if (FirstDifference(lastA, lastB) != -1) return Where(level, "last phases, frame", frame);
        analysed += end - first;

        std::vector<float> synth(kBins), mags(kBins), freqs(kBins);
        const float range = std::pow(10.0f, static_cast<float>(frame % 8)); // up to 1e7
        for (int32_t j = 0; j < kBins; ++j) {
            synth[static_cast<size_t>(j)] =
                frame % 16 == 15 ? AnyValue(random, true) * 1e6f : unit(random) * range;
            mags[static_cast<size_t>(j)] = std::fabs(AnyValue(random, frame % 8 == 3)) * 100.0f;
            freqs[static_cast<size_t>(j)] = j * 43.06640625f + unit(random) * 40.0f;
        }
        std::vector<float> specA(2 * kBins), specB(2 * kBins), synthA = synth, synthB = synth;
        reference.synthesise({specA.data(), synthA.data(), mags.data(), freqs.data(), 43.06640625f,
                              1.5707964f, 0.03647f});
        fast.synthesise({specB.data(), synthB.data(), mags.data(), freqs.data(), 43.06640625f,
                         1.5707964f, 0.03647f});
        if (FirstDifference(synthA, synthB) != -1)
            return Where(level, "synthesis phases, frame", frame);
        if (FirstDifference(specA, specB) != -1)
            return Where(level, "synthesised spectrum, frame", frame);
        synthesised += kBins;
    }
    if (analysed < 1000000 || synthesised < 1000000)
        return Where(level, "too few bins compared:", std::min(analysed, synthesised));
    return "";
}

std::string OverlapAddDifference(SimdLevel level) {
    std::mt19937 random(3);
    const HopKernels& reference = ReferenceHopKernels();
    const HopKernels& fast = HopKernelsFor(level);
    std::vector<float> window(kOverlapFrame);
    FillHannWindow(window.data(), kOverlapFrame);
    for (int32_t count = 0; count <= kOverlapHop; ++count) {
        std::vector<float> frame(kOverlapFrame), accumA(kOverlapFrame), input(kOverlapHop);
        for (float& v : frame)
            v = AnyValue(random, false);
        for (float& v : accumA)
            v = AnyValue(random, false);
        // Mostly audio, so that most sums are valid; every eighth count also
        // meets subnormal numbers, infinities and NaN.
        for (float& v : input)
            v = AnyValue(random, count % 8 == 0);
        std::vector<float> accumB = accumA, finishedA(kOverlapHop), finishedB(kOverlapHop);
        const float carried = count % 5 == 0 ? 1e-40f : AnyValue(random, false);
        float sumA = carried, sumB = carried;
        const bool validA = reference.overlapAdd(accumA.data(), finishedA.data(), frame.data(),
                                                 window.data(), input.data(), count, &sumA);
        const bool validB = fast.overlapAdd(accumB.data(), finishedB.data(), frame.data(),
                                            window.data(), input.data(), count, &sumB);
        if (FirstDifference(accumA, accumB) != -1) return Where(level, "accumulator, count", count);
        if (FirstDifference(finishedA, finishedB) != -1)
            return Where(level, "finished samples, count", count);
        if (validA != validB) return Where(level, "level sum's validity, count", count);
        if (reference.allFinite(input.data(), count) != fast.allFinite(input.data(), count))
            return Where(level, "finiteness check, count", count);
        if (validA && std::bit_cast<uint32_t>(sumA) != std::bit_cast<uint32_t>(sumB))
            return Where(level, "level sum, count", count);
    }
    return "";
}
