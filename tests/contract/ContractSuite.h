// What the contract tests share: the parametrised fixture over the faces, the
// reference every face must equal (the core with its scalar kernels, fed the
// same blocks and changes), and the blocks both are fed.
#pragma once

#include "contract/LoadedFaces.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using Changes = std::vector<ParameterChange>;

// The core as the faces drive it, switched on at the rate, with the scalar
// kernels. A block is cut at each change, as in every face; a missing input is
// a block of zeros.
class Reference {
  public:
    explicit Reference(float rate);
    void process(const float* input, float* output, int32_t frames, const Changes& changes);
    // What a face's value reads give for the parameter.
    float value(ValueReads reads, int32_t index) const;

    TapestrumEffect effect{SimdLevel::Reference};
};

// Every parameter at the given values (the others at their defaults), as
// changes at offset 0 in index order.
Changes Settings(const std::vector<std::pair<int32_t, float>>& values);

class Contract : public ::testing::TestWithParam<Face> {
  protected:
    void SetUp() override {
        face = GetParam().make();
        ASSERT_NE(face, nullptr) << GetParam().name << " made no instance";
    }
    const FaceTraits& traits() const { return face->traits(); }

    // `signal` through the face in blocks of `block` (every other one in place),
    // with `changesAt(start, frames)` for each block's changes; when `reference`
    // is given, the same through it in one call, which the output must equal.
    template <class ChangesAt>
    std::vector<float> render(const std::vector<float>& signal, int32_t block,
                              const ChangesAt& changesAt, Reference* reference = nullptr);

    std::unique_ptr<FaceDriver> face;
};

template <class ChangesAt>
std::vector<float> Contract::render(const std::vector<float>& signal, int32_t block,
                                    const ChangesAt& changesAt, Reference* reference) {
    std::vector<float> output(signal.size());
    Changes all; // at their offsets in the whole signal, for the reference's one call
    for (size_t start = 0; start < signal.size(); start += static_cast<size_t>(block)) {
        const auto frames = static_cast<int32_t>(
            std::min<size_t>(static_cast<size_t>(block), signal.size() - start));
        const Changes changes = changesAt(start, frames);
        for (const ParameterChange& c : changes)
            all.push_back({c.index, c.offset + static_cast<int32_t>(start), c.value});
        float* target = output.data() + start;
        const bool inPlace = (start / static_cast<size_t>(block)) % 2 == 1;
        if (inPlace) std::copy_n(signal.data() + start, frames, target);
        EXPECT_TRUE(
            face->process(inPlace ? target : signal.data() + start, target, frames, changes));
    }
    if (reference) {
        std::vector<float> expected(signal.size());
        reference->process(signal.data(), expected.data(), static_cast<int32_t>(signal.size()),
                           all);
        EXPECT_EQ(FirstDifference(output, expected), -1);
        double energy = 0;
        for (const float sample : expected)
            energy += double{sample} * sample;
        EXPECT_GT(energy, 1.0); // a comparison of sound, not of silence
    }
    return output;
}
