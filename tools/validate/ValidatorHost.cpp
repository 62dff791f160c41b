#include "tools/validate/ValidatorHost.h"

#include "tools/ToolError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

constexpr intptr_t kHostVersion = 2400;
constexpr int32_t kGuardFrames = 64;
constexpr uint32_t kGuardPattern = 0x7FA5A5A5u; // a NaN with a payload of its own
constexpr float kLoudestOutput = 1000.0f;       // +60 dBFS

std::atomic<float> gRate{44100.0f};
std::atomic<int32_t> gBlock{4096};

intptr_t VSTCALL Callback(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    switch (opcode) {
    case audioMasterVersion:
        ++Requests().versionAsked;
        return kHostVersion;
    case audioMasterWantMidi:
        ++Requests().wantMidi;
        return 1;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(gRate.load());
    case audioMasterGetBlockSize:
        return gBlock.load();
    case audioMasterGetCurrentProcessLevel:
        return 4; // offline
    case audioMasterGetVendorString:
    case audioMasterGetProductString:
        if (ptr) std::strcpy(static_cast<char*>(ptr), "tapestrum validate");
        return 1;
    default:
        return 0;
    }
}

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

HostRequests& Requests() {
    static HostRequests requests;
    return requests;
}

ValidatedModule::ValidatedModule(const std::string& path) : library(path) {
    if (!library.loaded())
        throw ToolError("cannot load plug-in module '" + path + "': " + library.error());
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* symbol = library.symbol(name)) {
            main = reinterpret_cast<AEffect*(VSTCALL*)(audioMasterCallback)>(symbol);
            entry = name;
            break;
        }
    }
    if (!main)
        throw ToolError("plug-in module '" + path + "' has no entry point (VSTPluginMain or main)");
}

AEffect* ValidatedModule::create(float sampleRate, int32_t blockSize) const {
    gRate = sampleRate;
    gBlock = blockSize;
    return main(Callback);
}

Instance::Instance(const ValidatedModule& module, float sampleRate, int32_t blockSize)
    : effect(module.create(sampleRate, blockSize)), block(blockSize) {
    if (!effect) throw ToolError("the entry point gave no instance");
    if (effect->magic != kEffectMagic) throw ToolError("the entry point gave no instance record");
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
}

Instance::~Instance() {
    if (running) suspend();
    dispatch(effClose);
}

void Instance::resume() {
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void Instance::suspend() {
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

void Instance::changeRate(float sampleRate) {
    suspend();
    gRate = sampleRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    resume();
}

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

std::string GuardedChannels::brokenGuard() const {
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
    return "";
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

std::string BadOutput(GuardedChannels& outputs, int32_t frames) {
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
    return "";
}
