// SPDX-License-Identifier: ISC
#include "support/HostedPlugin.h"

#include <cstring>

void HostedPlugin::SetUp() {
    ASSERT_TRUE(module.loaded());
    effect = module.entry()(RecordingHost::Callback);
    ASSERT_NE(effect, nullptr);
}

void HostedPlugin::TearDown() {
    if (effect) {
        EXPECT_EQ(Dispatch(effect, effClose), 1);
        effect = nullptr;
    }
}

void HostedPlugin::start(float rate, int32_t blockSize) {
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, rate);
    Dispatch(effect, effSetBlockSize, 0, blockSize);
    Dispatch(effect, effMainsChanged, 0, 1);
}

std::string HostedPlugin::text(int32_t opcode, int32_t index) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    Dispatch(effect, opcode, index, 0, buffer);
    return buffer;
}

std::vector<float> HostedPlugin::run(std::vector<float> input) {
    std::vector<float> output(input.size());
    float* in[1] = {input.data()};
    float* out[1] = {output.data()};
    effect->processReplacing(effect, in, out, static_cast<int32_t>(input.size()));
    return output;
}
