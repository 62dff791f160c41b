// SPDX-License-Identifier: ISC
#include "tools/validate/AllocationCounter.h"

#include <atomic>
#include <new>

#if defined(TAPESTRUM_COUNT_ALLOCATIONS)
#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

thread_local bool counting = false;
thread_local uint64_t counted = 0;
std::atomic<int64_t> live{0};

void* Track(void* pointer) {
    if (pointer)
        live.fetch_add(static_cast<int64_t>(malloc_usable_size(pointer)),
                       std::memory_order_relaxed);
    return pointer;
}

void Release(void* pointer) {
    if (pointer)
        live.fetch_sub(static_cast<int64_t>(malloc_usable_size(pointer)),
                       std::memory_order_relaxed);
}

void Note() {
    if (counting) ++counted;
}

void* Aligned(size_t alignment, size_t size) {
    Note();
    return Track(__libc_memalign(alignment, size));
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    Note();
    return Track(__libc_malloc(size));
}

void* calloc(size_t count, size_t size) {
    Note();
    return Track(__libc_calloc(count, size));
}

void* realloc(void* pointer, size_t size) {
    Note();
    Release(pointer);
    void* moved = __libc_realloc(pointer, size);
    // A failed reallocation leaves the old block in place.
    if (!moved && pointer && size != 0) return Track(pointer), nullptr;
    return Track(moved);
}

void free(void* pointer) {
    if (!pointer) return;
    Note();
    Release(pointer);
    __libc_free(pointer);
}

void* memalign(size_t alignment, size_t size) { return Aligned(alignment, size); }
void* aligned_alloc(size_t alignment, size_t size) { return Aligned(alignment, size); }

int posix_memalign(void** result, size_t alignment, size_t size) {
    void* pointer = Aligned(alignment, size);
    if (!pointer) return ENOMEM;
    *result = pointer;
    return 0;
}
}

void* operator new(size_t size) {
    if (void* pointer = malloc(size == 0 ? 1 : size)) return pointer;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void* operator new(size_t size, std::align_val_t alignment) {
    if (void* pointer = Aligned(static_cast<size_t>(alignment), size == 0 ? 1 : size))
        return pointer;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void operator delete(void* pointer) noexcept { free(pointer); }
void operator delete[](void* pointer) noexcept { free(pointer); }
void operator delete(void* pointer, size_t) noexcept { free(pointer); }
void operator delete[](void* pointer, size_t) noexcept { free(pointer); }
void operator delete(void* pointer, std::align_val_t) noexcept { free(pointer); }
void operator delete[](void* pointer, std::align_val_t) noexcept { free(pointer); }
void operator delete(void* pointer, size_t, std::align_val_t) noexcept { free(pointer); }
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept { free(pointer); }

namespace AllocationCounter {
bool Available() { return true; }
void Begin() {
    counted = 0;
    counting = true;
}
uint64_t End() {
    counting = false;
    return counted;
}
int64_t LiveBytes() { return live.load(std::memory_order_relaxed); }
} // namespace AllocationCounter

#else

namespace AllocationCounter {
bool Available() { return false; }
void Begin() {}
uint64_t End() { return 0; }
int64_t LiveBytes() { return 0; }
} // namespace AllocationCounter

#endif
