// SPDX-License-Identifier: ISC
// The reference kernels: the plain scalar code, one sample or bin at a time.
#include "engine/HopKernels.h"
#include "engine/HopScalar.h"

#include <algorithm>
#include <cstring>

namespace {

void FeedAnalysis(float* fifo, const float* input, int32_t count, float recAmp) {
    for (int32_t i = 0; i < count; ++i)
        fifo[i] = Analysed(input[i], recAmp);
}

void MixOutput(float* output, const float* input, const float* wetSamples, int32_t count, float wet,
               float outAmp, float dry) {
    for (int32_t i = 0; i < count; ++i)
        output[i] = Mixed(input[i], wetSamples[i], wet, outAmp, dry);
}

void ApplyWindow(float* frame, const float* input, const float* window, int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        frame[k] = input[k] * window[k];
}

bool AllFinite(const float* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

void Analyse(const AnalysisBins& b) {
    constexpr int32_t kBins = 512;
    for (int32_t j = b.first; j < b.end; ++j) {
        const double re = b.spectrum[j];
        const double im = b.spectrum[j + kBins];
        b.magnitudes[j] = Magnitude(re, im);
        const float phase = Phase(re, im);
        b.frequencies[j] = Frequency(j, phase, b.lastPhase[j], b.width, b.step, b.binFactor);
        b.lastPhase[j] = phase;
    }
}

void Synthesise(const SynthesisBins& b) {
    constexpr int32_t kBins = 512;
    for (int32_t j = 0; j < kBins; ++j) {
        const float phase =
            AdvancedPhase(j, b.synthPhase[j], b.frequencies[j], b.width, b.step, b.synthFactor);
        b.synthPhase[j] = phase;
        const double m = b.magnitudes[j];
        b.spectrum[j] = CosineTimes(phase, m);
        b.spectrum[j + kBins] = SineTimes(phase, m);
    }
}

bool OverlapAdd(float* accum, float* finished, const float* frame, const float* window,
                const float* input, int32_t count, float* sum) {
    for (int32_t k = 0; k < kOverlapFrame; ++k)
        accum[k] = OverlapAdded(accum[k], frame[k], window[k]);
    std::copy_n(accum, kOverlapHop, finished);
    std::memmove(accum, accum + kOverlapHop, sizeof(float) * (kOverlapFrame - kOverlapHop));
    std::fill_n(accum + kOverlapFrame - kOverlapHop, kOverlapHop, 0.0f);
    bool subnormal = IsSubnormal(*sum);
    float level = *sum;
    for (int32_t i = 0; i < count; ++i)
        level = LevelAdded(level, input[i], subnormal);
    *sum = level;
    return !subnormal;
}

} // namespace

const HopKernels& ReferenceHopKernels() {
    static const HopKernels kernels{FeedAnalysis, MixOutput,  ApplyWindow, AllFinite,
                                    Analyse,      Synthesise, OverlapAdd};
    return kernels;
}
