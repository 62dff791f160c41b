// The audio thread's calls into the .clap file, and activation, never allocate
// (the instance allocates all it needs when it is made). The program's
// allocator (the validator's counting one) serves the loaded module too.
#include "contract/ClapDriver.h"
#include "core/ParameterTable.h"
#include "support/Signals.h"
#include "tools/validate/AllocationCounter.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(ClapRealtime, AudioThreadCallsDoNotAllocate) {
    if (!AllocationCounter::Available()) GTEST_SKIP() << "the allocator is not replaced here";
    ClapDriver e(ClapFactory(TAPESTRUM_CLAP_PATH));
    ASSERT_TRUE(e.activate(48000));
    const std::vector<float> input = Noise(512, 0.5f, 4);
    std::vector<float> output(input.size());
    ClapEvents changes[4];
    for (int i = 0; i < 44; ++i)
        changes[i % 4].add(static_cast<uint32_t>(i * 11), static_cast<clap::Id>(i % 11),
                           (i % 5) / 4.0);
    changes[1].add(500, kMix, std::numeric_limits<double>::quiet_NaN());
    clap::ParamValueEvent other = ClapEvents::Change(3, kDelay, 0.5);
    other.header.type = clap::kEventNoteOn;
    changes[2].add(other);
    float* in[1] = {const_cast<float*>(input.data())};
    float* out[1] = {output.data()};
    const clap::AudioBuffer inputs{in, nullptr, 1, 0, 0};
    clap::AudioBuffer outputs{out, nullptr, 1, 0, 0};

    AllocationCounter::Begin();
    for (int i = 0; i < 200; ++i) {
        const clap::Process block{
            i * 512, 512, nullptr, &inputs, &outputs, 1, 1, changes[i % 4].list(), nullptr};
        e.plugin->process(e.plugin, &block);
        if (i % 50 == 10) {
            e.plugin->stopProcessing(e.plugin);
            e.params->flush(e.plugin, changes[3].list(), nullptr);
            e.plugin->reset(e.plugin);
            (void)e.tail->get(e.plugin);
            e.plugin->startProcessing(e.plugin);
        }
        if (i % 50 == 30) { // switched off and on again, at another rate
            e.deactivate();
            EXPECT_TRUE(e.activate(i % 100 == 30 ? 44100 : 96000));
        }
    }
    EXPECT_EQ(AllocationCounter::End(), 0u);
}

} // namespace
