// SPDX-License-Identifier: ISC
// The audio thread's calls into every face, mono and stereo, allocate nothing:
// blocks with changes of every parameter at many offsets (a NaN among them),
// in place and not, blocks of no samples without buffers, values read, and,
// where the face switches on again within the instance, switching off and on
// at other rates. The
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
    const int32_t channels = face->channels();
    std::vector<std::vector<float>> output(channels, std::vector<float>(input.size()));
    // Channel c of block b: in place (input read from its output) on even blocks.
    const auto processBlock = [&](size_t block) {
        const float* ins[2];
        float* outs[2];
        for (int32_t c = 0; c < channels; ++c) {
            outs[c] = output[c].data() + block * 512;
            ins[c] = block % 2 == 1 || block == 0 ? input.data() + block * 512 : outs[c];
        }
        face->processChannels(ins, outs, 512, changes);
    };
    processBlock(0);

    AllocationCounter::Begin();
    for (size_t block = 1; block < 64; ++block) {
        processBlock(block);
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
// The stereo plug-ins, each made as the face under test.
std::vector<Face> StereoPlugIns() {
    std::vector<Face> faces = StereoFaces();
    for (Face& face : faces)
        face.make = face.makeStereo;
    return faces;
}
INSTANTIATE_TEST_SUITE_P(StereoFaces, Contract, testing::ValuesIn(StereoPlugIns()),
                         [](const auto& info) { return info.param.name; });

} // namespace
