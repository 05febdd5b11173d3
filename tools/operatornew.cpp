// The program's operator new and delete in every form: requests of up to
// kMaxSmallSize bytes come from the process's SmallHeap (processheap.h),
// which populates its pages ahead of use; larger requests, over-aligned ones
// the heap cannot align, and everything once the heap's region is used up go
// to malloc, with the pages of large blocks populated at once.
// Linked into the abimport tool only; the library allocates with plain new
// and so gets this heap inside the tool and the host's allocator elsewhere.
#include <cstddef>

#include "../memory/processheap.h"

namespace abimport::memory {

namespace {

thread_local ThreadCache cache;

// Hands the thread's cache back to the heap when the thread ends. The heap is
// never destroyed, so blocks freed after that (by later destructors, or at
// exit) still find it.
struct CacheRetirer {
    CacheRetirer() = default;
    CacheRetirer(const CacheRetirer&) = delete;
    CacheRetirer& operator=(const CacheRetirer&) = delete;
    ~CacheRetirer() {
        if (SmallHeap* h = processHeapIfSetUp()) h->retire(cache);
    }
};
thread_local CacheRetirer retirer;

void retireAtThreadExit() {
    // The first use of a thread_local with a destructor registers it.
    [[maybe_unused]] CacheRetirer* registered = &retirer;
}

void* allocateOrNull(size_t bytes, size_t alignment) {
    return allocateBlock(processHeap(&retireAtThreadExit), cache, bytes, alignment, true);
}

// Everything but a small request that the thread's cache has a block for:
// kept out of line so that the common case below saves no registers and
// makes no call.
[[gnu::noinline]] void* newBlockSlowly(size_t bytes, size_t alignment) {
    return allocateOrThrow([=] { return allocateOrNull(bytes, alignment); });
}

}  // namespace

void* newBlock(size_t bytes, size_t alignment) {
    if (bytes <= kMaxSmallSize && alignment <= kPlainAlignment) {
        if (void* p = SmallHeap::allocateAtHand(cache, bytes)) return p;
    }
    return newBlockSlowly(bytes, alignment);
}

void* newBlockNoThrow(size_t bytes, size_t alignment) noexcept {
    return allocateNoThrow([=] { return allocateOrNull(bytes, alignment); });
}

void deleteBlock(void* p) noexcept {
    releaseBlock(cache, p);
}

}  // namespace abimport::memory

#include "../memory/operatorforms.h"
