// SPDX-License-Identifier: ISC
// The engine's construction, setters, window and square root.
#include "dsp/GuardedMath.h"
#include "engine/DelayVoc.h"
#include "engine/FastSqrt.h"
#include "engine/HannWindow.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

TEST(Engine, FreshEngineHoldsItsInitialValues) {
    TDelayVoc e;
    EXPECT_EQ(e.TrackLength(), 600);
    EXPECT_EQ(e.Delay(), 0);
    EXPECT_EQ(e.StartBin(), 0);
    EXPECT_EQ(e.EndBin(), 512);
    EXPECT_EQ(e.WriteHead(), 0);
    EXPECT_EQ(e.InputPosition(), 768);
    EXPECT_EQ(e.Wet(), 1.0f);
    EXPECT_EQ(e.Dry(), 0.0f);
    EXPECT_EQ(e.OutputGain(), 1.0f);
    EXPECT_EQ(e.RecordGain(), 1.0f);
    EXPECT_EQ(e.Threshold(), 0.0f);
    EXPECT_TRUE(e.Forward());
    EXPECT_FALSE(e.DelayedAsCarrier());
    EXPECT_EQ(e.SampleRate(), 0.0f);
    EXPECT_EQ(e.BinWidth(), 0.0f);
    for (int32_t f = 0; f < 600; ++f)
        for (int32_t j = 0; j < 512; ++j)
            ASSERT_EQ(e.MagFrame(f)[j] + e.FreqFrame(f)[j], 0.0f);
}

TEST(Engine, Setters) {
    TDelayVoc e;
    e.SetSampleRate(44100.0f);
    EXPECT_EQ(e.SampleRate(), 44100.0f);
    EXPECT_EQ(e.BinWidth(), 43.06640625f);
    EXPECT_EQ(static_cast<double>(e.PhaseStep()), 1.5707963705062866);
    e.SetMix(0.25f);
    EXPECT_EQ(e.Wet(), 0.25f);
    EXPECT_EQ(e.Dry(), 0.75f);
    for (const auto& [count, expected] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 1}, {-5, 1}, {600, 600}, {1, 1}, {37, 37}, {601, 600}}) {
        e.SetTrackLength(count);
        EXPECT_EQ(e.TrackLength(), expected) << count;
    }
    // Shortening the track leaves the head where it is.
    e.SetWriteHead(300);
    e.SetTrackLength(100);
    EXPECT_EQ(e.WriteHead(), 300);
}

// The band's edges limit each other and stay within the bins; the delay stays
// within the track as it is when the delay is set.
TEST(Engine, SettersKeepTheBandAndTheDelayInRange) {
    struct BandCase {
        int32_t start, end; // set in this order, from the full band
        int32_t startThen, endThen;
        bool endFirst;
    };
    const BandCase bands[] = {{3, 300, 3, 300, false},     {400, 300, 400, 400, false},
                              {400, 300, 300, 300, true},  {-7, 9999, 0, 512, false},
                              {9999, -7, 512, 512, false}, {9999, -7, 0, 0, true}};
    for (const BandCase& c : bands) {
        TDelayVoc e;
        if (c.endFirst) {
            e.SetEndBin(c.end);
            e.SetStartBin(c.start);
        } else {
            e.SetStartBin(c.start);
            e.SetEndBin(c.end);
        }
        EXPECT_EQ(e.StartBin(), c.startThen) << c.start << " " << c.end << " " << c.endFirst;
        EXPECT_EQ(e.EndBin(), c.endThen) << c.start << " " << c.end << " " << c.endFirst;
    }
    TDelayVoc e;
    e.SetTrackLength(100);
    for (const auto& [delay, expected] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 0}, {100, 100}, {101, 100}, {-1, 0}, {37, 37}}) {
        e.SetDelay(delay);
        EXPECT_EQ(e.Delay(), expected) << delay;
    }
    e.SetTrackLength(10); // the delay is left for the hop to take within the track
    EXPECT_EQ(e.Delay(), 37);
}

TEST(HannWindow, ValuesAndSymmetry) {
    std::vector<float> w(1024);
    FillHannWindow(w.data(), 1024);
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_NEAR(w[1023], 0.0f, 1e-12);
    EXPECT_NEAR(w[511], 0.9999976f, 1e-7);
    EXPECT_EQ(w[511], w[512]);
    EXPECT_NEAR(w[1], 0.0000094f, 0.00000005f); // sin^2(pi / 1023)
    for (int32_t i = 0; i < 1024; ++i)
        ASSERT_NEAR(w[i], w[1023 - i], 1e-7) << i;
    for (int32_t i = 0; i < 511; ++i)
        ASSERT_LT(w[i], w[i + 1]) << i;
}

TEST(HannWindow, SmallCounts) {
    float two[2] = {5, 5};
    FillHannWindow(two, 2);
    EXPECT_NEAR(two[0], 0.0f, 1e-12);
    EXPECT_NEAR(two[1], 0.0f, 1e-12);
    float one[1] = {5};
    EXPECT_THROW(FillHannWindow(one, 1), EMathDomainError);
    EXPECT_EQ(one[0], 5.0f);
    float none[1] = {5};
    FillHannWindow(none, 0);
    FillHannWindow(none, -3);
    EXPECT_EQ(none[0], 5.0f);
}

TEST(FastSqrt, StatedValuesAndErrorBounds) {
    EXPECT_EQ(FastSqrt(1.0f), 0.98372954f);
    EXPECT_EQ(FastSqrt(2.0f), 1.4674591f);
    EXPECT_EQ(FastSqrt(4.0f), 1.9674591f);
    EXPECT_NEAR(FastSqrt(0.0f), 7.955e-20f, 0.001e-20f);
    double lowest = 1, highest = 1;
    for (float x = 1e-6f; x < 1e6f; x *= 1.0137f) {
        const double ratio = FastSqrt(x) / std::sqrt(static_cast<double>(x));
        lowest = std::min(lowest, ratio);
        highest = std::max(highest, ratio);
    }
    EXPECT_GT(lowest, 0.968);
    EXPECT_LT(lowest, 0.970);
    EXPECT_GT(highest, 1.037);
    EXPECT_LT(highest, 1.039);
}

} // namespace
