// SPDX-License-Identifier: ISC
// The LV2 wrapper's own logic: which controls reach the effect and when, and
// what an unconnected port does (the binary's audio, values and rates are the
// contract's, tests/contract).
#include "lv2/Lv2Instance.h"
#include "tools/DynamicLibrary.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <lv2/core/lv2.h>
#include <string>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Ports {
    std::vector<float> in = std::vector<float>(64, 0.5f), out = std::vector<float>(64, 9.0f);
    std::array<float, kParameterCount> controls{};
};

template <class Connect> void ConnectAll(const Connect& connect, Ports& ports) {
    connect(kLv2AudioInPort, ports.in.data());
    connect(kLv2AudioOutPort, ports.out.data());
    for (uint32_t i = 0; i < kParameterCount; ++i)
        connect(kLv2FirstControlPort + i, &ports.controls[i]);
}

// An effect that records the core's operations the runner calls.
struct RecordingCore {
    struct Call {
        std::string name;
        int32_t index = 0;
        float value = 0.0f;
    };
    void setSampleRate(float rate) { calls.push_back({"setSampleRate", 0, rate}); }
    void resume() { calls.push_back({"resume"}); }
    void suspend() { calls.push_back({"suspend"}); }
    void setParameter(int32_t index, float value) {
        calls.push_back({"setParameter", index, value});
    }
    void processChannelsAnyLength(const float* const*, float* const*, size_t from, size_t to) {
        calls.push_back({"process", static_cast<int32_t>(to - from)});
    }
    std::vector<Call> calls;
};

// The setParameter calls (index, value) that a run made, and whether it
// processed audio after them.
std::vector<std::pair<intptr_t, float>> ParameterCalls(const RecordingCore& effect, size_t from,
                                                       bool& processed) {
    std::vector<std::pair<intptr_t, float>> calls;
    processed = false;
    for (size_t i = from; i < effect.calls.size(); ++i) {
        const RecordingCore::Call& call = effect.calls[i];
        if (call.name == "setParameter") {
            EXPECT_FALSE(processed) << "a control applied after the audio";
            calls.emplace_back(call.index, call.value);
        }
        if (call.name == "process") processed = true;
    }
    return calls;
}

TEST(Lv2Wrapper, ChangedControlsReachTheEffectOnceInIndexOrderBeforeTheAudio) {
    RecordingCore effect;
    Lv2Runner<RecordingCore> instance(effect, 48000.0f);
    Ports ports;
    ConnectAll([&](uint32_t p, void* d) { instance.connectPort(p, d); }, ports);
    instance.activate();
    ASSERT_EQ(effect.calls.size(), 2u);
    EXPECT_EQ(effect.calls[0].name, "setSampleRate");
    EXPECT_EQ(effect.calls[0].value, 48000.0f);
    EXPECT_EQ(effect.calls.back().name, "resume"); // switched on with its rate

    struct Step {
        std::vector<std::pair<int, float>> writes; // port values set before the run
        std::vector<std::pair<intptr_t, float>> expected;
    };
    const std::vector<Step> steps = {
        {{},
         {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}}},
        {{}, {}},
        {{{7, 0.25f}, {3, 0.5f}}, {{3, 0.5f}, {7, 0.25f}}},
        {{{7, 0.25f}}, {}},
        {{{9, kNaN}}, {{9, kNaN}}},
        {{}, {}}, // a NaN left on a port is not applied again
        {{{0, 2.0f}, {10, -kInf}}, {{0, 2.0f}, {10, -kInf}}},
    };
    for (size_t s = 0; s < steps.size(); ++s) {
        for (const auto& [port, value] : steps[s].writes)
            ports.controls[static_cast<size_t>(port)] = value;
        const size_t before = effect.calls.size();
        instance.run(64);
        bool processed = false;
        const auto calls = ParameterCalls(effect, before, processed);
        ASSERT_EQ(calls.size(), steps[s].expected.size()) << "step " << s;
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].first, steps[s].expected[i].first) << "step " << s;
            EXPECT_EQ(std::isnan(calls[i].second), std::isnan(steps[s].expected[i].second));
            if (!std::isnan(calls[i].second)) {
                EXPECT_EQ(calls[i].second, steps[s].expected[i].second);
            }
        }
        EXPECT_TRUE(processed) << "step " << s;
    }
}

// The bundle's binary, loaded as an LV2 host loads it.
class Lv2Binary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(library.loaded()) << library.error();
        auto entry =
            reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(library.symbol("lv2_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, kLv2Uri);
        ASSERT_NE(entry(1), nullptr);
        EXPECT_STREQ(entry(1)->URI, kLv2StereoUri);
        EXPECT_EQ(entry(2), nullptr);
    }

    DynamicLibrary library{LV2_BINARY_PATH};
    const LV2_Descriptor* descriptor = nullptr;
};

TEST_F(Lv2Binary, UnconnectedPortsGiveSilence) {
    for (const uint32_t missing : {kLv2AudioInPort, kLv2FirstControlPort + 4, kLv2PortCount - 1}) {
        LV2_Handle handle = descriptor->instantiate(descriptor, 44100, "", nullptr);
        ASSERT_NE(handle, nullptr);
        Ports ports;
        ConnectAll([&](uint32_t p, void* d) { descriptor->connect_port(handle, p, d); }, ports);
        descriptor->connect_port(handle, missing, nullptr);
        descriptor->activate(handle);
        descriptor->run(handle, 64);
        EXPECT_EQ(ports.out, std::vector<float>(64, 0.0f)) << "port " << missing;
        descriptor->connect_port(handle, kLv2AudioOutPort, nullptr);
        descriptor->run(handle, 64); // no output to write: nothing happens
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }
}

} // namespace
