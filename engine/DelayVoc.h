// TDelayVoc: the effect's signal processor, a single-channel spectral delay line
// on a circular track.
//
// Every 256 input samples (one hop) the engine analyses the latest 1024 with the
// Hann window and the real FFT, reduces each of 512 bins to a magnitude and a
// frequency, and writes them as one frame onto the track at the write head. A
// read head lies `delay` frames away. Each hop one frame is resynthesised from
// the magnitudes of one frame (current or delayed) and the frequencies of the
// other, overlap-added into the wet signal and mixed with the dry input.
// Recording is gated by the input level and limited to a band of bins, so what is
// not recorded keeps an earlier revolution of the track, which then plays as a
// loop.
//
// Threads: Process runs on the host's audio thread. The plug-in shell writes the
// quantities below (and calls the setters) from other threads while it runs;
// every such field is a relaxed atomic, read once per run of samples up to the
// next hop (recAmp, wet, dry, outAmp, rate) or once per hop (everything else). writeIdx is also
// advanced by Process itself: whichever write comes last wins.
#pragma once

#include "dsp/RealFFT.h"
#include "engine/HopKernels.h"
#include "engine/RelaxedAtomic.h"

#include <cstdint>
#include <memory>

class TDelayVoc {
  public:
    static constexpr int32_t FrameLength = 1024;
    static constexpr int32_t HopLength = 256;
    static constexpr int32_t BinCount = 512;
    static constexpr int32_t MaxTrackFrames = 600;
    static constexpr int32_t FirstInputPosition = FrameLength - HopLength;

    // Allocates everything the engine will ever use. The sample rate is not set:
    // until SetSampleRate gives a positive rate, Process only passes dry input.
    // The arithmetic runs on the instruction set `simd` resolves to on this CPU
    // (the plain scalar reference, or vector kernels); every choice gives the
    // same output, bit for bit.
    explicit TDelayVoc(SimdLevel simd = SimdLevel::Best);
    virtual ~TDelayVoc();
    TDelayVoc(const TDelayVoc&) = delete;
    TDelayVoc& operator=(const TDelayVoc&) = delete;

    // rate := rate, binWidth := rate / 1024, phaseStep := pi/2 as a float. The
    // track and the phases stay as they are.
    void SetSampleRate(float newRate);
    // wet := value, dry := 1 - value.
    void SetMix(float value);
    // trackLen := frames, raised to 1 when below and kept within the storage.
    void SetTrackLength(int32_t frames);
    // Turns count input samples into count output samples; input and output may be
    // the same array. Blocks of any length continue where the last one stopped.
    void Process(const float* input, float* output, int32_t count);

    const float* FreqFrame(int32_t frame) const { return freqTrack.get() + frame * BinCount; }
    const float* MagFrame(int32_t frame) const { return magTrack.get() + frame * BinCount; }

    // The track: per-bin frequency values (Hz) and magnitudes of each frame.
    std::unique_ptr<float[]> freqTrack;
    std::unique_ptr<float[]> magTrack;
    RelaxedAtomic<int32_t> writeIdx{0}; // "head position"
    int32_t readIdx = 0;                // recomputed every hop before use
    std::unique_ptr<float[]> outAccum;  // overlap-add accumulator of the wet signal
    std::unique_ptr<float[]> inFifo;    // last 1024 inputs times recAmp, oldest first
    std::unique_ptr<float[]> outFifo;   // wet samples played out during this hop
    std::unique_ptr<float[]> windowedFrame;
    std::unique_ptr<float[]> synthFrame;
    std::unique_ptr<float[]> window;
    std::unique_ptr<float[]> spectrum;
    std::unique_ptr<float[]> synthPhase; // running synthesis phase per bin, radians
    std::unique_ptr<float[]> lastPhase;  // phase of each bin at its last analysis
    RelaxedAtomic<bool> delayedAsCarrier{false};
    RelaxedAtomic<int32_t> trackLen{MaxTrackFrames};
    RelaxedAtomic<int32_t> delay{0};
    RelaxedAtomic<int32_t> startBin{0};
    RelaxedAtomic<int32_t> endBin{BinCount};
    int32_t fifoPos = FirstInputPosition;
    float levelSum = 0.0f; // sum of |input| since the last hop
    RelaxedAtomic<float> binWidth{0.0f};
    RelaxedAtomic<float> threshold{0.0f};
    RelaxedAtomic<float> phaseStep{0.0f};
    RelaxedAtomic<float> rate{0.0f};
    RelaxedAtomic<float> recAmp{1.0f};
    RelaxedAtomic<float> wet{1.0f};
    RelaxedAtomic<float> dry{0.0f};
    RelaxedAtomic<float> outAmp{1.0f};
    RelaxedAtomic<bool> forward{true};
    std::unique_ptr<TRealFFT> fft;

    SimdLevel Simd() const { return fft->Simd(); }

  private:
    float* FreqFrameAt(int32_t frame) { return freqTrack.get() + frame * BinCount; }
    float* MagFrameAt(int32_t frame) { return magTrack.get() + frame * BinCount; }
    void RunHop();
    void RecordFrame(int32_t frame, int32_t firstBin, int32_t endBinExclusive, float width,
                     float step);
    void Resynthesise(const float* magnitudes, const float* frequencies, float width, float step);
    void OverlapAdd();

    std::unique_ptr<float[]> phases; // scratch: the bins' phases during an analysis
    const HopKernels* kernels;
};
