// SPDX-License-Identifier: ISC
// Processing never allocates: every allocation of this program is counted, and
// none may happen while audio runs through the engine or a stereo effect
// (through the faces, it is the contract's, tests/contract), nor while it
// publishes the loop's picture to an editor.
#include "core/TapestrumEffect.h"
#include "engine/DelayVoc.h"
#include "support/Signals.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(Realtime, TheEngineProcessesWithoutAllocating) {
    TDelayVoc e;
    e.SetSampleRate(44100.0f);
    e.SetTrackLength(100);
    e.SetDelay(7);
    const std::vector<float> input = Noise(44100, 0.5f, 1);
    std::vector<float> output(input.size());
    const long before = gAllocations.load();
    for (int32_t done = 0; done < 44100; done += 441) {
        e.Process(input.data() + done, output.data() + done, 441);
        e.SetForward((done / 441) % 3 != 0); // wraps both ways, re-seeding the phases
    }
    EXPECT_EQ(gAllocations.load(), before);
}

TEST(Realtime, AStereoEffectProcessesWithoutAllocating) {
    TapestrumEffect effect(2, SimdLevel::Best);
    effect.setSampleRate(44100.0f);
    effect.resume();
    effect.setParameter(kTrackLength, 0.1f);
    const std::vector<float> left = Noise(44100, 0.5f, 1);
    const std::vector<float> right = Noise(44100, 0.5f, 2);
    std::vector<float> outLeft(left.size()), outRight(right.size());
    const long before = gAllocations.load();
    for (int32_t done = 0; done < 44100; done += 441) {
        const float* const inputs[] = {left.data() + done,
                                       done % 882 ? right.data() + done : nullptr};
        float* const outputs[] = {outLeft.data() + done, outRight.data() + done};
        effect.processChannels(inputs, outputs, 441);
        effect.setParameter(kHeadDirection, (done / 441) % 3 != 0 ? 1.0f : 0.0f);
    }
    EXPECT_EQ(gAllocations.load(), before);
}

// An editor attached: each block also publishes the loop's picture.
TEST(Realtime, PublishingTheLoopToAnEditorAllocatesNothing) {
    for (const int32_t channels : {1, 2}) {
        TapestrumEffect effect(channels, SimdLevel::Best);
        effect.resume();
        ASSERT_TRUE(effect.loopFeed().attach());
        const std::vector<float> input = Noise(44100, 0.5f, 1);
        std::vector<float> left(input.size()), right(input.size());
        const long before = gAllocations.load();
        for (int32_t done = 0; done < 44100; done += 441) {
            const float* const inputs[] = {input.data() + done, input.data() + done};
            float* const outputs[] = {left.data() + done, right.data() + done};
            effect.processChannels(inputs, outputs, 441);
            if (done % 4410 == 0) effect.loopFeed().latest();
        }
        EXPECT_EQ(gAllocations.load(), before) << channels << " channels";
    }
}

} // namespace
