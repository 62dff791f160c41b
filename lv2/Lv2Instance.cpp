#include "lv2/Lv2Instance.h"

#include <algorithm>
#include <cstring>
#include <limits>

Lv2Instance::Lv2Instance(AEffect* effect, float sampleRate, int32_t maxBlockLength)
    : effect(effect), rate(sampleRate), blockSize(maxBlockLength) {
    dispatch(effOpen, 0, 0, 0.0f);
}

Lv2Instance::~Lv2Instance() {
    if (active) deactivate();
    dispatch(effClose, 0, 0, 0.0f);
}

intptr_t Lv2Instance::dispatch(int32_t opcode, int32_t index, intptr_t value, float opt) {
    return effect->dispatcher(effect, opcode, index, value, nullptr, opt);
}

void Lv2Instance::connectPort(uint32_t port, void* data) {
    if (port == kLv2AudioInPort) {
        input = static_cast<const float*>(data);
    } else if (port == kLv2AudioOutPort) {
        output = static_cast<float*>(data);
    } else if (port < kLv2PortCount) {
        controls[port - kLv2FirstControlPort] = static_cast<const float*>(data);
    }
}

void Lv2Instance::activate() {
    dispatch(effSetSampleRate, 0, 0, rate);
    dispatch(effSetBlockSize, 0, blockSize, 0.0f);
    dispatch(effMainsChanged, 0, 1, 0.0f);
    dispatch(effStartProcess, 0, 0, 0.0f);
    active = true;
}

void Lv2Instance::deactivate() {
    dispatch(effStopProcess, 0, 0, 0.0f);
    dispatch(effMainsChanged, 0, 0, 0.0f);
    active = false;
}

bool Lv2Instance::allConnected() const {
    return input && output &&
           std::none_of(controls.begin(), controls.end(), [](const float* c) { return !c; });
}

void Lv2Instance::applyChangedControls() {
    for (int32_t i = 0; i < kParameterCount; ++i) {
        const float value = *controls[i];
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        if (everApplied[i] && bits == applied[i]) continue;
        effect->setParameter(effect, i, value); // clamps into 0 to 1, NaN to 0
        applied[i] = bits;
        everApplied[i] = true;
    }
}

void Lv2Instance::run(uint32_t sampleCount) {
    if (!allConnected()) {
        if (output) std::fill_n(output, sampleCount, 0.0f);
        return;
    }
    applyChangedControls();
    // The effect's block length is a signed 32-bit count.
    constexpr uint32_t kLongestCall = std::numeric_limits<int32_t>::max();
    for (uint32_t done = 0; done < sampleCount;) {
        const uint32_t frames = std::min(kLongestCall, sampleCount - done);
        float* in = const_cast<float*>(input + done); // the effect never writes its input
        float* out = output + done;
        effect->processReplacing(effect, &in, &out, static_cast<int32_t>(frames));
        done += frames;
    }
}
