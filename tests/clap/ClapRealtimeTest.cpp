// SPDX-License-Identifier: ISC
// The audio thread's calls into the .clap file that are the format's alone
// never allocate: events of other kinds, flushes, resets and the tail (the
// processing and activation are the contract's, tests/contract). The program's
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
    std::vector<float> block = Noise(512, 0.5f, 4);
    ClapEvents changes[4];
    for (int i = 0; i < 44; ++i)
        changes[i % 4].add(static_cast<uint32_t>(i * 11), static_cast<clap::Id>(i % 11),
                           (i % 5) / 4.0);
    changes[1].add(500, kMix, std::numeric_limits<double>::quiet_NaN());
    clap::ParamValueEvent other = ClapEvents::Change(3, kDelay, 0.5);
    other.header.type = clap::kEventNoteOn;
    changes[2].add(other);

    AllocationCounter::Begin();
    for (int i = 0; i < 200; ++i) {
        e.process(block.data(), block.data(), 512, changes[i % 4]);
        if (i % 50 == 10) {
            e.plugin->stopProcessing(e.plugin);
            e.flush(changes[3]);
            e.plugin->reset(e.plugin);
            (void)e.tail->get(e.plugin);
            e.plugin->startProcessing(e.plugin);
        }
    }
    EXPECT_EQ(AllocationCounter::End(), 0u);
}

} // namespace
