// SPDX-License-Identifier: ISC
// The engine's vector kernels, written once for any vector width: a
// translation unit includes its instruction set's SimdArch header, then this.
//
// Why they store what the reference stores: each lane performs the
// reference's float and double operations in the same order (float operands
// widened to double exactly; a product fused with the sum that follows only
// where the product is exact, which leaves the sum's rounding as it was), and
// the two libm calls are replaced by a guarded vector core (PhaseLanes.inl).
// The core's double result r is within a few ulp of the correctly rounded one;
// a lane keeps it only if every double within |r| x 2^-44 of r rounds to the
// same float, which then is the float the libm call's result rounds to as
// well. The rare other lanes, and phases beyond 2^19 radians (beyond the
// core's argument reduction), are computed afterwards by the scalar reference
// code.

#include "engine/HopScalar.h"
#include "engine/PhaseLanes.inl"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t W = static_cast<int32_t>(F::size);
constexpr int32_t WD = static_cast<int32_t>(D::size);
constexpr int32_t kBins = 512;
constexpr double kGuard = 0x1p-44;
constexpr float kLongestVectorPhase = 0x1p19f;

inline F Load(const float* p) { return F::load_unaligned(p); }
inline void Store(float* p, F v) { v.store_unaligned(p); }

// x y + z, where the product x y is exact in double (two floats, or a bin
// index below 2^29 and a float): rounded once, as the reference rounds the sum
// of the product and z, so a fused multiply-add gives the same double.
inline D ExactProductPlus(D x, D y, D z) { return simd::fma(x, y, z); }

// Double lanes base, base + 1, ...
inline D Indexes(int32_t base) {
    alignas(64) double lanes[WD];
    for (int32_t k = 0; k < WD; ++k)
        lanes[k] = base + k;
    return D::load_aligned(lanes);
}

// Whether each lane's double r rounds to one float throughout its guard
// interval, r (1 - 2^-44) to r (1 + 2^-44), as a mask of W floats: rounding is
// monotonic, so the float at both ends is the float of every double between.
// A NaN is never certain; zeros and infinities are.
inline simd::batch_bool<float, Arch> Certain(D low, D high) {
    const D below(1.0 - kGuard), above(1.0 + kGuard);
    return Narrow(low * below, high * below) == Narrow(low * above, high * above);
}

void FeedAnalysisVector(float* fifo, const float* input, int32_t count, float recAmp) {
    int32_t i = 0;
    const F gain(recAmp), limit(kLoudestAnalysedSample);
    for (; i + W <= count; i += W) {
        const F x = Load(input + i);
        // The product of two floats rounded once, as the reference's double
        // product rounded to float; NaN fails the comparison.
        Store(fifo + i, Select(simd::abs(x) <= limit, x * gain, F(0.0f)));
    }
    for (; i < count; ++i)
        fifo[i] = Analysed(input[i], recAmp);
}

void MixOutputVector(float* output, const float* input, const float* wetSamples, int32_t count,
                     float wet, float outAmp, float dry) {
    const D w(wet), a(outAmp), d(dry), scale(kOutputScale);
    int32_t i = 0;
    for (; i + W <= count; i += W) {
        const F x = Load(input + i), s = Load(wetSamples + i);
        Store(output + i, Narrow(ExactProductPlus(d, WidenLow(x), w * WidenLow(s) * a * scale),
                                 ExactProductPlus(d, WidenHigh(x), w * WidenHigh(s) * a * scale)));
    }
    for (; i < count; ++i)
        output[i] = Mixed(input[i], wetSamples[i], wet, outAmp, dry);
}

void ApplyWindowVector(float* frame, const float* input, const float* window, int32_t count) {
    int32_t k = 0;
    for (; k + W <= count; k += W)
        Store(frame + k, Load(input + k) * Load(window + k));
    for (; k < count; ++k)
        frame[k] = input[k] * window[k];
}

bool AllFiniteVector(const float* values, int32_t count) {
    int32_t i = 0;
    // The bits of every v - v gathered: none for a finite v (x - x is +0), a
    // NaN's for an infinity or a NaN. An or of the bits takes one instruction
    // where an or of comparisons becomes a select in WebAssembly.
    F bits(0.0f);
    for (; i + W <= count; i += W) {
        const F v = Load(values + i);
        bits = bits | (v - v);
    }
    // Not `bits != 0`: AVX's unequal is the ordered one, false for a NaN.
    if (!simd::all(bits == F(0.0f))) return false;
    for (; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

// The magnitudes of bins first to end - 1, and their phases into phases[]. The
// atan2 runs in two passes (the ratios, then their angles), so that each
// pass's chain of dependent operations stays short and the processor overlaps
// its bins.
void MagnitudesAndPhases(const AnalysisBins& b) {
    const float* re = b.spectrum;
    const float* im = b.spectrum + kBins;
    alignas(64) double ratios[kBins];
    int32_t j = b.first;
    for (; j + W <= b.end; j += W) {
        const F r = Load(re + j), i = Load(im + j);
        const D rl = WidenLow(r), rh = WidenHigh(r), il = WidenLow(i), ih = WidenHigh(i);
        Store(b.magnitudes + j, F(2.0f) * FastSqrtLanes(Narrow(ExactProductPlus(rl, rl, il * il),
                                                               ExactProductPlus(rh, rh, ih * ih))));
        Atan2Ratio(il, rl).store_aligned(ratios + (j - b.first));
        Atan2Ratio(ih, rh).store_aligned(ratios + (j - b.first) + WD);
    }
    const int32_t vectorEnd = j;
    for (; j < b.end; ++j) {
        b.magnitudes[j] = Magnitude(re[j], im[j]);
        b.phases[j] = Phase(re[j], im[j]);
    }
    for (j = b.first; j < vectorEnd; j += W) {
        const F r = Load(re + j), i = Load(im + j);
        const D pl =
            Atan2FromRatio(WidenLow(i), WidenLow(r), D::load_aligned(ratios + (j - b.first)));
        const D ph = Atan2FromRatio(WidenHigh(i), WidenHigh(r),
                                    D::load_aligned(ratios + (j - b.first) + WD));
        Store(b.phases + j, Narrow(pl, ph));
        const auto certain = Certain(pl, ph);
        if (!simd::all(certain)) {
            alignas(64) float lanes[W];
            Select(certain, F(0.0f), F(1.0f)).store_aligned(lanes);
            for (int32_t k = 0; k < W; ++k)
                if (lanes[k] != 0.0f) b.phases[j + k] = Phase(re[j + k], im[j + k]);
        }
    }
}

// The wrap of WrapPhase on double lanes: q = d / pi truncated, made even away
// from zero; lanes with |d / pi| of 2^30 or more (or NaN) give 0.
inline D WrapPhaseLanes(D d) {
    const D pi(kPi);
    const D turns = d / pi;
    const auto valid = simd::abs(turns) < D(1073741824.0);
    const D even = TruncatedToEven(Select(valid, turns, D(0.0)));
    return Select(valid, d - even * pi, D(0.0));
}

// Frequencies from the phases, and the phases kept for the next analysis: the
// phase deviations first (held in frequencies[]), then their wraps, in two
// passes for the same reason.
void FrequenciesFromPhases(const AnalysisBins& b) {
    const D width(b.width), step(b.step), binFactor(b.binFactor);
    int32_t j = b.first;
    D jl = Indexes(j), jh = Indexes(j + WD);
    for (; j + W <= b.end; j += W, jl += D(W), jh += D(W)) {
        const F phase = Load(b.phases + j);
        // The reference's double difference of two floats, rounded to float, is
        // their float difference: with 53 bits against 24, rounding twice never
        // differs from rounding once for a sum.
        const F change = phase - Load(b.lastPhase + j);
        Store(b.frequencies + j, Narrow(ExactProductPlus(-jl, step, WidenLow(change)),
                                        ExactProductPlus(-jh, step, WidenHigh(change))));
        Store(b.lastPhase + j, phase);
    }
    const int32_t vectorEnd = j;
    for (; j < b.end; ++j) {
        b.frequencies[j] = Frequency(j, b.phases[j], b.lastPhase[j], b.width, b.step, b.binFactor);
        b.lastPhase[j] = b.phases[j];
    }
    jl = Indexes(b.first);
    jh = Indexes(b.first + WD);
    for (j = b.first; j < vectorEnd; j += W, jl += D(W), jh += D(W)) {
        const F deviation = Load(b.frequencies + j);
        Store(
            b.frequencies + j,
            Narrow(ExactProductPlus(jl, width, WrapPhaseLanes(WidenLow(deviation)) * binFactor),
                   ExactProductPlus(jh, width, WrapPhaseLanes(WidenHigh(deviation)) * binFactor)));
    }
}

void AnalyseVector(const AnalysisBins& b) {
    MagnitudesAndPhases(b);
    FrequenciesFromPhases(b);
}

// Two passes over the bins, the phases first, so that each pass's chain of
// dependent operations stays short and the processor overlaps its bins.
void SynthesiseVector(const SynthesisBins& b) {
    const D width(b.width), step(b.step), factor(b.synthFactor);
    D jl = Indexes(0), jh = Indexes(WD);
    for (int32_t j = 0; j < kBins; j += W, jl += D(W), jh += D(W)) {
        const F last = Load(b.synthPhase + j), f = Load(b.frequencies + j);
        const F phase = Narrow(
            ExactProductPlus(jl, step,
                             WidenLow(last) + ExactProductPlus(-jl, width, WidenLow(f)) * factor),
            ExactProductPlus(
                jh, step, WidenHigh(last) + ExactProductPlus(-jh, width, WidenHigh(f)) * factor));
        Store(b.synthPhase + j, Select(simd::isfinite(phase), phase, F(0.0f)));
    }

    alignas(64) double sineOf[kBins], cosineOf[kBins];
    for (int32_t j = 0; j < kBins; j += W) {
        const F phase = Load(b.synthPhase + j);
        // A phase beyond the core's reach enters it as NaN, which fails the guard.
        const F reachable = Select(simd::abs(phase) <= F(kLongestVectorPhase), phase,
                                   F(std::numeric_limits<float>::quiet_NaN()));
        D sl, cl, sh, ch;
        SineCosineLanes(WidenLow(reachable), sl, cl);
        SineCosineLanes(WidenHigh(reachable), sh, ch);
        sl.store_aligned(sineOf + j);
        sh.store_aligned(sineOf + j + WD);
        cl.store_aligned(cosineOf + j);
        ch.store_aligned(cosineOf + j + WD);
    }

    float* cosines = b.spectrum;
    float* sines = b.spectrum + kBins;
    for (int32_t j = 0; j < kBins; j += W) {
        const F m = Load(b.magnitudes + j);
        const D ml = WidenLow(m), mh = WidenHigh(m);
        const D cml = D::load_aligned(cosineOf + j) * ml;
        const D cmh = D::load_aligned(cosineOf + j + WD) * mh;
        const D sml = D::load_aligned(sineOf + j) * ml;
        const D smh = D::load_aligned(sineOf + j + WD) * mh;
        Store(cosines + j, Narrow(cml, cmh));
        Store(sines + j, Narrow(sml, smh));
        const auto certain = Certain(cml, cmh) && Certain(sml, smh);
        if (!simd::all(certain)) {
            alignas(64) float lanes[W];
            Select(certain, F(0.0f), F(1.0f)).store_aligned(lanes);
            for (int32_t k = 0; k < W; ++k) {
                if (lanes[k] == 0.0f) continue;
                const double magnitude = b.magnitudes[j + k];
                cosines[j + k] = CosineTimes(b.synthPhase[j + k], magnitude);
                sines[j + k] = SineTimes(b.synthPhase[j + k], magnitude);
            }
        }
    }
}

// The sums land where the shift takes them: the first hop's in `finished`, the
// others one hop lower in accum; the last hop of accum starts from 0. Each step
// of W values also takes the level sum W / 4 samples further (256 samples over
// 1024 values), in the reference's order, so that the sum's chain of dependent
// additions runs while the lanes' conversions keep the processor busy.
bool OverlapAddVector(float* accum, float* finished, const float* frame, const float* window,
                      const float* input, int32_t count, float* sum) {
    static_assert(W % 4 == 0 && kOverlapFrame / 4 == kOverlapHop);
    constexpr int32_t kSamplesPerStep = W / 4;
    bool subnormal = IsSubnormal(*sum);
    float level = *sum;
    const int32_t stepped = count - count % kSamplesPerStep; // summed by whole steps
    const auto added = [&](int32_t k) {
        for (int32_t i = k / 4; i < k / 4 + kSamplesPerStep && i < stepped; ++i)
            level = LevelAdded(level, input[i], subnormal);
        const F a = Load(accum + k), f = Load(frame + k), w = Load(window + k);
        return Narrow(ExactProductPlus(WidenLow(f), WidenLow(w), WidenLow(a)),
                      ExactProductPlus(WidenHigh(f), WidenHigh(w), WidenHigh(a)));
    };
    int32_t k = 0;
    for (; k < kOverlapHop; k += W)
        Store(finished + k, added(k));
    for (; k < kOverlapFrame; k += W)
        Store(accum + k - kOverlapHop, added(k));
    for (k = kOverlapFrame - kOverlapHop; k < kOverlapFrame; k += W)
        Store(accum + k, F(0.0f));
    for (int32_t i = stepped; i < count; ++i)
        level = LevelAdded(level, input[i], subnormal);
    *sum = level;
    return !subnormal;
}

const HopKernels kVectorHopKernels{FeedAnalysisVector, MixOutputVector, ApplyWindowVector,
                                   AllFiniteVector,    AnalyseVector,   SynthesiseVector,
                                   OverlapAddVector};

} // namespace
