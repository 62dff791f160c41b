#include "engine/DelayVoc.h"

#include "engine/FastSqrt.h"
#include "engine/HannWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kOutputScale = 1.0 / 4096.0; // 2^-12
constexpr int32_t kOverlap = TDelayVoc::FrameLength / TDelayVoc::HopLength;
// +80 dBFS: the loudest input sample that the analysis takes as it is. NaN
// fails the comparison, so it counts as beyond.
constexpr float kLoudestAnalysedSample = 1e4f;

std::unique_ptr<float[]> ZeroedArray(size_t count) {
    return std::make_unique<float[]>(count); // value-initialised: all 0
}

int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

// Brings a phase deviation into -pi .. pi by removing an even number of half
// turns: q = d / pi truncated, moved one step away from zero when odd. A
// deviation that is not finite (or absurdly large) never reaches the integer
// conversion; it counts as no deviation.
double WrapPhase(double d) {
    const double turns = std::trunc(d / kPi);
    if (!(std::fabs(turns) < 1073741824.0)) return 0.0;
    auto q = static_cast<int32_t>(turns);
    q = q >= 0 ? q + (q & 1) : q - (q & 1);
    return d - q * kPi;
}

bool AllFinite(const float* values, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

} // namespace

TDelayVoc::TDelayVoc()
    : freqTrack(ZeroedArray(size_t{MaxTrackFrames} * BinCount)),
      magTrack(ZeroedArray(size_t{MaxTrackFrames} * BinCount)), outAccum(ZeroedArray(FrameLength)),
      inFifo(ZeroedArray(FrameLength)), outFifo(ZeroedArray(HopLength)),
      windowedFrame(ZeroedArray(FrameLength)), synthFrame(ZeroedArray(FrameLength)),
      window(ZeroedArray(FrameLength)), spectrum(ZeroedArray(FrameLength)),
      synthPhase(ZeroedArray(BinCount)), lastPhase(ZeroedArray(BinCount)),
      fft(std::make_unique<TRealFFT>(FrameLength)) {
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

void TDelayVoc::SetTrackLength(int32_t frames) { trackLen = ClampInt(frames, 1, MaxTrackFrames); }

void TDelayVoc::Process(const float* input, float* output, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const float x = input[i];
        // Without a sample rate there is no bin width to resynthesise with: the
        // engine passes the dry signal and keeps its state until it has one.
        if (!(rate > 0.0f)) {
            output[i] = static_cast<float>(static_cast<double>(dry) * x);
            continue;
        }
        // A sample that is not finite, or far beyond any audio level, enters the
        // analysis as silence: its squared magnitudes would overflow the float
        // range, and the track would replay the overflow every revolution. The
        // level sum and the dry path still see it as it is.
        inFifo[fifoPos] = std::fabs(x) <= kLoudestAnalysedSample
                              ? static_cast<float>(static_cast<double>(x) * recAmp)
                              : 0.0f;
        levelSum = levelSum + std::fabs(x);
        output[i] =
            static_cast<float>(static_cast<double>(wet) * outFifo[fifoPos - FirstInputPosition] *
                                   outAmp * kOutputScale +
                               static_cast<double>(dry) * x);
        if (++fifoPos == FrameLength) {
            fifoPos = FirstInputPosition;
            RunHop();
        }
    }
}

// One hop. Each quantity the shell may change is read once, and brought within
// the storage (a head position of 600, the top of its range with a full track,
// is frame 0), so that no value written meanwhile can make the hop index outside
// the 600 frames or the 512 bins.
void TDelayVoc::RunHop() {
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

    if (levelSum > gate && haveWidth) RecordFrame(write, firstBin, lastBin, width, step);
    levelSum = 0.0f;

    // The read head is the frame at which the write head stood `delay` hops ago.
    if (movingForward) {
        readIdx = write - frames;
        if (readIdx < 0) readIdx += length;
    } else {
        readIdx = write + frames;
        if (readIdx >= length) readIdx %= length;
    }

    if (haveWidth) {
        const int32_t magFrame = carrier ? readIdx : write;
        const int32_t freqFrame = carrier ? write : readIdx;
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

    OverlapAdd();
    std::memmove(inFifo.get(), inFifo.get() + HopLength, sizeof(float) * FirstInputPosition);
}

// Analysis: the windowed frame's spectrum, reduced per bin to a magnitude and a
// frequency. The frequency is the bin's centre plus the phase advance since the
// bin's last analysis in excess of the advance a steady tone at the bin centre
// would make (j * phaseStep), wrapped to -pi .. pi and converted to Hz by
// binFactor. A spectrum that overflowed records nothing.
void TDelayVoc::RecordFrame(int32_t frame, int32_t firstBin, int32_t endBinExclusive, float width,
                            float step) {
    for (int32_t k = 0; k < FrameLength; ++k)
        windowedFrame[k] = inFifo[k] * window[k];
    fft->ForwardTransform(spectrum.get(), windowedFrame.get());
    if (!AllFinite(spectrum.get(), FrameLength)) return;

    const auto binFactor = static_cast<float>((static_cast<double>(width) * kOverlap) / kTwoPi);
    float* magnitudes = MagFrameAt(frame);
    float* frequencies = FreqFrameAt(frame);
    for (int32_t j = firstBin; j < endBinExclusive; ++j) {
        const double re = spectrum[j];
        const double im = spectrum[j + BinCount];
        magnitudes[j] = 2.0f * FastSqrt(static_cast<float>(re * re + im * im));
        const auto phase = static_cast<float>(std::atan2(im, re));
        auto deviation = static_cast<float>(static_cast<double>(phase) - lastPhase[j]);
        lastPhase[j] = phase;
        deviation = static_cast<float>(deviation - j * static_cast<double>(step));
        frequencies[j] =
            static_cast<float>(j * static_cast<double>(width) + WrapPhase(deviation) * binFactor);
    }
}

// Phase-vocoder synthesis: each bin's phase advances by its frequency's offset
// from the bin centre (converted back to a phase by synthFactor) plus the centre's
// own advance, and the bin gets the magnitude from the other frame.
void TDelayVoc::Resynthesise(const float* magnitudes, const float* frequencies, float width,
                             float step) {
    const auto synthFactor = static_cast<float>(kTwoPi / (static_cast<double>(width) * kOverlap));
    for (int32_t j = 0; j < BinCount; ++j) {
        auto phase = static_cast<float>(
            synthPhase[j] + (frequencies[j] - j * static_cast<double>(width)) * synthFactor +
            j * static_cast<double>(step));
        // Frequencies recorded at a wildly different sample rate can drive a phase
        // beyond the float range; it restarts from 0 rather than poisoning the bin.
        if (!std::isfinite(phase)) phase = 0.0f;
        synthPhase[j] = phase;
        const double m = magnitudes[j];
        spectrum[j] = static_cast<float>(std::cos(static_cast<double>(phase)) * m);
        spectrum[j + BinCount] = static_cast<float>(std::sin(static_cast<double>(phase)) * m);
    }
}

// The synthesised frame, windowed again, joins the three frames before it; the
// oldest 256 samples are finished and move to outFifo.
void TDelayVoc::OverlapAdd() {
    for (int32_t k = 0; k < FrameLength; ++k)
        outAccum[k] =
            static_cast<float>(outAccum[k] + static_cast<double>(synthFrame[k]) * window[k]);
    std::copy_n(outAccum.get(), HopLength, outFifo.get());
    std::memmove(outAccum.get(), outAccum.get() + HopLength, sizeof(float) * FirstInputPosition);
    std::fill_n(outAccum.get() + FirstInputPosition, HopLength, 0.0f);
}
