// A heap for small objects: blocks of fixed size classes carved from spans of
// one address region, without a header per block. A block's class is found
// from its span, so freeing needs only the pointer.
//
// Each thread works on its own ThreadCache (blocks at hand and the rest of the
// span it is carving, per class) without locks; caches trade blocks with the
// heap's shared lists in batches. A block may be freed on any thread, and a
// freed block serves the next request of its class on any thread. A span
// stays with the class that took it until trim() finds every block of it
// free: its pages then go back to the system and the span waits on a list of
// free spans for the next class that needs one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "addressregion.h"
#include "prefaulter.h"
#include "sizeclasses.h"

namespace abimport::memory {

struct FreeBlock {
    FreeBlock* next;
};

// One thread's side of the heap. All zeros is a valid, unused cache, so a
// thread_local one needs no constructor.
struct ThreadCache {
    enum State : uint8_t { kUnused, kActive, kRetired };
    struct Bin {
        FreeBlock* head;
        char* bump;  // the rest of the span this cache carves blocks from
        char* end;
        uint32_t count;
        uint32_t limit;  // frees beyond this many blocks at hand go to the heap
    };
    Bin bins[kClassCount];
    State state;
};

class SmallHeap {
public:
    struct Settings {
        size_t reserveBytes;         // address space to reserve
        size_t minimumReserveBytes;  // the least worth having
        bool prefault;               // populate pages ahead on a helper thread
        size_t prefaultAfter;        // from this much use on
        // Called on a thread's first use of a cache (e.g. to flush the cache
        // at thread exit); may be null.
        void (*cacheStarted)();
    };

    explicit SmallHeap(const Settings& settings);
    ~SmallHeap();
    SmallHeap(const SmallHeap&) = delete;
    SmallHeap& operator=(const SmallHeap&) = delete;

    // False when no address space could be reserved: the heap then serves nothing.
    bool usable() const { return region_.size() != 0 && spanClasses_ != nullptr; }
    bool owns(const void* p) const { return region_.owns(p); }

    // A block of at least `bytes` (at most kMaxSmallSize), or null when the
    // region is used up.
    void* allocate(ThreadCache& cache, size_t bytes) {
        if (void* block = allocateAtHand(cache, bytes)) return block;
        return refill(cache, sizeClassOf(bytes));
    }

    // The same from what the cache has at hand, without a call: null when
    // that is nothing (allocate() then takes more from the heap).
    static void* allocateAtHand(ThreadCache& cache, size_t bytes) {
        const unsigned sizeClass = sizeClassOf(bytes);
        ThreadCache::Bin& bin = cache.bins[sizeClass];
        if (FreeBlock* block = bin.head) {
            bin.head = block->next;
            --bin.count;
            return block;
        }
        const size_t size = classSize(sizeClass);
        if (static_cast<size_t>(bin.end - bin.bump) >= size) {
            char* block = bin.bump;
            bin.bump += size;
            return block;
        }
        return nullptr;
    }

    // Frees a block that this heap owns.
    void deallocate(ThreadCache& cache, void* p) {
        const unsigned sizeClass = spanClasses_[region_.spanIndex(p)];
        ThreadCache::Bin& bin = cache.bins[sizeClass];
        if (bin.count < bin.limit) {
            FreeBlock* block = static_cast<FreeBlock*>(p);
            block->next = bin.head;
            bin.head = block;
            ++bin.count;
            return;
        }
        release(cache, sizeClass, p);
    }

    // The size of the block at p, which this heap owns.
    size_t blockSize(const void* p) const { return classSize(spanClasses_[region_.spanIndex(p)]); }

    // Hands every block of the cache back to the heap, for a thread that
    // ends. The cache keeps working, through the heap's shared lists.
    void retire(ThreadCache& cache);

    // Gives memory that nothing uses back to the system: retires cache, then
    // every span whose blocks all lie on the shared lists, beyond the first
    // keepBytes of them, and the spans the helper has prepared and not
    // handed out. Their pages are dropped (MADV_DONTNEED: resident memory
    // falls at once, and a reused page reads as zeros) and the spans serve
    // later requests of any class before fresh address space does. Blocks
    // in other threads' caches, and spans that caches are carving, stay
    // where they are, so other threads may allocate and free meanwhile; they
    // wait only when they need the shared lists. Costs a walk over every
    // block on the shared lists. Returns the bytes given back.
    size_t trim(ThreadCache& cache, size_t keepBytes);
    // Spans given back and not yet used again.
    size_t freeSpanBytes() const {
        return freeSpanCount_.load(std::memory_order_relaxed) * kSpanSize;
    }

    const AddressRegion& region() const { return region_; }

    // Around fork() (ForkHandlers, forkhandlers.h): every lock of the heap is taken before
    // and released after in both processes, so that the child finds the
    // shared lists and the region consistent whatever other threads were
    // doing. The child has no helper thread until it needs one again. Blocks
    // in other threads' caches stay unused in the child.
    void lockForFork();
    void afterForkInParent();
    void afterForkInChild();

private:
    struct SharedList {
        std::mutex mutex;
        FreeBlock* head = nullptr;
        char* bump = nullptr;  // a span carved one block at a time for retired caches
        char* end = nullptr;
    };

    void* refill(ThreadCache& cache, unsigned sizeClass);
    void release(ThreadCache& cache, unsigned sizeClass, void* p);
    void start(ThreadCache& cache);
    char* takeSpan(unsigned sizeClass);
    void* allocateShared(unsigned sizeClass);
    void freeShared(unsigned sizeClass, FreeBlock* first, FreeBlock* last);
    // Gives the uncarved rest [bump, end) of a cache's span to the shared list.
    void handOverRest(unsigned sizeClass, char* bump, char* end);
    // Releases what lockForFork took, in the reverse order; the prefaulter
    // forgets its helper thread in the child.
    void unlockAfterFork(bool inChild);
    // A span given back by trim(), or null when there is none.
    char* reuseFreeSpan();
    // Drops the pages of the spans [first, first + count) and lists them as free.
    void giveBackSpans(size_t first, size_t count);

    // The class byte of a span on the free list.
    static constexpr uint8_t kFreeSpan = 0xff;

    AddressRegion region_;
    void unmapTables();

    uint8_t* spanClasses_ = nullptr;  // one byte per span of the region
    size_t spanCount_ = 0;            // of the region
    // For trim(): free blocks counted per span (zero outside it), and the
    // spans given back, as a stack of span indices. Address space only until
    // used, like the class bytes.
    uint16_t* spanCounts_ = nullptr;
    uint32_t* freeSpans_ = nullptr;
    std::mutex freeSpansMutex_;  // guards freeSpans_; taken after the shared lists' locks
    std::atomic<size_t> freeSpanCount_{0};
    std::mutex trimMutex_;                    // one trim at a time
    std::atomic<bool> populateReused_{true};  // false once the kernel refused
    void (*cacheStarted_)();
    SharedList shared_[kClassCount];
    std::optional<Prefaulter> prefaulter_;
};

}  // namespace abimport::memory
