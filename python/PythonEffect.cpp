// SPDX-License-Identifier: ISC
#include "python/PythonEffect.h"

#include "core/HostRate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

float CheckedRate(double sampleRate) {
    const std::optional<float> rate = AcceptedSampleRate(sampleRate);
    if (!rate)
        throw std::invalid_argument("the sample rate must be a positive finite number of Hz, not " +
                                    std::to_string(sampleRate));
    return *rate;
}

int32_t CheckedChannels(int32_t channels) {
    if (channels != 1 && channels != 2)
        throw std::invalid_argument("channels must be 1 (mono) or 2 (linked stereo), not " +
                                    std::to_string(channels));
    return channels;
}

constexpr double kLongestTailSeconds = 3600;
constexpr size_t kLongestRun = std::numeric_limits<int32_t>::max();

} // namespace

// Holds the instance's busy flag for one operation, or throws when another
// thread holds it.
class PythonEffect::Exclusive {
  public:
    explicit Exclusive(std::atomic<bool>& flag) : busy(flag) {
        if (busy.exchange(true, std::memory_order_acquire))
            throw std::runtime_error("this Effect is in use on another thread: give each thread "
                                     "an Effect of its own");
    }
    ~Exclusive() { busy.store(false, std::memory_order_release); }
    Exclusive(const Exclusive&) = delete;
    Exclusive& operator=(const Exclusive&) = delete;

  private:
    std::atomic<bool>& busy;
};

PythonEffect::PythonEffect(double sampleRate, int32_t channels)
    : core(CheckedChannels(channels), SimdLevel::Best) {
    core.setSampleRate(CheckedRate(sampleRate));
    core.resume();
}

size_t PythonEffect::tailFrames(double seconds) const {
    if (!(seconds >= 0 && seconds <= kLongestTailSeconds))
        throw std::invalid_argument("the tail must be from 0 to 3600 seconds, not " +
                                    std::to_string(seconds));
    return static_cast<size_t>(std::llround(seconds * core.sampleRate()));
}

void PythonEffect::render(const float* input, size_t frames, size_t tail, float* output) {
    const Exclusive exclusive(busy);
    if (core.channelCount() == 2) {
        renderStereo(input, frames, tail, output);
        return;
    }
    core.processAnyLength(input, output, frames);
    core.processAnyLength(nullptr, output + frames, tail);
}

// The channels are taken apart into one array each, the tail's silence
// included, processed in place, and interleaved again.
void PythonEffect::renderStereo(const float* input, size_t frames, size_t tail, float* output) {
    const size_t total = frames + tail;
    std::vector<float> left(total, 0.0f), right(total, 0.0f);
    for (size_t n = 0; n < frames; ++n) {
        left[n] = input[2 * n];
        right[n] = input[2 * n + 1];
    }
    for (size_t done = 0; done < total;) {
        const size_t run = std::min(kLongestRun, total - done);
        float* const channels[] = {left.data() + done, right.data() + done};
        core.processChannels(channels, channels, static_cast<int32_t>(run));
        done += run;
    }
    for (size_t n = 0; n < total; ++n) {
        output[2 * n] = left[n];
        output[2 * n + 1] = right[n];
    }
}

void PythonEffect::reset() {
    const Exclusive exclusive(busy);
    core.reset();
}

void PythonEffect::loadState(std::span<const uint8_t> block) {
    const std::optional<EffectState> state = ReadEffectState(block);
    if (!state)
        throw std::invalid_argument("not a valid tapestrum state: a block of " +
                                    std::to_string(block.size()) +
                                    " bytes that does not read as one");
    const Exclusive exclusive(busy);
    core.setState(*state);
}
