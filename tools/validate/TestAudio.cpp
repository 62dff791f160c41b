// SPDX-License-Identifier: ISC
#include "tools/validate/TestAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

constexpr int32_t kGuardFrames = 64;
constexpr uint32_t kGuardPattern = 0x7FA5A5A5u; // a NaN with a payload of its own
constexpr float kLoudestOutput = 1000.0f;       // +60 dBFS

float GuardValue() {
    float value;
    std::memcpy(&value, &kGuardPattern, sizeof value);
    return value;
}

bool IsGuard(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kGuardPattern;
}

} // namespace

GuardedChannels::GuardedChannels(int32_t channels, int32_t frames)
    : length(frames), storage(static_cast<size_t>(std::max(channels, 0)),
                              std::vector<float>(static_cast<size_t>(frames + 2 * kGuardFrames))) {
    for (auto& channel : storage)
        starts.push_back(channel.data() + kGuardFrames);
    // A plug-in without channels still gets a valid array from a host.
    if (starts.empty()) starts.push_back(nullptr);
    guard();
}

void GuardedChannels::guard() {
    for (auto& channel : storage) {
        std::fill_n(channel.begin(), kGuardFrames, GuardValue());
        std::fill_n(channel.end() - kGuardFrames, kGuardFrames, GuardValue());
    }
}

std::optional<std::string> GuardedChannels::brokenGuard() const {
    for (size_t c = 0; c < storage.size(); ++c) {
        const std::vector<float>& channel = storage[c];
        for (int32_t i = 0; i < kGuardFrames; ++i) {
            if (!IsGuard(channel[static_cast<size_t>(i)]))
                return "channel " + std::to_string(c) + ", sample " +
                       std::to_string(i - kGuardFrames) + " (before the block)";
            if (!IsGuard(channel[static_cast<size_t>(length + kGuardFrames + i)]))
                return "channel " + std::to_string(c) + ", sample " + std::to_string(length + i) +
                       " (after the block)";
        }
    }
    return std::nullopt;
}

const char* SignalName(Signal signal) {
    switch (signal) {
    case Signal::Silence:
        return "silence";
    case Signal::Noise:
        return "noise";
    case Signal::Sine:
        return "a sine";
    case Signal::Dc:
        return "DC";
    case Signal::FullScale:
        return "a full-scale square";
    case Signal::Subnormal:
        return "subnormal noise";
    default:
        return "NaN and infinities";
    }
}

void Generate(Signal signal, float* samples, int32_t frames, int64_t offset, float sampleRate,
              uint32_t seed) {
    for (int32_t i = 0; i < frames; ++i) {
        const int64_t n = offset + i;
        // A hash of the position: noise that any block cut reproduces.
        uint32_t h = static_cast<uint32_t>(n) * 2654435761u ^ seed * 40503u;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        const float uniform = static_cast<float>(h & 0xFFFFFF) / 8388608.0f - 1.0f;
        switch (signal) {
        case Signal::Silence:
            samples[i] = 0.0f;
            break;
        case Signal::Noise:
            samples[i] = 0.5f * uniform;
            break;
        case Signal::Sine:
            samples[i] = static_cast<float>(
                0.5 * std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(n) / sampleRate));
            break;
        case Signal::Dc:
            samples[i] = 0.5f;
            break;
        case Signal::FullScale:
            samples[i] = (n / 50) % 2 ? 1.0f : -1.0f;
            break;
        case Signal::Subnormal:
            samples[i] = 1e-39f * uniform;
            break;
        default:
            samples[i] = n % 3 == 0   ? std::numeric_limits<float>::quiet_NaN()
                         : n % 3 == 1 ? std::numeric_limits<float>::infinity()
                                      : -std::numeric_limits<float>::infinity();
            break;
        }
    }
}

std::optional<std::string> BadOutput(GuardedChannels& outputs, int32_t frames) {
    for (int32_t c = 0; c < outputs.count(); ++c) {
        const float* samples = outputs.channel(c);
        for (int32_t i = 0; i < frames; ++i) {
            if (!std::isfinite(samples[i]))
                return "output channel " + std::to_string(c) + " sample " + std::to_string(i) +
                       " is not finite";
            if (std::fabs(samples[i]) > kLoudestOutput)
                return "output channel " + std::to_string(c) + " sample " + std::to_string(i) +
                       " is " + std::to_string(samples[i]) + ", beyond +60 dBFS";
        }
    }
    return std::nullopt;
}
