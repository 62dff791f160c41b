// The host's main thread reads values and texts, saves and loads the state while
// its audio thread processes with parameter changes. Under ThreadSanitizer this
// shows that every access both make is defined behaviour; in every build, that
// the audio stays finite and the main thread's answers stay within range.
#include "clap/ClapTestHost.h"
#include "core/ParameterTable.h"
#include "support/Signals.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(ClapThreads, MainThreadReadsWhileTheAudioThreadProcesses) {
    ClapModule module;
    ClapInstance e(module);
    ASSERT_TRUE(e.activate(44100, 256));
    const std::vector<uint8_t> block = *e.save(64);
    std::atomic<bool> done{false};
    std::atomic<bool> finite{true};

    std::thread audio([&] {
        const std::vector<float> input = Noise(256, 0.5f, 3);
        std::vector<float> output(input.size());
        for (int i = 0; i < 1500; ++i) {
            EventList changes;
            changes.add(static_cast<uint32_t>(i * 37 % 256), static_cast<clap::Id>(i % 11),
                        (i % 13) / 12.0);
            e.process(input.data(), output.data(), 256, changes);
            for (const float v : output)
                if (!std::isfinite(v)) finite = false;
        }
        done = true;
    });
    int rounds = 0;
    while (!done.load()) {
        for (clap::Id id = 0; id < 11; ++id) {
            const double value = e.value(id);
            EXPECT_TRUE(value >= 0 && value <= 1) << id;
            const std::string text = e.valueText(id, value);
            EXPECT_TRUE(e.textValue(id, text)) << id << ": '" << text << "'";
        }
        EXPECT_TRUE(e.save(64));
        if (rounds++ % 4 == 0) {
            EXPECT_TRUE(e.load(block, 64));
        }
    }
    audio.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(rounds, 1);
}

} // namespace
