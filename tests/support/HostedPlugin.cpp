#include "support/HostedPlugin.h"

#include <algorithm>
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

std::vector<float> HostedPlugin::run(const std::vector<float>& input, int32_t block) {
    std::vector<float> source = input;
    std::vector<float> output(input.size());
    for (size_t done = 0; done < input.size();) {
        const auto n =
            static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(block), input.size() - done));
        float* in[1] = {source.data() + done};
        float* out[1] = {output.data() + done};
        effect->processReplacing(effect, in, out, n);
        done += static_cast<size_t>(n);
    }
    return output;
}
