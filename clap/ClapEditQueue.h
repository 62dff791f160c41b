// SPDX-License-Identifier: ISC
// ClapEditQueue: the editor's parameter edits on their way to the host. The
// editor (the host's main thread) pushes them; the call that next hands the host
// output events (process on the audio thread, or a parameter flush, which the
// format never runs at the same time as process) takes them out in order. A
// fixed ring of slots: neither side allocates, locks or waits.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct ClapEdit {
    enum Kind : uint8_t { Begin, Value, End };
    Kind kind = Value;
    int32_t index = 0;
    float value = 0.0f; // Value only
};

class ClapEditQueue {
  public:
    // Main thread. False when the ring is full: the edit stays with the caller.
    bool push(const ClapEdit& edit) {
        const uint32_t at = written.load(std::memory_order_relaxed);
        if (at - taken.load(std::memory_order_acquire) == kCapacity) return false;
        slots[at % kCapacity] = edit;
        written.store(at + 1, std::memory_order_release);
        return true;
    }

    // The thread that processes or flushes: the oldest edit, or null; pop
    // removes it once the host has taken it.
    const ClapEdit* front() const {
        const uint32_t at = taken.load(std::memory_order_relaxed);
        return at == written.load(std::memory_order_acquire) ? nullptr : &slots[at % kCapacity];
    }
    void pop() {
        taken.store(taken.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

  private:
    // A long drag at a few hundred moves a second, between two blocks.
    static constexpr uint32_t kCapacity = 256;
    // Each slot is written before `written` passes it and read before `taken`
    // passes it: the release and acquire on the counters order the slots'
    // plain contents between the two threads.
    std::array<ClapEdit, kCapacity> slots{};
    std::atomic<uint32_t> written{0}; // written by the main thread
    std::atomic<uint32_t> taken{0};   // written by the processing or flushing thread
};
