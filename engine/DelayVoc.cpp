// SPDX-License-Identifier: ISC
#include "engine/DelayVoc.h"

#include "engine/HannWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int32_t kOverlap = TDelayVoc::FrameLength / TDelayVoc::HopLength;
static_assert(kOverlapFrame == TDelayVoc::FrameLength && kOverlapHop == TDelayVoc::HopLength);

std::unique_ptr<float[]> ZeroedArray(size_t count) {
    return std::make_unique<float[]>(count); // value-initialised: all 0
}

int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

// Flush-to-zero and denormals-are-zero for the duration of one hop's spectral
// work (transforms, analysis, resynthesis, overlap-add), so that a signal
// decaying towards silence never takes the processor's slow path for subnormal
// numbers there; the caller's control register is restored after. The hop then
// takes analysis samples below 1.2e-38 as 0 and flushes results below it. The
// per-sample work runs with the caller's register, so the level sum, the gate
// and the dry path see subnormal input exactly as it is.
class FlushDenormals {
  public:
#if defined(__SSE2__) || defined(_M_X64)
    FlushDenormals() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushBits); }
    ~FlushDenormals() { _mm_setcsr(saved); }

  private:
    static constexpr unsigned kFlushBits = 0x8040; // FTZ and DAZ
    unsigned saved;
#endif
};

} // namespace

TDelayVoc::TDelayVoc(SimdLevel simd)
    : freqTrack(ZeroedArray(size_t{MaxTrackFrames} * BinCount)),
      magTrack(ZeroedArray(size_t{MaxTrackFrames} * BinCount)), outAccum(ZeroedArray(FrameLength)),
      inFifo(ZeroedArray(FrameLength)), outFifo(ZeroedArray(HopLength)),
      windowedFrame(ZeroedArray(FrameLength)), synthFrame(ZeroedArray(FrameLength)),
      window(ZeroedArray(FrameLength)), spectrum(ZeroedArray(FrameLength)),
      synthPhase(ZeroedArray(BinCount)), lastPhase(ZeroedArray(BinCount)),
      fft(std::make_unique<TRealFFT>(FrameLength, simd)), phases(ZeroedArray(BinCount)),
      kernels(&HopKernelsFor(fft->Simd())) {
    FillHannWindow(window.get(), FrameLength);
    SetMix(1.0f);
}

TDelayVoc::~TDelayVoc() = default;

// binWidth and phaseStep are written before rate, so that audio which sees the
// new rate mostly sees its bin width too; the hop checks the width all the same.
void TDelayVoc::SetSampleRate(float newRate) {
    binWidth = newRate / FrameLength;
    phaseStep = static_cast<float>(kPi / 2);
    rate = newRate;
}

void TDelayVoc::SetMix(float value) {
    wet = value;
    dry = 1.0f - value;
}

void TDelayVoc::SetTrackLength(int32_t frames) {
    trackLen = ClampInt(frames, MinTrackFrames, MaxTrackFrames);
}

void TDelayVoc::SetDelay(int32_t frames) { delay = ClampInt(frames, 0, trackLen); }

void TDelayVoc::SetStartBin(int32_t bin) {
    startBin = std::min<int32_t>(endBin, ClampInt(bin, 0, BinCount));
}

void TDelayVoc::SetEndBin(int32_t bin) {
    endBin = std::max<int32_t>(startBin, ClampInt(bin, 0, BinCount));
}

// The scratch arrays (windowed frame, spectrum, synthesised frame, phases) are
// written in full before each use and need no clearing.
void TDelayVoc::Reset() {
    const auto clear = [](std::unique_ptr<float[]>& buffer, size_t count) {
        std::fill_n(buffer.get(), count, 0.0f);
    };
    constexpr size_t kTrackValues = size_t{MaxTrackFrames} * BinCount;
    clear(freqTrack, kTrackValues);
    clear(magTrack, kTrackValues);
    clear(outAccum, FrameLength);
    clear(inFifo, FrameLength);
    clear(outFifo, HopLength);
    clear(synthPhase, BinCount);
    clear(lastPhase, BinCount);
    fifoPos = FirstInputPosition;
    levelSum = 0.0f;
    lastHopLevel = 0.0f;
    overlapPending = false;
    readIdx = 0;
}

// The samples are taken in runs up to the next hop boundary. The gains the
// effect sets are read once per run: a change from another thread lands at the
// next run, at most one hop later (hosts change parameters between blocks, which
// start runs of their own).
void TDelayVoc::Process(const float* input, float* output, int32_t count) {
    while (count > 0) {
        const int32_t run = std::min(count, SamplesToHop());
        // Without a sample rate there is no bin width to resynthesise with: the
        // engine passes the dry signal and keeps its state until it has one.
        if (!(rate > 0.0f)) return PassDry(input, output, count);
        FeedRun(input, output, run);
        input += run;
        output += run;
        count -= run;
        if (fifoPos == FrameLength) RunHop(levelSum);
    }
}

void TDelayVoc::PassDry(const float* input, float* output, int32_t count) {
    const double gain = dry;
    for (int32_t i = 0; i < count; ++i)
        output[i] = static_cast<float>(gain * input[i]);
}

// A sample that is not finite, or far beyond any audio level, enters the
// analysis as silence: its squared magnitudes would overflow the float range,
// and the track would replay the overflow every revolution. The level sum and
// the dry path still see it as it is.
void TDelayVoc::FeedRun(const float* input, float* output, int32_t run) {
    float sum = levelSum;
    if (overlapPending) {
        sum = OverlapAddSumming(input, run, sum);
    } else {
        for (int32_t i = 0; i < run; ++i)
            sum = sum + std::fabs(input[i]);
    }
    levelSum = sum;
    kernels->feedAnalysis(inFifo.get() + fifoPos, input, run, recAmp);
    kernels->mixOutput(output, input, outFifo.get() + (fifoPos - FirstInputPosition), run, wet,
                       outAmp, dry);
    fifoPos += run;
}

// One hop. Each quantity the effect may set is read once, and brought within
// the storage (a head position of 600, the top of its range with a full track,
// is frame 0), so that no value written meanwhile can make the hop index outside
// the 600 frames or the 512 bins.
void TDelayVoc::RunHop(float gateLevel) {
    [[maybe_unused]] const FlushDenormals flush; // empty where the processor has no such mode
    fifoPos = FirstInputPosition;
    const int32_t length = ClampInt(trackLen, 1, MaxTrackFrames);
    int32_t write = writeIdx;
    if (write < 0 || write >= MaxTrackFrames) write = 0;
    const int32_t frames = ClampInt(delay, 0, length);
    const int32_t firstBin = ClampInt(startBin, 0, BinCount);
    const int32_t lastBin = ClampInt(endBin, 0, BinCount);
    const float gate = threshold;
    const bool movingForward = forward;
    const bool carrier = delayedAsCarrier;
    const float width = binWidth;
    const float step = phaseStep;
    // A bin width that is zero, denormal or not a number (a nonsensical host
    // sample rate) cannot convert phases: the hop then neither analyses nor
    // resynthesises.
    const bool haveWidth = std::isnormal(width) && width > 0.0f;

    if (gateLevel > gate && haveWidth) RecordFrame(write, firstBin, lastBin, width, step);
    levelSum = 0.0f;
    lastHopLevel = gateLevel;
    hopCount = hopCount + 1u;

    // The read head is the frame at which the write head stood `delay` hops ago.
    int32_t read = 0;
    if (movingForward) {
        read = write - frames;
        if (read < 0) read += length;
    } else {
        read = write + frames;
        if (read >= length) read %= length;
    }
    readIdx = read;

    if (haveWidth) {
        const int32_t magFrame = carrier ? read : write;
        const int32_t freqFrame = carrier ? write : read;
        Resynthesise(MagFrameAt(magFrame), FreqFrameAt(freqFrame), width, step);
        fft->InverseTransform(spectrum.get(), synthFrame.get());
    } else {
        std::fill_n(synthFrame.get(), FrameLength, 0.0f);
    }

    // Advance the write head. At each wrap the synthesis phases are re-seeded from
    // the last measured ones, which keeps them in step with the input and stops
    // them growing without bound.
    int32_t next = movingForward ? write + 1 : write - 1;
    const bool wrapped = movingForward ? next >= length : next < 0;
    if (wrapped) {
        next = movingForward ? 0 : length - 1;
        std::copy_n(lastPhase.get(), BinCount, synthPhase.get());
    }
    writeIdx = next;

    overlapPending = true;
    std::memmove(inFifo.get(), inFifo.get() + HopLength, sizeof(float) * FirstInputPosition);
}

// Analysis: the windowed frame's spectrum, reduced per bin to a magnitude and a
// frequency. The frequency is the bin's centre plus the phase advance since the
// bin's last analysis in excess of the advance a steady tone at the bin centre
// would make (j * phaseStep), wrapped to -pi .. pi and converted to Hz by
// binFactor. A spectrum that overflowed records nothing.
void TDelayVoc::RecordFrame(int32_t frame, int32_t firstBin, int32_t endBinExclusive, float width,
                            float step) {
    kernels->applyWindow(windowedFrame.get(), inFifo.get(), window.get(), FrameLength);
    fft->ForwardTransform(spectrum.get(), windowedFrame.get());
    if (!kernels->allFinite(spectrum.get(), FrameLength)) return;

    const auto binFactor = static_cast<float>((static_cast<double>(width) * kOverlap) / kTwoPi);
    kernels->analyse({spectrum.get(), MagFrameAt(frame), FreqFrameAt(frame), lastPhase.get(),
                      phases.get(), firstBin, endBinExclusive, width, step, binFactor});
}

// Phase-vocoder synthesis: each bin's phase advances by its frequency's offset
// from the bin centre (converted back to a phase by synthFactor) plus the centre's
// own advance, and the bin gets the magnitude from the other frame.
void TDelayVoc::Resynthesise(const float* magnitudes, const float* frequencies, float width,
                             float step) {
    const auto synthFactor = static_cast<float>(kTwoPi / (static_cast<double>(width) * kOverlap));
    kernels->synthesise(
        {spectrum.get(), synthPhase.get(), magnitudes, frequencies, width, step, synthFactor});
}

// The synthesised frame, windowed again, joins the three frames before it; the
// oldest 256 samples are finished and move to outFifo, before the run that plays
// them. The overlap-add is the hop's spectral work and runs with subnormal
// numbers flushed, as the hop does; the level sum of the run's input rides
// along, and is summed again with the caller's register where the flushing
// could have changed it (a subnormal input). Returns the level sum continued
// over the run.
float TDelayVoc::OverlapAddSumming(const float* input, int32_t count, float sum) {
    overlapPending = false;
    float carried = sum;
    bool summed = false;
    {
        [[maybe_unused]] const FlushDenormals flush;
        summed = kernels->overlapAdd(outAccum.get(), outFifo.get(), synthFrame.get(), window.get(),
                                     input, count, &carried);
    }
    if (summed) return carried;
    for (int32_t i = 0; i < count; ++i)
        sum = sum + std::fabs(input[i]);
    return sum;
}
