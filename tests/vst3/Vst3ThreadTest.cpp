// The controller's thread and the audio thread at once, as hosts run them: the
// audio thread processes with parameter changes in every block while the main
// thread reads texts, sets the controller's values and saves and restores the
// component's state. Under ThreadSanitizer this shows every unordered access.
#include "core/EffectState.h"
#include "support/Signals.h"
#include "vst3/Vst3TestHost.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace testhost;

TEST(Vst3Threads, ControllerAndAudioThreadsAtOnce) {
    Vst3Module module(TAPESTRUM_VST3_BUNDLE);
    ASSERT_TRUE(module.loaded()) << module.library.error();
    Vst3Plugin plugin(module);
    plugin.start(44100.0, 256);

    const std::vector<float> input = Noise(256 * 400, 0.5f, 3);
    std::vector<float> output(input.size());
    std::atomic<bool> done{false};
    std::thread audio([&] {
        ParameterChanges changes;
        for (size_t block = 0; block < 400; ++block) {
            changes.clear();
            changes.add(kDelay, static_cast<int32_t>(block % 256), (block % 17) / 17.0);
            changes.add(kTrackLength, 100, 0.5 + (block % 5) / 10.0);
            plugin.process(input.data() + block * 256, output.data() + block * 256, 256, &changes);
        }
        done = true;
    });

    const EffectState restored{{0.2f, 1, 0.9f, 0.1f, 0.8f, 0.01f, 0.6f, 0.3f, 0.7f, 0.5f, 1}, "x"};
    size_t rounds = 0;
    while (!done || rounds < 20) {
        for (int32_t id = 0; id < kParameterCount; ++id) {
            EXPECT_NE(plugin.text(static_cast<ParamID>(id), (rounds % 10) / 9.0), "<none>");
            plugin.controller->setParamNormalized(static_cast<ParamID>(id), (rounds % 7) / 6.0);
        }
        EXPECT_TRUE(ReadEffectState(plugin.componentState()));
        EXPECT_EQ(plugin.setComponentState(WriteEffectState(restored)), kResultOk);
        ++rounds;
    }
    audio.join();
    for (float sample : output)
        ASSERT_TRUE(std::isfinite(sample));
    // The last state set stays, apart from what the last blocks changed.
    const std::optional<EffectState> state = ReadEffectState(plugin.componentState());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->values[kMix], 0.5f);
    EXPECT_EQ(state->name, "x");
}

} // namespace
