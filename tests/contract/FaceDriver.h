// SPDX-License-Identifier: ISC
// What the contract tests (and the faces' fuzz target) ask of every face, in one
// small interface that each face's driver implements as that format's host
// would: switched on at a rate, blocks with parameter changes at sample
// offsets, the state through a stream of any shape, values set from the main
// thread, and the texts. A face that lacks a capability says so, and the
// suite skips what needs it. A driver of a face's stereo plug-in has two
// channels and takes its blocks through processChannels.
//
// Threads: process comes from one audio thread; set, value, text, parse,
// save and load may come from one main thread while it runs. activate and
// deactivate come from the main thread while no block runs.
#pragma once

#include "core/ParameterTable.h"
#include "support/ChunkedStream.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A change of a parameter that lands on sample `offset` of its block.
struct ParameterChange {
    int32_t index;
    int32_t offset;
    float value;
};

// What a face's value reads give: the engine's read-back (a delay on a whole
// frame, a head position that moves as the effect plays), or the value as
// last set.
enum class ValueReads { Engine, Stored };

// How a face takes its sample rate: as a float it cannot refuse, as a float it
// refuses when not positive and finite, or as a double it refuses unless it is
// a positive float.
enum class RateType { Unchecked, Float, Double };

struct FaceTraits {
    // A state block through a stream (save and load).
    bool state = false;
    // Texts of values; `textsOfAnyValue` when the face shows a value it does not
    // hold, otherwise text() sets the value first. `parses` when it reads texts.
    bool texts = false;
    bool textsOfAnyValue = false;
    bool parses = false;
    ValueReads values = ValueReads::Engine;
    RateType rate = RateType::Unchecked;
    // Whether switching on again happens within the instance, without
    // allocating (faces whose rate comes with the instance make a new one).
    bool reactivatesInPlace = false;
};

class FaceDriver {
  public:
    virtual ~FaceDriver() = default;
    virtual const FaceTraits& traits() const = 0;

    // Switches the face on at the rate; false when it refuses the rate.
    virtual bool activate(double rate) = 0;
    virtual void deactivate() = 0;
    // One block of `frames` samples from `input` (null: none) into `output`
    // (which may be `input`), with the changes, ordered by offset and, at one
    // offset, by index. False when the face fails the block.
    virtual bool process(const float* input, float* output, int32_t frames,
                         std::span<const ParameterChange> changes) = 0;

    // The instance's channels: 1, or 2 for a face's stereo plug-in (whose
    // blocks come through processChannels; process gives it no second
    // channel).
    virtual int32_t channels() const { return 1; }
    // As process, for every channel: `inputs` (null: none) and `outputs` hold
    // channels() arrays each.
    virtual bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                                 std::span<const ParameterChange> changes) {
        return channels() == 1 &&
               process(inputs ? inputs[0] : nullptr, outputs[0], frames, changes);
    }

    // The state written through `stream`, or read from it; false when the face
    // fails or refuses it.
    virtual bool save(ChunkedStream&) { return false; }
    virtual bool load(ChunkedStream&) { return false; }

    virtual void set(int32_t index, float value) = 0;
    virtual float value(int32_t index) = 0;
    virtual std::string text(int32_t, float) { return {}; }
    virtual std::optional<float> parse(int32_t, std::string_view) { return std::nullopt; }
};

// A driver that takes every block through processChannels: a mono block is
// the first channel of two, with no second.
class ChannelFaceDriver : public FaceDriver {
  public:
    bool process(const float* input, float* output, int32_t frames,
                 std::span<const ParameterChange> changes) final {
        const float* inputs[2] = {input, nullptr};
        float* outputs[2] = {output, nullptr};
        return processChannels(inputs, outputs, frames, changes);
    }
    bool processChannels(const float* const* inputs, float* const* outputs, int32_t frames,
                         std::span<const ParameterChange> changes) override = 0;
};

// Values the main thread has set, waiting for the audio thread to send them
// with the next block, as hosts do for formats whose plug-in takes its
// changes with the audio. The main thread writes; the audio thread takes.
class PendingValues {
  public:
    void put(int32_t index, float value) {
        if (index < 0 || index >= kParameterCount) return;
        values[index].store(value, std::memory_order_relaxed);
        waiting[index].store(true, std::memory_order_release);
    }
    // Appends the waiting values as changes at offset 0, in index order.
    template <class Add> void take(const Add& add) {
        for (int32_t i = 0; i < kParameterCount; ++i)
            if (waiting[i].exchange(false, std::memory_order_acquire))
                add(i, values[i].load(std::memory_order_relaxed));
    }

  private:
    std::atomic<float> values[kParameterCount]{};
    std::atomic<bool> waiting[kParameterCount]{};
};
