// SPDX-License-Identifier: ISC
// The audio thread's calls into every face allocate nothing: blocks with
// changes of every parameter at many offsets (a NaN among them), in place and
// not, blocks of no samples without buffers, values read, and, where the face
// switches on
// again within the instance, switching off and on at other rates. The
// program's allocator (the validator's counting one) serves the loaded
// binaries too.
#include "contract/ContractSuite.h"
#include "support/Signals.h"
#include "tools/validate/AllocationCounter.h"

#include <limits>

namespace {

TEST_P(Contract, ProcessingAllocatesNothing) {
    if (!AllocationCounter::Available()) GTEST_SKIP() << "the allocator is not replaced here";
    ASSERT_TRUE(face->activate(44100));
    std::vector<ParameterChange> changes;
    for (int32_t offset = 0; offset < 512; offset += 37)
        for (int32_t index = 0; index < kParameterCount; ++index)
            changes.push_back({index, offset, static_cast<float>((offset + index) % 10) / 9});
    changes.push_back({kMix, 500, std::numeric_limits<float>::quiet_NaN()});
    const std::vector<float> input = Noise(512 * 64, 0.5f, 5);
    std::vector<float> output(input.size());
    face->process(input.data(), output.data(), 512, changes);

    AllocationCounter::Begin();
    for (size_t block = 1; block < 64; ++block) {
        float* out = output.data() + block * 512;
        const float* in = block % 2 == 1 ? input.data() + block * 512 : out;
        face->process(in, out, 512, changes);
        face->process(nullptr, nullptr, 0, changes);
        (void)face->value(static_cast<int32_t>(block) % kParameterCount);
        if (traits().reactivatesInPlace && block % 20 == 10) {
            face->deactivate();
            face->activate(block % 40 == 10 ? 48000 : 96000);
        }
    }
    EXPECT_EQ(AllocationCounter::End(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Faces, Contract, testing::ValuesIn(LoadedFaces()),
                         [](const auto& info) { return info.param.name; });

} // namespace
