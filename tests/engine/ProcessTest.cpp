// SPDX-License-Identifier: ISC
// What a listener of the engine would notice: latency and gain of the wet path,
// independence of block sizes, the gate, the loop, the heads and the band.
#include "engine/DelayVoc.h"
#include "support/Signals.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int32_t kHop = TDelayVoc::HopLength;
constexpr double kRate = 44100.0;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::unique_ptr<TDelayVoc> Engine(float rate = 44100.0f) {
    auto e = std::make_unique<TDelayVoc>();
    e->SetSampleRate(rate);
    return e;
}

std::vector<float> ProcessAll(TDelayVoc& e, const std::vector<float>& input) {
    std::vector<float> output(input.size());
    e.Process(input.data(), output.data(), static_cast<int32_t>(input.size()));
    return output;
}

double Rms(const std::vector<float>& x, size_t begin, size_t end) {
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

// A setting that exercises everything at once: band, delay, carrier mode, gate.
void Configure(TDelayVoc& e) {
    e.SetTrackLength(37);
    e.SetDelay(5);
    e.SetDelayedAsCarrier(true);
    e.SetStartBin(3);
    e.SetEndBin(300);
    e.SetThreshold(20.0f);
    e.SetMix(0.7f);
    e.SetRecordGain(1.3f);
    e.SetOutputGain(0.8f);
}

TEST(Process, BlockSizesDoNotChangeTheOutput) {
    std::vector<float> input = Tones({{220, 0.4}, {1375, 0.2}}, kRate, 40000);
    const std::vector<float> noise = Noise(40000, 0.3f, 7);
    for (size_t i = 20000; i < input.size(); ++i)
        input[i] = (i / 3000) % 2 ? noise[i] : 0.0f;

    auto whole = Engine();
    Configure(*whole);
    const std::vector<float> reference = ProcessAll(*whole, input);

    std::mt19937 random(11);
    for (const int32_t block : {1, 7, 256, 4096, -1}) {
        auto e = Engine();
        Configure(*e);
        std::vector<float> output(input.size(), -99.0f);
        size_t done = 0;
        while (done < input.size()) {
            int32_t n = block > 0 ? block : std::uniform_int_distribution<int32_t>(0, 1500)(random);
            n = std::min<int32_t>(n, static_cast<int32_t>(input.size() - done));
            e->Process(input.data() + done, output.data() + done, n);
            done += static_cast<size_t>(n);
        }
        EXPECT_EQ(FirstDifference(output, reference), -1) << "block " << block;
    }
}

TEST(Process, InPlaceBuffersGiveTheSameOutput) {
    const std::vector<float> input = Tones({{440, 0.5}}, kRate, 5000);
    auto a = Engine();
    auto b = Engine();
    a->SetMix(0.5f);
    b->SetMix(0.5f);
    std::vector<float> inPlace = input;
    b->Process(inPlace.data(), inPlace.data(), static_cast<int32_t>(inPlace.size()));
    EXPECT_EQ(FirstDifference(inPlace, ProcessAll(*a, input)), -1);
}

TEST(Process, FirstHopOfANewEngineIsTheDrySignal) {
    auto e = Engine();
    e->SetMix(0.3f);
    const std::vector<float> input = Noise(kHop + 10, 1.0f, 3);
    const std::vector<float> output = ProcessAll(*e, input);
    for (int32_t i = 0; i < kHop; ++i)
        ASSERT_EQ(output[i], static_cast<float>(static_cast<double>(e->Dry()) * input[i])) << i;
}

// A steady tone leaves the wet path 1024 samples late at about 0.75 of its
// amplitude. The magnitudes come from the bit-pattern square root, which is
// between 3.1 % below and 3.8 % above the true root, so the gain must lie within
// 0.75 x (0.969 .. 1.038), allowing a little more for the window's edges.
TEST(Process, SteadyTonesComeOutDelayedBy1024AtThreeQuartersOfTheirAmplitude) {
    const std::vector<std::vector<std::pair<double, double>>> signals = {
        {{440, 0.5}}, {{1000, 0.3}, {3000, 0.2}}, {{43.06640625 * 40, 0.6}}, {{6890.625, 0.25}}};
    for (const auto& partials : signals) {
        auto e = Engine();
        const std::vector<float> input = Tones(partials, kRate, 30000);
        const std::vector<float> output = ProcessAll(*e, input);
        // Compare out[t] with in[t - lag] over the steady part.
        auto residual = [&](int32_t lag, double gain) {
            double error = 0, energy = 0;
            for (size_t t = 8192; t < output.size(); ++t) {
                const double expected = gain * input[t - lag];
                error += (output[t] - expected) * (output[t] - expected);
                energy += expected * expected;
            }
            return std::sqrt(error / energy);
        };
        const double gain =
            Rms(output, 8192, output.size()) / Rms(input, 8192 - 1024, input.size() - 1024);
        std::printf("wet gain for %.1f Hz: %.4f, residual at lag 1024: %.4f\n", partials[0].first,
                    gain, residual(1024, gain));
        EXPECT_GT(gain, 0.75 * 0.965) << partials[0].first;
        EXPECT_LT(gain, 0.75 * 1.04) << partials[0].first;
        EXPECT_LT(residual(1024, gain), 0.1) << partials[0].first;
        EXPECT_GT(residual(1023, gain), residual(1024, gain));
        EXPECT_GT(residual(1025, gain), residual(1024, gain));
    }
}

TEST(Process, SilenceIsNotRecordedAndGivesExactlyZero) {
    auto e = Engine();
    const std::vector<float> output = ProcessAll(*e, std::vector<float>(20 * kHop, 0.0f));
    for (float v : output)
        ASSERT_EQ(v, 0.0f);
    for (int32_t f = 0; f < 600; ++f)
        for (int32_t j = 0; j < 512; ++j)
            ASSERT_EQ(e->MagFrame(f)[j], 0.0f);
}

// One hop of 256 samples of 0.5 has a level sum of exactly 128.
TEST(Process, TheGateOpensOnlyAboveTheThreshold) {
    for (const auto& [threshold, recorded] :
         std::vector<std::pair<float, bool>>{{128.0f, false}, {127.99f, true}, {200.0f, false}}) {
        auto e = Engine();
        e->SetThreshold(threshold);
        ProcessAll(*e, std::vector<float>(kHop, 0.5f));
        EXPECT_EQ(e->WriteHead(), 1); // the head moves whether or not the hop records
        EXPECT_EQ(e->MagFrame(0)[0] != 0.0f, recorded) << threshold;
    }
}

// After the gate closes for good, every revolution of the track sounds the same.
TEST(Process, AClosedGateReplaysTheTrackEveryRevolution) {
    constexpr int32_t length = 12;
    auto e = Engine();
    e->SetTrackLength(length);
    std::vector<float> input = Tones({{330, 0.4}, {1210, 0.2}}, kRate, length * kHop);
    input.resize(input.size() + 5 * length * kHop, 0.0f);
    const std::vector<float> output = ProcessAll(*e, input);
    const size_t period = length * kHop;
    const size_t start = 3 * period;
    EXPECT_GT(Rms(output, start, start + period), 0.01);
    for (size_t t = start; t < start + period; ++t)
        ASSERT_EQ(output[t], output[t + period]) << t;
}

// A ramp recorded forward plays back as a falling level when the head reverses.
TEST(Process, BackwardPlaybackVisitsAForwardRecordingInReverse) {
    constexpr int32_t length = 16;
    for (const bool backward : {false, true}) {
        auto e = Engine();
        e->SetTrackLength(length);
        std::vector<float> input = Tones({{500, 1.0}}, kRate, (length + 4) * kHop);
        for (size_t t = 0; t < input.size(); ++t)
            input[t] *= static_cast<float>(0.05 + t / 6000.0);
        // Record the ramp from frame 0 on, then stop the input and play.
        ProcessAll(*e, std::vector<float>(input.begin(), input.begin() + length * kHop));
        e->SetThreshold(1e30f);
        e->SetForward(!backward);
        const std::vector<float> output =
            ProcessAll(*e, std::vector<float>(2 * length * kHop, 0.0f));
        int rising = 0, falling = 0;
        const size_t from = length * kHop; // the second revolution
        for (int32_t hop = 4; hop < length - 1; ++hop) {
            const double now = Rms(output, from + hop * kHop, from + (hop + 1) * kHop);
            const double next = Rms(output, from + (hop + 1) * kHop, from + (hop + 2) * kHop);
            (next > now ? rising : falling) += 1;
        }
        if (backward) {
            EXPECT_GE(falling, 10) << "rising " << rising;
        } else {
            EXPECT_GE(rising, 10) << "falling " << falling;
        }
    }
}

TEST(Process, BandLimitedRecordingWritesOnlyItsBins) {
    auto e = Engine();
    e->SetTrackLength(1);
    ProcessAll(*e, Noise(4 * kHop, 0.5f, 1)); // fills frame 0 in every bin
    const std::vector<float> magBefore(e->MagFrame(0), e->MagFrame(0) + 512);
    const std::vector<float> freqBefore(e->FreqFrame(0), e->FreqFrame(0) + 512);
    const std::vector<float> phaseBefore(e->LastPhases(), e->LastPhases() + 512);
    e->SetStartBin(100);
    e->SetEndBin(200);
    ProcessAll(*e, Noise(kHop, 0.9f, 2));
    for (int32_t j = 0; j < 512; ++j) {
        const bool inside = j >= 100 && j < 200;
        EXPECT_EQ(e->MagFrame(0)[j] != magBefore[j], inside) << j;
        EXPECT_EQ(e->LastPhases()[j] != phaseBefore[j], inside) << j;
        if (!inside) {
            EXPECT_EQ(e->FreqFrame(0)[j], freqBefore[j]) << j;
        }
    }
    // An empty band records nothing even with the gate open.
    const std::vector<float> magAfter(e->MagFrame(0), e->MagFrame(0) + 512);
    const std::vector<float> phaseAfter(e->LastPhases(), e->LastPhases() + 512);
    e->SetEndBin(256);
    e->SetStartBin(256);
    ProcessAll(*e, Noise(3 * kHop, 0.9f, 3));
    EXPECT_EQ(std::vector<float>(e->MagFrame(0), e->MagFrame(0) + 512), magAfter);
    EXPECT_EQ(std::vector<float>(e->LastPhases(), e->LastPhases() + 512), phaseAfter);
}

TEST(Process, ATrackOfOneFrameReseedsThePhasesEveryHop) {
    for (const bool forward : {true, false}) {
        auto e = Engine();
        e->SetTrackLength(1);
        e->SetForward(forward);
        const std::vector<float> input = Tones({{700, 0.5}}, kRate, kHop);
        for (int hop = 0; hop < 6; ++hop) {
            ProcessAll(*e, input);
            EXPECT_EQ(e->WriteHead(), 0);
            EXPECT_EQ(0, std::memcmp(e->SynthesisPhases(), e->LastPhases(), 512 * sizeof(float)));
        }
    }
}

TEST(Process, BackwardWrapGoesToTheLastFrameAndReseeds) {
    auto e = Engine();
    e->SetTrackLength(10);
    e->SetForward(false);
    const std::vector<float> input = Tones({{700, 0.5}}, kRate, kHop);
    ProcessAll(*e, input);
    EXPECT_EQ(e->WriteHead(), 9);
    EXPECT_EQ(0, std::memcmp(e->SynthesisPhases(), e->LastPhases(), 512 * sizeof(float)));
    ProcessAll(*e, input);
    EXPECT_EQ(e->WriteHead(), 8);
    EXPECT_NE(0, std::memcmp(e->SynthesisPhases(), e->LastPhases(), 512 * sizeof(float)));
}

// With delay 0 or the whole track, both frames are the same, so the two
// cross-synthesis modes cannot differ.
TEST(Process, DelayOfTheWholeTrackEqualsNoDelay) {
    const std::vector<float> input = Tones({{523, 0.4}, {2000, 0.1}}, kRate, 30 * kHop);
    std::vector<std::vector<float>> outputs;
    for (const int32_t delay : {0, 20})
        for (const bool carrier : {false, true}) {
            auto e = Engine();
            e->SetTrackLength(20);
            e->SetDelay(delay);
            e->SetDelayedAsCarrier(carrier);
            outputs.push_back(ProcessAll(*e, input));
        }
    for (size_t i = 1; i < outputs.size(); ++i)
        EXPECT_EQ(FirstDifference(outputs[0], outputs[i]), -1) << i;
}

TEST(Process, CountOfZeroOrBelowChangesNothing) {
    auto e = Engine();
    ProcessAll(*e, Noise(300, 0.5f, 4));
    const int32_t fifoPos = e->InputPosition();
    const float level = e->LevelSum();
    float in[4] = {1, 1, 1, 1}, out[4] = {9, 9, 9, 9};
    e->Process(in, out, 0);
    e->Process(in, out, -5);
    EXPECT_EQ(e->InputPosition(), fifoPos);
    EXPECT_EQ(e->LevelSum(), level);
    for (float v : out)
        EXPECT_EQ(v, 9.0f);
}

// Mend: without a sample rate there is nothing to resynthesise with; the engine
// passes dry x input and keeps its state.
TEST(Process, BeforeTheSampleRateOnlyTheDrySignalPasses) {
    TDelayVoc e;
    e.SetMix(0.25f);
    const std::vector<float> input = Noise(3000, 1.0f, 5);
    const std::vector<float> output = ProcessAll(e, input);
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_EQ(output[i], 0.75f * input[i]);
    EXPECT_EQ(e.InputPosition(), 768);
    EXPECT_EQ(e.WriteHead(), 0);
    EXPECT_EQ(e.LevelSum(), 0.0f);
    for (int32_t k = 0; k < 1024; ++k)
        ASSERT_EQ(e.AnalysisInput()[k], 0.0f);
    e.SetSampleRate(-44100.0f);
    EXPECT_EQ(ProcessAll(e, input), output);
    EXPECT_EQ(e.InputPosition(), 768);
}

// Reset forgets everything heard: an engine that has played runs in step with a
// new one given the same quantities, sample for sample and frame for frame, and
// the track view shows the same heads.
TEST(Process, AfterResetAnEngineRunsInStepWithANewOne) {
    auto played = Engine();
    Configure(*played);
    ProcessAll(*played, Noise(100 * kHop + 77, 0.6f, 4));
    played->SetForward(false);
    ProcessAll(*played, Noise(9 * kHop, 0.6f, 5));
    played->SetForward(true);
    played->Reset();
    const TDelayVoc::TrackView view = played->Track();
    EXPECT_EQ(view.ReadHead(), 0);
    for (size_t k = 0; k < view.MagnitudeCount(); ++k)
        ASSERT_EQ(view.Magnitudes()[k], 0.0f) << k;

    auto fresh = Engine();
    Configure(*fresh);
    for (TDelayVoc* e : {played.get(), fresh.get()})
        e->SetWriteHead(30);
    const std::vector<float> input = Tones({{330, 0.4}, {2900, 0.2}}, kRate, 50 * kHop);
    EXPECT_EQ(FirstDifference(ProcessAll(*played, input), ProcessAll(*fresh, input)), -1);
    EXPECT_EQ(0, std::memcmp(view.Magnitudes(), fresh->Track().Magnitudes(),
                             view.MagnitudeCount() * sizeof(float)));
    EXPECT_EQ(view.WriteHead(), fresh->Track().WriteHead());
    EXPECT_EQ(view.ReadHead(), fresh->Track().ReadHead());
    // The last hop read `delay` frames behind the frame it recorded.
    EXPECT_EQ(view.ReadHead(), (view.WriteHead() - 1 - 5 + 37) % 37);
}

// Mend: a burst of bad samples must not poison the track or the phases.
TEST(Process, BadSamplesDoNotPoisonTheTrackOrThePhases) {
    for (const float bad : {kNaN, kInf, -kInf, 1e38f, -3e38f}) {
        auto e = Engine();
        e->SetTrackLength(40);
        std::vector<float> input = Tones({{440, 0.5}}, kRate, 60 * kHop);
        const size_t burstEnd = 10 * kHop + 300;
        for (size_t t = 10 * kHop; t < burstEnd; ++t)
            input[t] = bad;
        const std::vector<float> output = ProcessAll(*e, input);
        // Finite again within 5 hops of the last bad sample.
        for (size_t t = burstEnd + 5 * kHop; t < output.size(); ++t)
            ASSERT_TRUE(std::isfinite(output[t])) << bad << " at " << t;
        EXPECT_TRUE(AllFinite(e->Track().Magnitudes(), 600 * 512)) << bad;
        EXPECT_TRUE(AllFinite(e->FreqFrame(0), 600 * 512)) << bad;
        EXPECT_TRUE(AllFinite(e->LastPhases(), 512)) << bad;
        EXPECT_TRUE(AllFinite(e->SynthesisPhases(), 512)) << bad;
        // The track keeps recording afterwards.
        EXPECT_GT(Rms(output, output.size() - 2000, output.size()), 0.1) << bad;
    }
}

// A single sample far beyond audio levels, in the last hop of a noise passage,
// enters the analysis as silence: the loop that follows is the same as if the
// sample had been 0 there (up to +80 dBFS, it is analysed as it is).
TEST(Process, ASampleBeyond80DbfsIsAnalysedAsSilence) {
    const std::vector<float> noise = Noise(256 * 40, 0.3f, 21);
    auto render = [&](float spike) {
        auto e = Engine();
        e->SetTrackLength(100);
        std::vector<float> input = noise;
        input.resize(noise.size() + 256 * 250, 0.0f);
        input[noise.size() - 3] = spike;
        return ProcessAll(*e, input);
    };
    const std::vector<float> reference = render(0.0f);
    const double loop = Rms(reference, noise.size() + 2048, reference.size());
    ASSERT_GT(loop, 0.01); // the noise's loop plays on through the silence
    const struct {
        float spike;
        bool asSilence;
    } cases[] = {{1e20f, true},      {std::numeric_limits<float>::max(), true},
                 {-3e38f, true},     {1e5f, true},
                 {10000.001f, true}, {1e4f, false},
                 {-1e4f, false}};
    for (const auto& c : cases) {
        const std::vector<float> output = render(c.spike);
        EXPECT_EQ(FirstDifference(output, reference) == -1, c.asSilence) << c.spike;
        EXPECT_LT(Rms(output, noise.size() + 2048, output.size()), 50 * loop) << c.spike;
    }
}

TEST(Process, TheDryPathPassesBadSamplesUnchanged) {
    auto e = Engine();
    e->SetMix(0.0f);
    std::vector<float> input = Noise(2000, 0.5f, 8);
    const float bad[] = {kInf, -kInf, kNaN, 1e38f};
    std::copy(std::begin(bad), std::end(bad), input.begin() + 300);
    const std::vector<float> output = ProcessAll(*e, input);
    for (size_t i = 0; i < input.size(); ++i) {
        if (std::isnan(input[i])) {
            EXPECT_TRUE(std::isnan(output[i]));
        } else {
            ASSERT_EQ(output[i], input[i]) << i;
        }
    }
}

// Mend: a head at 600 (the top of "head position" with a full track) is frame 0.
TEST(Process, AHeadAtTheEndOfTheStorageIsFrameZero) {
    for (const bool forward : {true, false}) {
        auto e = Engine();
        e->SetForward(forward);
        e->SetWriteHead(600);
        ProcessAll(*e, Tones({{440, 0.5}}, kRate, kHop));
        EXPECT_EQ(e->WriteHead(), forward ? 1 : 599);
        EXPECT_NE(e->MagFrame(0)[10], 0.0f);
    }
}

// Whatever the setters are given, every hop stays inside the storage (the
// sanitizer builds turn any stray index into a failure).
TEST(Process, NonsenseQuantitiesStayInsideTheStorage) {
    const std::vector<float> input = Noise(kHop, 0.5f, 9);
    const int32_t values[] = {-1000000, -601, -1,  0,   1,      511,       512,
                              513,      599,  600, 601, 100000, INT32_MAX, INT32_MIN};
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        auto pick = [&] { return values[random() % std::size(values)]; };
        auto e = Engine();
        e->SetTrackLength(pick());
        e->SetWriteHead(pick());
        e->SetDelay(pick());
        e->SetStartBin(pick());
        e->SetEndBin(pick());
        e->SetForward(random() % 2);
        e->SetDelayedAsCarrier(random() % 2);
        const std::vector<float> output = ProcessAll(*e, input);
        ASSERT_GE(e->WriteHead(), 0);
        ASSERT_LT(e->WriteHead(), 600);
        ASSERT_TRUE(AllFinite(output.data(), output.size()));
    }
}

} // namespace
