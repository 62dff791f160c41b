// SPDX-License-Identifier: ISC
// TapestrumEffect: the effect itself, apart from any plug-in format. It owns the
// delay-vocoder engine and the 11 parameter values; it clamps and stores values,
// turns them into engine quantities and reads them back, renders their texts,
// knows the host's sample rate and the one program's name, gives and takes the
// whole state, and processes mono or stereo blocks (a missing input among
// them). A stereo effect is two engines, one per channel, with one set of
// values applied to both and a linked gate (engine/LinkedPair.h); its
// quantities, read-back and texts are the first channel's engine's, which
// holds the same quantities as the second. Each
// plug-in format (VST 2, LV2, VST 3, CLAP, the C interface) is a thin face that
// translates its calls into these.
//
// Threads: a host may change parameters and ask for texts on its user-interface
// or automation threads while its audio thread processes. The stored values and
// the host's rate are relaxed atomics, and the engine quantities the values turn
// into are the engine's own relaxed atomics, so nothing here locks. process,
// setParameter and readParameter allocate nothing; the text and whole-state
// operations do (they are never called on the audio thread).
#pragma once

#include "core/EffectState.h"
#include "core/HostRate.h"
#include "core/LoopFeed.h"
#include "core/ParameterTable.h"
#include "engine/DelayVoc.h"
#include "engine/LinkedPair.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TapestrumEffect {
  public:
    // Builds the engine (which allocates all its memory now) and stores the
    // parameter defaults without applying them: the engine keeps its own initial
    // values until the first setParameter or resume.
    explicit TapestrumEffect(SimdLevel simd = SimdLevel::Best) : TapestrumEffect(1, simd) {}
    // The same with channelCount engines: 1 (mono) or 2 (stereo); a count
    // below 1 makes a mono effect, above 2 a stereo one.
    TapestrumEffect(int32_t channelCount, SimdLevel simd);
    ~TapestrumEffect();
    TapestrumEffect(const TapestrumEffect&) = delete;
    TapestrumEffect& operator=(const TapestrumEffect&) = delete;

    // Clamps the value (above 1 gives 1, anything not at least 0 gives 0) and
    // stores it; an index outside 0 to 10 is ignored.
    void storeParameter(int32_t index, float value);
    // Turns the stored value into engine quantities. The engine learns the
    // host's sample rate here when it differs from its own.
    void applyParameter(int32_t index);
    // storeParameter, then applyParameter.
    void setParameter(int32_t index, float value);
    // The value as the engine holds it: indexes 0 to 7 are computed from the
    // engine's quantities (so a delay reads back on a whole frame, the head
    // position where the write head has moved since), 8 and 9 are the stored
    // values, 10 is the stored value rounded to 0 or 1. An index above 10 reads
    // as 10; a negative one gives 0.
    float readParameter(int32_t index) const;
    // The last value stored for an index from 0 to 10.
    float storedParameter(int32_t index) const { return values[index]; }

    // The text a host shows for the parameter's current state (an index above
    // 10 is taken as 10, a negative one gives " ").
    std::string displayText(int32_t index) const;
    // The text the parameter would show after setParameter(index, value), with
    // the other quantities as they are; nothing changes.
    std::string displayTextFor(int32_t index, float value) const;
    // The value whose text is `text`: every text displayText produces reads back
    // to a value that shows the same text; a number with or without its unit is
    // read to the nearest value. Nothing when the text cannot be read.
    std::optional<float> valueForText(int32_t index, std::string_view text) const;
    // The parameter's name and label as hosts show them (an index above 10 is
    // taken as 10; a negative one gives the name " " and the label "(cc-1)").
    static std::string_view parameterName(int32_t index);
    static std::string parameterLabel(int32_t index);

    // The host's sample rate (44100 until a host says otherwise). Durations in
    // the texts use it at once; the engine takes it at the next applyParameter.
    void setSampleRate(float rate) { hostRate = rate; }
    float sampleRate() const { return hostRate; }

    // Switching off keeps the engine's state; switching on applies every stored
    // value again, in index order.
    void suspend() {}
    void resume();
    // Forgets all audio, as a host asks before playing from another place: the
    // track, the analysis and overlap-add buffers and the synthesis phases of
    // every channel are cleared as in a new instance, then every value is
    // applied again. Not while process runs.
    void reset();
    // Makes the effect mono (1) or stereo (2; a count below 1 or above 2 as
    // the constructor takes it): the second channel's engine is built or
    // dropped, and every channel starts over as after reset, with the values,
    // the rate and the program's name kept. The effect and its loop feed stay
    // the same objects, so an editor reading the feed goes on. Main thread,
    // not while process runs; when memory runs out it throws std::bad_alloc
    // and nothing changes.
    void setChannelCount(int32_t channelCount);

    // Turns frames input samples into as many output samples; input and output
    // may be the same array. Blocks of any length continue where the last one
    // stopped. A null input is silence, processed like any other input: the
    // output is cleared and processed in place, so the engine moves on, the
    // loop plays on, and every output sample is written (nothing allocates).
    // For a mono effect; a stereo one writes silence and stays as it is.
    // Audio thread.
    void process(const float* input, float* output, int32_t frames) {
        if (secondVoc) {
            std::fill_n(output, std::max(frames, 0), 0.0f);
            return;
        }
        if (!input) {
            std::fill_n(output, std::max(frames, 0), 0.0f);
            input = output;
        }
        delayVoc->Process(input, output, frames);
        if (feed->attached()) feed->publish(*delayVoc, nullptr);
    }

    // Like process, for every channel: inputs and outputs hold channelCount()
    // arrays each. A null inputs, or a null array among them, is silence as
    // for process; each channel's input and output may be the same array.
    // Audio thread.
    void processChannels(const float* const* inputs, float* const* outputs, int32_t frames);

    int32_t channelCount() const { return secondVoc ? 2 : 1; }

    // ---- What every format's face does alike ----------------------------------

    // Like process, for a block of any length a format counts: in runs the
    // engine's count holds, which continue one another, so the output is what
    // one run would give. Audio thread.
    void processAnyLength(const float* input, float* output, size_t frames) {
        constexpr size_t kLongestRun = std::numeric_limits<int32_t>::max();
        for (size_t done = 0; done < frames;) {
            const size_t run = std::min(kLongestRun, frames - done);
            process(input ? input + done : nullptr, output + done, static_cast<int32_t>(run));
            done += run;
        }
    }

    // Like processChannels, for samples [from, to) of every channel's arrays,
    // counted as a format counts them, in runs as processAnyLength cuts them.
    // Audio thread.
    void processChannelsAnyLength(const float* const* inputs, float* const* outputs, size_t from,
                                  size_t to) {
        constexpr size_t kLongestRun = std::numeric_limits<int32_t>::max();
        const int32_t channels = channelCount();
        for (size_t done = from; done < to;) {
            const size_t run = std::min(kLongestRun, to - done);
            const float* runInputs[2] = {};
            float* runOutputs[2] = {};
            for (int32_t c = 0; c < channels; ++c) {
                runInputs[c] = inputs && inputs[c] ? inputs[c] + done : nullptr;
                runOutputs[c] = outputs[c] + done;
            }
            processChannels(runInputs, runOutputs, static_cast<int32_t>(run));
            done += run;
        }
    }

    // Takes the host's rate as setSampleRate does when AcceptedSampleRate
    // accepts it; a refused rate changes nothing and gives false.
    bool acceptSampleRate(double rate) {
        const std::optional<float> accepted = AcceptedSampleRate(rate);
        if (accepted) setSampleRate(*accepted);
        return accepted.has_value();
    }
    // Sets the values in index order, each as setParameter does.
    void setValues(const std::array<float, kParameterCount>& values);
    // The whole state a host saves in its project: the values as last stored
    // (not as read back) and the program's name. Main thread.
    EffectState state() const;
    // Sets the state's values in index order, as setValues does, and takes its
    // name. Main thread, perhaps while the audio thread processes: the values
    // reach it as any parameter change does.
    void setState(const EffectState& state);

    // The first channel's engine, for reading its quantities and its track
    // view (any thread, as the engine says).
    const TDelayVoc& engine() const { return *delayVoc; }
    // A channel's engine (0 or 1 for a stereo effect, 0 for a mono one).
    const TDelayVoc& channelEngine(int32_t channel) const {
        return channel == 1 && secondVoc ? *secondVoc : *delayVoc;
    }

    // One picture of the whole track for an editor: the track view's
    // MagnitudeCount() magnitudes, frame after frame, each the louder of the
    // two channels' for a stereo effect (the engine's own for a mono one). The
    // louder rather than the sum, so that a sound in the middle (equal in both
    // channels) draws as it would in mono and a sound panned hard to one side
    // draws as loud as one in the middle, not half as loud. Written into
    // picture, which holds MagnitudeCount() floats; any thread, a picture as
    // the track view's is.
    void trackPicture(float* picture) const;

    // The picture an editor draws, which the process calls publish while a
    // reader is attached (core/LoopFeed.h); for a stereo effect its levels are
    // the louder channel's, as trackPicture's are.
    const LoopFeed& loopFeed() const { return *feed; }

  private:
    std::array<RelaxedAtomic<float>, kParameterCount> values;
    RelaxedAtomic<float> hostRate{44100.0f};
    std::unique_ptr<TDelayVoc> delayVoc;  // the first (or only) channel
    std::unique_ptr<TDelayVoc> secondVoc; // the second channel; null when mono
    SimdLevel simdLevel;                  // the engines' kernels
    std::unique_ptr<LoopFeed> feed;
    // The one program's name, kDefaultProgramName until a state names it; the
    // main thread alone reads and writes it.
    std::string programName{kDefaultProgramName};
};
