// SPDX-License-Identifier: ISC
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
// Threads: Process runs on the host's audio thread. The effect sets the
// quantities below through the Set operations from its other threads while
// Process runs; every such quantity is a relaxed atomic, read once per run of
// samples up to the next hop (recording and output gains, wet, dry, rate) or once
// per hop (everything else) and clamped there, since a setter on one thread can
// interleave with a hop on another and two setters can race. The write head is
// also advanced by Process itself (and by a linked pair, engine/LinkedPair.h,
// which runs the hops of two engines): whichever write comes last wins. Reset and
// the construction are not for while Process runs.
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
    static constexpr int32_t MinTrackFrames = 1;
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
    // The loop's length: frames raised to MinTrackFrames when below and kept
    // within the storage. The heads and the delay stay as they are; each hop
    // takes them within the new length.
    void SetTrackLength(int32_t frames);
    // The read head's distance behind the write head (ahead of it when moving
    // backward), kept within 0 to the track length as it is now.
    void SetDelay(int32_t frames);
    // The band of bins recorded, [start, end). The start is never above the end:
    // a start beyond the end bin stops at it, an end below the start bin stops
    // there. Both lie within 0 to 512.
    void SetStartBin(int32_t bin);
    void SetEndBin(int32_t bin);
    // The frame the next hop records at; outside the storage it becomes frame 0
    // at the next hop.
    void SetWriteHead(int32_t frame) { writeIdx = frame; }
    // The level above which a hop records: the sum of |input| over the hop,
    // before the recording gain.
    void SetThreshold(float level) { threshold = level; }
    // The gains of the recorded input and of the wet output.
    void SetRecordGain(float gain) { recAmp = gain; }
    void SetOutputGain(float gain) { outAmp = gain; }
    // Which frame gives the magnitudes: the delayed one (as carrier) or the
    // current one (the delayed frame as modulator).
    void SetDelayedAsCarrier(bool on) { delayedAsCarrier = on; }
    // The direction the heads move along the track.
    void SetForward(bool on) { forward = on; }

    // Forgets all audio, as a new engine: the track, the analysis and overlap-add
    // buffers, the input position, the level sum, the synthesis and last phases
    // and the read head. The quantities set above stay, the write head among
    // them, so engines given the same quantities and input run in step after it.
    // Not while Process runs.
    void Reset();

    // Turns count input samples into count output samples; input and output may be
    // the same array. Blocks of any length continue where the last one stopped.
    void Process(const float* input, float* output, int32_t count);

    // The quantities as last set (the write head as last set or advanced); any
    // thread.
    float SampleRate() const { return rate; }
    float BinWidth() const { return binWidth; }
    float PhaseStep() const { return phaseStep; }
    float Wet() const { return wet; }
    float Dry() const { return dry; }
    int32_t TrackLength() const { return trackLen; }
    int32_t Delay() const { return delay; }
    int32_t StartBin() const { return startBin; }
    int32_t EndBin() const { return endBin; }
    int32_t WriteHead() const { return writeIdx; }
    float Threshold() const { return threshold; }
    float RecordGain() const { return recAmp; }
    float OutputGain() const { return outAmp; }
    bool DelayedAsCarrier() const { return delayedAsCarrier; }
    bool Forward() const { return forward; }
    // The hops run since the engine was built (counting on past 2^32 from 0), and
    // the level the last hop's gate compared with the threshold (the louder
    // channel's in a linked pair); the audio thread writes both once per hop,
    // any thread reads them.
    uint32_t HopCount() const { return hopCount; }
    float LastHopLevel() const { return lastHopLevel; }

    // What a picture of the track needs. The length and the heads are relaxed
    // atomics: any thread reads each of them whole at any time, though two of
    // them may come from different hops. The magnitudes are plain floats that
    // the audio thread writes, one frame per hop, while an editor's thread may
    // read them to draw: such a reading is a picture, not a point of
    // synchronisation. It can show a frame partly recorded, and nothing read
    // through the view orders any other memory. (Each float is one aligned
    // 32-bit store on the processors supported, so a value is read old or new,
    // never torn; exact readings belong on the audio thread between two Process
    // calls.) No lock is taken on either side. The view is valid while the
    // engine lives; Reset clears the magnitudes it shows.
    class TrackView {
      public:
        explicit TrackView(const TDelayVoc& engine) : engine(&engine) {}
        // MaxTrackFrames frames of BinCount magnitudes, frame after frame.
        const float* Magnitudes() const { return engine->magTrack.get(); }
        static constexpr size_t MagnitudeCount() { return size_t{MaxTrackFrames} * BinCount; }
        static constexpr int32_t Capacity() { return MaxTrackFrames; }
        static constexpr int32_t Bins() { return BinCount; }
        // The first Length() frames make the loop.
        int32_t Length() const { return engine->trackLen; }
        // The frame the next hop records at, and the frame the last hop read.
        int32_t WriteHead() const { return engine->writeIdx; }
        int32_t ReadHead() const { return engine->readIdx; }

      private:
        const TDelayVoc* engine;
    };
    TrackView Track() const { return TrackView(*this); }

    // One frame of the track: per-bin frequencies (Hz) or magnitudes. For the
    // audio thread between two Process calls, or with the audio stopped.
    const float* FreqFrame(int32_t frame) const { return freqTrack.get() + frame * BinCount; }
    const float* MagFrame(int32_t frame) const { return magTrack.get() + frame * BinCount; }
    // The analysis state, for the same thread: the running synthesis phase and
    // the last measured phase of each bin (radians), the windowed input so far
    // and the position the next input sample goes to, and the input level summed
    // since the last hop.
    const float* SynthesisPhases() const { return synthPhase.get(); }
    const float* LastPhases() const { return lastPhase.get(); }
    const float* AnalysisInput() const { return inFifo.get(); }
    int32_t InputPosition() const { return fifoPos; }
    float LevelSum() const { return levelSum; }

    SimdLevel Simd() const { return fft->Simd(); }

  private:
    // The linked pair feeds two engines up to the hop boundary and runs both
    // hops on one recording decision: it calls the steps below, reads the rate,
    // the input position and the level sum, and sets the second engine's write
    // head to the first's before each hop.
    friend void ProcessLinkedPair(TDelayVoc& left, TDelayVoc& right, const float* leftInput,
                                  const float* rightInput, float* leftOutput, float* rightOutput,
                                  int32_t count);
    // Takes run samples, at most up to the next hop boundary, into the analysis
    // and the level sum, and plays as many from the wet output and the dry
    // input. A run that reaches the boundary must be followed by RunHop.
    void FeedRun(const float* input, float* output, int32_t run);
    // Without a sample rate: count samples of dry input, the state kept.
    void PassDry(const float* input, float* output, int32_t count);
    int32_t SamplesToHop() const { return FrameLength - fifoPos; }

    float* FreqFrameAt(int32_t frame) { return freqTrack.get() + frame * BinCount; }
    float* MagFrameAt(int32_t frame) { return magTrack.get() + frame * BinCount; }
    // The hop at the boundary: records when gateLevel (the engine's own level
    // sum, or the louder of a linked pair's) is above the threshold.
    void RunHop(float gateLevel);
    void RecordFrame(int32_t frame, int32_t firstBin, int32_t endBinExclusive, float width,
                     float step);
    void Resynthesise(const float* magnitudes, const float* frequencies, float width, float step);
    // The last hop's overlap-add, with the level sum of the run that follows.
    float OverlapAddSumming(const float* input, int32_t count, float sum);

    // Audio thread only (Process, Reset).
    std::unique_ptr<float[]> freqTrack; // per-bin frequencies (Hz), frame after frame
    std::unique_ptr<float[]> magTrack;  // per-bin magnitudes; also read by TrackView
    std::unique_ptr<float[]> outAccum;  // overlap-add accumulator of the wet signal
    std::unique_ptr<float[]> inFifo;    // last 1024 inputs times recAmp, oldest first
    std::unique_ptr<float[]> outFifo;   // wet samples played out during this hop
    std::unique_ptr<float[]> windowedFrame;
    std::unique_ptr<float[]> synthFrame;
    std::unique_ptr<float[]> window;
    std::unique_ptr<float[]> spectrum;
    std::unique_ptr<float[]> synthPhase; // running synthesis phase per bin, radians
    std::unique_ptr<float[]> lastPhase;  // phase of each bin at its last analysis
    int32_t fifoPos = FirstInputPosition;
    float levelSum = 0.0f; // sum of |input| since the last hop
    // The hop's synthesised frame waits to be overlap-added at the next run,
    // where the level sum's additions fill the overlap-add's gaps.
    bool overlapPending = false;

    // Written by the audio thread once per hop, read by TrackView anywhere.
    RelaxedAtomic<int32_t> readIdx{0};
    RelaxedAtomic<uint32_t> hopCount{0};
    RelaxedAtomic<float> lastHopLevel{0.0f};
    // Set from any thread, read by the audio thread (the write head also
    // advanced by it).
    RelaxedAtomic<int32_t> writeIdx{0};
    RelaxedAtomic<bool> delayedAsCarrier{false};
    RelaxedAtomic<int32_t> trackLen{MaxTrackFrames};
    RelaxedAtomic<int32_t> delay{0};
    RelaxedAtomic<int32_t> startBin{0};
    RelaxedAtomic<int32_t> endBin{BinCount};
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
    std::unique_ptr<float[]> phases; // scratch: the bins' phases during an analysis
    const HopKernels* kernels;
};
