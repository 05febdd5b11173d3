// The program's operator new and delete in every form: requests of up to
// kMaxSmallSize bytes come from one process-wide SmallHeap that populates its
// pages ahead of use; larger requests, over-aligned ones the heap cannot
// align, and everything once the heap's region is used up go to malloc, with
// the pages of large blocks populated at once.
// Linked into the abimport tool only; the library allocates with plain new
// and so gets this heap inside the tool and the host's allocator elsewhere.
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "smallheap.h"

namespace abimport_memory {

namespace {

// Address space only: the system accounts for spans as they are taken.
constexpr size_t kReserveBytes = size_t{64} << 30;
constexpr size_t kMinimumReserveBytes = size_t{256} << 20;
// Runs that use less than this never start the helper thread.
constexpr size_t kPrefaultAfter = size_t{2} << 20;

// Large blocks are mostly fresh pages that the caller fills at once (a list
// that grows by doubling, a hash table's buckets): one populate call for the
// block costs less than a fault per page. Blocks beyond the upper bound may
// well be reserved rather than filled, so they fault in as they are used.
constexpr size_t kPopulateLargeFrom = size_t{256} << 10;
constexpr size_t kPopulateLargeUpTo = size_t{64} << 20;

alignas(SmallHeap) unsigned char heapStorage[sizeof(SmallHeap)];
std::atomic<SmallHeap*> heap{nullptr};
std::atomic<bool> heapUnavailable{false};
std::mutex heapSetup;

thread_local ThreadCache cache;

// Hands the thread's cache back to the heap when the thread ends. The heap is
// never destroyed, so blocks freed after that (by later destructors, or at
// exit) still find it.
struct CacheRetirer {
    CacheRetirer() = default;
    CacheRetirer(const CacheRetirer&) = delete;
    CacheRetirer& operator=(const CacheRetirer&) = delete;
    ~CacheRetirer() {
        if (SmallHeap* h = heap.load(std::memory_order_acquire)) h->retire(cache);
    }
};
thread_local CacheRetirer retirer;

void retireAtThreadExit() {
    // The first use of a thread_local with a destructor registers it.
    [[maybe_unused]] CacheRetirer* registered = &retirer;
}

SmallHeap* setUpHeap() {
    std::lock_guard<std::mutex> lock(heapSetup);
    if (SmallHeap* h = heap.load(std::memory_order_acquire)) return h;
    if (heapUnavailable.load(std::memory_order_relaxed)) return nullptr;
    const SmallHeap::Settings settings{kReserveBytes, kMinimumReserveBytes, true, kPrefaultAfter,
                                       &retireAtThreadExit};
    SmallHeap* h = new (heapStorage) SmallHeap(settings);  // never destroyed
    if (!h->usable()) {
        heapUnavailable.store(true, std::memory_order_relaxed);
        return nullptr;
    }
    heap.store(h, std::memory_order_release);
    return h;
}

SmallHeap* smallHeap() {
    if (SmallHeap* h = heap.load(std::memory_order_acquire)) return h;
    if (heapUnavailable.load(std::memory_order_relaxed)) return nullptr;
    return setUpHeap();
}

// Populates the whole pages of a block just taken from malloc; nothing when
// the kernel cannot.
void populateBlock(void* p, size_t bytes) {
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(p) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) / page * page;
    if (start < end) populatePages(reinterpret_cast<char*>(start), end - start);
}

void* mallocOrNull(size_t bytes, size_t alignment) {
    if (bytes == 0) bytes = 1;
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(bytes);
    } else if (posix_memalign(&p, alignment, bytes) != 0) {
        p = nullptr;
    }
    if (p && bytes >= kPopulateLargeFrom && bytes <= kPopulateLargeUpTo) populateBlock(p, bytes);
    return p;
}

// The heap when it can align the block, else malloc; null when neither has
// memory.
void* allocateOrNull(size_t bytes, size_t alignment) {
    size_t rounded = bytes;
    if (alignment > alignof(std::max_align_t))
        rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded <= kMaxSmallSize && rounded >= bytes) {
        if (SmallHeap* h = smallHeap()) {
            const bool aligned = alignment <= alignof(std::max_align_t) ||
                                 classSize(sizeClassOf(rounded)) % alignment == 0;
            if (aligned) {
                if (void* p = h->allocate(cache, rounded)) return p;
            }
        }
    }
    return mallocOrNull(bytes, alignment);
}

// What operator new does when memory runs out: the new-handler, until there
// is none, then bad_alloc.
void* allocateOrThrow(size_t bytes, size_t alignment) {
    for (;;) {
        if (void* p = allocateOrNull(bytes, alignment)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* allocateNoThrow(size_t bytes, size_t alignment) noexcept {
    try {
        return allocateOrThrow(bytes, alignment);
    } catch (...) {
        return nullptr;
    }
}

void release(void* p) noexcept {
    if (!p) return;
    SmallHeap* h = heap.load(std::memory_order_acquire);
    if (h && h->owns(p)) {
        h->deallocate(cache, p);
    } else {
        std::free(p);
    }
}

constexpr size_t kDefault = alignof(std::max_align_t);

}  // namespace

}  // namespace abimport_memory

using abimport_memory::allocateNoThrow;
using abimport_memory::allocateOrThrow;
using abimport_memory::kDefault;
using abimport_memory::release;

void* operator new(size_t bytes) { return allocateOrThrow(bytes, kDefault); }
void* operator new[](size_t bytes) { return allocateOrThrow(bytes, kDefault); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    return allocateNoThrow(bytes, kDefault);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    return allocateNoThrow(bytes, kDefault);
}
void* operator new(size_t bytes, std::align_val_t alignment) {
    return allocateOrThrow(bytes, static_cast<size_t>(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment) {
    return allocateOrThrow(bytes, static_cast<size_t>(alignment));
}
void* operator new(size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateNoThrow(bytes, static_cast<size_t>(alignment));
}
void* operator new[](size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateNoThrow(bytes, static_cast<size_t>(alignment));
}

// A block's class is known from its span, so the size and alignment that the
// sized and aligned forms pass are not needed.
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { release(p); }
