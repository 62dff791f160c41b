// SPDX-License-Identifier: ISC
// Processing never allocates: every allocation of this program is counted, and
// none may happen while audio runs through the engine (through the faces, it
// is the contract's, tests/contract).
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

} // namespace
