// SPDX-License-Identifier: ISC
// The engine's per-sample and per-bin arithmetic, as a table of functions
// chosen when the engine is built: the scalar reference or a vector version for
// the CPU's instruction set. Every version stores the same floats.
#pragma once

#include "dsp/SimdLevel.h"

#include <cstdint>

// What the analysis of one recorded frame needs, for bins first to end - 1.
struct AnalysisBins {
    const float* spectrum; // half-complex, 1024 values
    float* magnitudes;     // of the frame recorded into
    float* frequencies;    // of the frame recorded into
    float* lastPhase;      // per bin, updated
    float* phases;         // scratch, 512 values
    int32_t first, end;
    float width;     // bin width, Hz
    float step;      // phase advance per hop of bin 1
    float binFactor; // phase deviation to Hz
};

// What the resynthesis of one frame needs (all 512 bins).
struct SynthesisBins {
    float* spectrum;         // half-complex, written
    float* synthPhase;       // per bin, advanced
    const float* magnitudes; // of the magnitude frame
    const float* frequencies;
    float width, step, synthFactor;
};

struct HopKernels {
    // Input samples into the analysis buffer: x times the recording gain, or 0
    // for a sample that is not finite or beyond +80 dBFS.
    void (*feedAnalysis)(float* fifo, const float* input, int32_t count, float recAmp);
    // Output samples: wet x the finished wet sample x outAmp x 2^-12 + dry x input.
    void (*mixOutput)(float* output, const float* input, const float* wetSamples, int32_t count,
                      float wet, float outAmp, float dry);
    // frame := input x window.
    void (*applyWindow)(float* frame, const float* input, const float* window, int32_t count);
    bool (*allFinite)(const float* values, int32_t count);
    // Magnitude, phase and frequency of each bin; lastPhase updated.
    void (*analyse)(const AnalysisBins& bins);
    // Advances each bin's synthesis phase and writes its spectrum value.
    void (*synthesise)(const SynthesisBins& bins);
    // accum (1024 values) += frame x window; then its first 256 values are
    // finished and go to `finished`, the rest moves down by 256 and the last 256
    // start from 0. Alongside, the level sum of the next run: *sum + |input[0]|
    // + ... + |input[count - 1]| (count <= 256), one float addition at a time in
    // that order, so that the additions' chain of latencies overlaps the
    // overlap-add's independent lanes. The caller runs it with subnormal numbers
    // flushed; the sum is only valid without them, so where *sum or an input is
    // subnormal it returns false and *sum is to be summed again.
    bool (*overlapAdd)(float* accum, float* finished, const float* frame, const float* window,
                       const float* input, int32_t count, float* sum);
};

const HopKernels& ReferenceHopKernels();
const HopKernels& Sse2HopKernels();
const HopKernels& Avx2HopKernels();
const HopKernels& Wasm128HopKernels();
const HopKernels& HopKernelsFor(SimdLevel level);

// The loudest input sample the analysis takes as it is (+80 dBFS).
constexpr float kLoudestAnalysedSample = 1e4f;
// The wet path's scale: 2^-12.
constexpr double kOutputScale = 1.0 / 4096.0;
// The frame the overlap-add takes, and the hop it finishes.
constexpr int32_t kOverlapFrame = 1024;
constexpr int32_t kOverlapHop = 256;
