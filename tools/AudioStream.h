// SPDX-License-Identifier: ISC
// Audio that a render reads and writes a chunk at a time, so that the memory it
// holds stays the same whatever the length of the audio.
#pragma once

#include <cstddef>
#include <vector>

// One vector of samples per channel, each at least as long as the chunk.
using AudioChunk = std::vector<std::vector<float>>;

class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual int sampleRate() const = 0;
    virtual size_t channels() const = 0;
    // The length the source declares, for progress reports; reading may end
    // sooner.
    virtual size_t frames() const = 0;
    // Puts the next frames into the first `frames` samples of each of the
    // chunk's channels (channels() of them) and returns how many it put there:
    // fewer than asked when the source has ended.
    virtual size_t read(AudioChunk& chunk, size_t frames) = 0;
};

class AudioSink {
  public:
    virtual ~AudioSink() = default;
    // Appends the first `frames` samples of each of the chunk's channels.
    virtual void write(const AudioChunk& chunk, size_t frames) = 0;
};
