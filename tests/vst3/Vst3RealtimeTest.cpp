// The audio thread's calls into the VST 3 processor allocate nothing: blocks
// with parameter changes at many offsets, in place and not, and blocks with no
// samples. The program's allocator (the validator's counting one) serves the
// loaded binary too.
#include "core/ParameterTable.h"
#include "support/Signals.h"
#include "tools/validate/AllocationCounter.h"
#include "vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

namespace {

using namespace testhost;

TEST(Vst3Realtime, ProcessAllocatesNothing) {
    if (!AllocationCounter::Available()) GTEST_SKIP() << "the allocator is not replaced here";
    Vst3Module module(TAPESTRUM_VST3_BUNDLE);
    ASSERT_TRUE(module.loaded()) << module.library.error();
    Vst3Plugin plugin(module);
    plugin.start(44100.0, 512);

    const std::vector<float> input = Noise(512 * 64, 0.5f, 5);
    std::vector<float> output(input.size());
    ParameterChanges changes;
    for (int32_t offset = 0; offset < 512; offset += 37)
        for (ParamID id = 0; id < static_cast<ParamID>(kParameterCount); ++id)
            changes.add(id, offset, ((offset + id) % 10) / 9.0);
    plugin.process(input.data(), output.data(), 512, &changes);

    AllocationCounter::Begin();
    for (size_t block = 1; block < 64; ++block) {
        float* out = output.data() + block * 512;
        const float* in = block % 2 == 1 ? input.data() + block * 512 : out;
        plugin.process(in, out, 512, &changes);
        plugin.process(nullptr, nullptr, 0, &changes);
    }
    EXPECT_EQ(AllocationCounter::End(), 0u);
}

} // namespace
