// SPDX-License-Identifier: ISC
// PythonEffect: the effect as the Python module holds it. It owns a
// TapestrumEffect, switched on at the given rate as the C interface switches
// one on, and renders whole arrays: mono as one run of samples, stereo as
// interleaved frames (left, right, left, ...), the way a (frames, 2) numpy
// array lies in memory. A tail of silence may follow the input, rendered as
// the offline host renders its tail.
//
// Threads: Python threads may share an instance. Rendering runs without the
// interpreter's lock, so two renders, or a render and a reset or state
// change, could reach one instance at once; a flag turns the second away with
// an error instead of letting both run. Parameters and texts may be set and
// read from any thread while a render runs, as a host's user interface does.
#pragma once

#include "core/TapestrumEffect.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class PythonEffect {
  public:
    // Throws std::invalid_argument for a rate the effect refuses (not a
    // positive finite number) or a channel count other than 1 or 2.
    PythonEffect(double sampleRate, int32_t channels);
    PythonEffect(const PythonEffect&) = delete;
    PythonEffect& operator=(const PythonEffect&) = delete;

    TapestrumEffect& effect() { return core; }
    const TapestrumEffect& effect() const { return core; }

    // The frames of silence a tail of `seconds` adds at this rate, rounded to
    // the nearest frame as the offline host rounds it. Throws
    // std::invalid_argument for a negative or non-finite tail, or one longer
    // than an hour.
    size_t tailFrames(double seconds) const;

    // Renders frames input frames and tail frames of silence after them into
    // output, which holds (frames + tail) * channelCount() samples; input
    // holds frames * channelCount(). Consecutive calls continue the stream.
    // Throws std::runtime_error when another thread is rendering, resetting
    // or loading a state into this instance.
    void render(const float* input, size_t frames, size_t tail, float* output);

    // TapestrumEffect::reset and setState, turned away like render while
    // another of them runs.
    void reset();
    // Throws std::invalid_argument when the block is not a valid state.
    void loadState(std::span<const uint8_t> block);

  private:
    class Exclusive;
    void renderStereo(const float* input, size_t frames, size_t tail, float* output);

    TapestrumEffect core;
    std::atomic<bool> busy{false};
};
