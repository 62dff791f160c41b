// SPDX-License-Identifier: ISC
// A value that one thread writes and another reads without any ordering between
// them: each access is a relaxed atomic load or store, which on x86 compiles to a
// plain move but makes concurrent access defined behaviour in C++.
#pragma once

#include <atomic>

template <typename T> class RelaxedAtomic {
  public:
    RelaxedAtomic() = default;
    RelaxedAtomic(T initial) : value(initial) {}
    RelaxedAtomic(const RelaxedAtomic&) = delete;
    RelaxedAtomic& operator=(const RelaxedAtomic&) = delete;

    operator T() const { return value.load(std::memory_order_relaxed); }
    RelaxedAtomic& operator=(T v) {
        value.store(v, std::memory_order_relaxed);
        return *this;
    }

  private:
    std::atomic<T> value{};
    static_assert(std::atomic<T>::is_always_lock_free);
};
