// The small-object heap of a whole program (or of one module that keeps its
// operator new and delete to itself), and the rules of an operator new built
// on it: which requests the heap serves and which go to malloc.
//
// The heap is set up on first use and never destroyed, so that blocks freed
// late (by destructors at exit) still find it. It reserves 64 GiB of address
// space (the system accounts only for what is used), populates its pages
// ahead of use on a helper thread once 2 MiB were used, and holds its locks
// across fork() so that a child finds it consistent (SmallHeap::lockForFork).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "smallheap.h"

namespace abimport::memory {

namespace detail {
extern std::atomic<SmallHeap*> processHeap;
SmallHeap* setUpProcessHeap(void (*cacheStarted)());
}  // namespace detail

// The heap if it is set up, else null: a block can be the heap's only then.
inline SmallHeap* processHeapIfSetUp() {
    return detail::processHeap.load(std::memory_order_acquire);
}

// The heap, set up on the first call; null when no address space could be
// reserved. cacheStarted is passed on as SmallHeap::Settings::cacheStarted;
// the first call's counts.
inline SmallHeap* processHeap(void (*cacheStarted)()) {
    if (SmallHeap* heap = processHeapIfSetUp()) return heap;
    return detail::setUpProcessHeap(cacheStarted);
}

// A block of at least `bytes` aligned to `alignment`: from heap through cache
// when heap is given and can serve and align the request (up to
// kMaxSmallSize bytes), else from malloc. With populateLarge, the whole pages
// of a block of 256 KiB to 64 MiB from malloc are populated at once: such
// blocks are mostly fresh pages that the caller fills right away (a list that
// grows by doubling, a hash table's buckets), and one call for the block
// costs less than a fault per page. Null when neither has memory.
void* allocateBlockSlowly(SmallHeap* heap, ThreadCache& cache, size_t bytes, size_t alignment,
                          bool populateLarge);

// The same, with the common case (a small request of the default alignment)
// in line.
inline void* allocateBlock(SmallHeap* heap, ThreadCache& cache, size_t bytes, size_t alignment,
                           bool populateLarge) {
    if (heap && bytes <= kMaxSmallSize && alignment <= kPlainAlignment) {
        if (void* p = heap->allocate(cache, bytes)) return p;
    }
    return allocateBlockSlowly(heap, cache, bytes, alignment, populateLarge);
}

// Frees a block from allocateBlock, or any block from malloc: to the heap
// through cache when the heap holds it, else with free().
inline void releaseBlock(ThreadCache& cache, void* p) {
    if (!p) return;
    SmallHeap* heap = processHeapIfSetUp();
    if (heap && heap->owns(p)) {
        heap->deallocate(cache, p);
    } else {
        std::free(p);
    }
}

// What operator new does with a request that allocate() answers with null:
// calls the new-handler and tries again until there is none, then throws
// bad_alloc.
template <class Allocate>
void* allocateOrThrow(Allocate allocate) {
    for (;;) {
        if (void* p = allocate()) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

// The nothrow forms: the same, with null for bad_alloc.
template <class Allocate>
void* allocateNoThrow(Allocate allocate) noexcept {
    try {
        return allocateOrThrow(allocate);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace abimport::memory
