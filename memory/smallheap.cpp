#include "smallheap.h"

#include <sys/mman.h>

#include <algorithm>

namespace abimport::memory {

namespace {

// Blocks moved between a cache and the shared list at a time: about 8 KiB,
// between 8 and 128 blocks. A cache holds at most two batches per class.
uint32_t batchBlocks(unsigned sizeClass) {
    return static_cast<uint32_t>(std::clamp<size_t>(8192 / classSize(sizeClass), 8, 128));
}

// trim()'s mark for a span it gives back, beyond any count of blocks (a span
// holds at most kSpanSize / 8).
constexpr uint16_t kGivenBack = 0xffff;
static_assert(kSpanSize / kFineStep < kGivenBack);

// Address space for a table of `bytes`, pages taken only as it is written;
// null when refused.
void* mapTable(size_t bytes) {
    void* table = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return table == MAP_FAILED ? nullptr : table;
}

// Drops the pages of [start, start + bytes): resident memory falls now, and
// the next touch finds a zeroed page. (MADV_FREE would leave them resident
// until the system runs short, and a reader of resident sizes sees nothing
// given back.)
void dropPages(void* start, size_t bytes) {
    madvise(start, bytes, MADV_DONTNEED);
}

}  // namespace

SmallHeap::SmallHeap(const Settings& settings)
    : region_(settings.reserveBytes, settings.minimumReserveBytes),
      cacheStarted_(settings.cacheStarted) {
    if (region_.size() == 0) return;
    const size_t spans = region_.size() / kSpanSize;
    if (spans > UINT32_MAX) return;
    spanCount_ = spans;
    spanClasses_ = static_cast<uint8_t*>(mapTable(spans * sizeof(uint8_t)));
    spanCounts_ = static_cast<uint16_t*>(mapTable(spans * sizeof(uint16_t)));
    freeSpans_ = static_cast<uint32_t*>(mapTable(spans * sizeof(uint32_t)));
    if (!spanCounts_ || !freeSpans_) {
        // Not usable: tables of a heap that serves nothing are not needed.
        unmapTables();
        return;
    }
    if (settings.prefault) prefaulter_.emplace(region_, settings.prefaultAfter);
}

void SmallHeap::unmapTables() {
    const size_t spans = spanCount_;
    if (spanClasses_) munmap(spanClasses_, spans * sizeof(uint8_t));
    if (spanCounts_) munmap(spanCounts_, spans * sizeof(uint16_t));
    if (freeSpans_) munmap(freeSpans_, spans * sizeof(uint32_t));
    spanClasses_ = nullptr;
    spanCounts_ = nullptr;
    freeSpans_ = nullptr;
}

SmallHeap::~SmallHeap() {
    prefaulter_.reset();
    unmapTables();
}

void SmallHeap::start(ThreadCache& cache) {
    for (unsigned c = 0; c < kClassCount; ++c) cache.bins[c].limit = 2 * batchBlocks(c);
    cache.state = ThreadCache::kActive;
    if (cacheStarted_) cacheStarted_();
}

char* SmallHeap::reuseFreeSpan() {
    if (freeSpanCount_.load(std::memory_order_relaxed) == 0) return nullptr;
    std::lock_guard<std::mutex> lock(freeSpansMutex_);
    const size_t count = freeSpanCount_.load(std::memory_order_relaxed);
    if (count == 0) return nullptr;
    freeSpanCount_.store(count - 1, std::memory_order_relaxed);
    return region_.spanStart(freeSpans_[count - 1]);
}

char* SmallHeap::takeSpan(unsigned sizeClass) {
    if (!usable()) return nullptr;
    char* span = reuseFreeSpan();
    if (span) {
        // Its pages were dropped: one call brings them back rather than a
        // fault each, where pages are populated ahead at all and the kernel
        // can.
        if (prefaulter_ && populateReused_.load(std::memory_order_relaxed) &&
            !populatePages(span, kSpanSize))
            populateReused_.store(false, std::memory_order_relaxed);
    } else {
        span = prefaulter_ ? prefaulter_->takeSpan() : region_.claim(kSpanSize);
    }
    if (!span) return nullptr;
    // Recorded before any block of the span is handed out, so whichever
    // thread frees one later reads the class through the same hand-over.
    spanClasses_[region_.spanIndex(span)] = static_cast<uint8_t>(sizeClass);
    return span;
}

void* SmallHeap::refill(ThreadCache& cache, unsigned sizeClass) {
    if (cache.state == ThreadCache::kRetired) return allocateShared(sizeClass);
    if (cache.state == ThreadCache::kUnused) start(cache);
    ThreadCache::Bin& bin = cache.bins[sizeClass];
    SharedList& shared = shared_[sizeClass];
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (FreeBlock* first = shared.head) {
            // Take up to a batch: the first block is the answer, the rest go
            // to the cache.
            FreeBlock* last = first;
            uint32_t taken = 1;
            const uint32_t batch = batchBlocks(sizeClass);
            while (taken < batch && last->next) {
                last = last->next;
                ++taken;
            }
            shared.head = last->next;
            last->next = nullptr;
            bin.head = first->next;
            bin.count = taken - 1;
            return first;
        }
    }
    char* span = takeSpan(sizeClass);
    if (!span) return nullptr;
    const size_t size = classSize(sizeClass);
    bin.bump = span + size;
    bin.end = span + kSpanSize;
    return span;
}

void SmallHeap::release(ThreadCache& cache, unsigned sizeClass, void* p) {
    FreeBlock* block = static_cast<FreeBlock*>(p);
    if (cache.state == ThreadCache::kRetired) {
        freeShared(sizeClass, block, block);
        return;
    }
    if (cache.state == ThreadCache::kUnused) start(cache);
    ThreadCache::Bin& bin = cache.bins[sizeClass];
    block->next = bin.head;
    bin.head = block;
    ++bin.count;
    if (bin.count <= bin.limit) return;
    // Over the limit: one batch from the front goes to the shared list.
    const uint32_t batch = batchBlocks(sizeClass);
    FreeBlock* first = bin.head;
    FreeBlock* last = first;
    for (uint32_t i = 1; i < batch; ++i) last = last->next;
    bin.head = last->next;
    bin.count -= batch;
    freeShared(sizeClass, first, last);
}

void SmallHeap::freeShared(unsigned sizeClass, FreeBlock* first, FreeBlock* last) {
    SharedList& shared = shared_[sizeClass];
    std::lock_guard<std::mutex> lock(shared.mutex);
    last->next = shared.head;
    shared.head = first;
}

void* SmallHeap::allocateShared(unsigned sizeClass) {
    SharedList& shared = shared_[sizeClass];
    const size_t size = classSize(sizeClass);
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (FreeBlock* block = shared.head) {
            shared.head = block->next;
            return block;
        }
        if (static_cast<size_t>(shared.end - shared.bump) >= size) {
            char* block = shared.bump;
            shared.bump += size;
            return block;
        }
    }
    char* span = takeSpan(sizeClass);
    if (!span) return nullptr;
    std::lock_guard<std::mutex> lock(shared.mutex);
    // The rest of the old span, if any, stays unused: less than one block.
    shared.bump = span + size;
    shared.end = span + kSpanSize;
    return span;
}

void SmallHeap::handOverRest(unsigned sizeClass, char* bump, char* end) {
    SharedList& shared = shared_[sizeClass];
    const size_t size = classSize(sizeClass);
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (static_cast<size_t>(shared.end - shared.bump) < size) {
        // Untouched pages stay untouched: the shared list carves them later.
        shared.bump = bump;
        shared.end = end;
        return;
    }
    for (; static_cast<size_t>(end - bump) >= size; bump += size) {
        FreeBlock* block = reinterpret_cast<FreeBlock*>(bump);
        block->next = shared.head;
        shared.head = block;
    }
}

void SmallHeap::retire(ThreadCache& cache) {
    for (unsigned c = 0; c < kClassCount; ++c) {
        ThreadCache::Bin& bin = cache.bins[c];
        const size_t size = classSize(c);
        if (static_cast<size_t>(bin.end - bin.bump) >= size) handOverRest(c, bin.bump, bin.end);
        if (FreeBlock* first = bin.head) {
            FreeBlock* last = first;
            while (last->next) last = last->next;
            freeShared(c, first, last);
        }
        bin = ThreadCache::Bin{};
    }
    cache.state = ThreadCache::kRetired;
}

size_t SmallHeap::trim(ThreadCache& cache, size_t keepBytes) {
    if (!usable()) return 0;
    retire(cache);
    std::lock_guard<std::mutex> trimLock(trimMutex_);
    for (SharedList& shared : shared_) shared.mutex.lock();
    // Every block on the lists lies in a span claimed by now.
    const size_t spans = region_.claimedBytes() / kSpanSize;
    for (SharedList& shared : shared_) {
        for (FreeBlock* block = shared.head; block; block = block->next)
            ++spanCounts_[region_.spanIndex(block)];
    }
    // A span is free when the lists hold every block carved from it: all
    // that fit, or for the span the shared list is carving, those before its
    // bump. A span a cache is carving, or one with a block in some cache or
    // in use, has fewer on the lists.
    size_t kept = 0;
    bool anyGivenBack = false;
    for (size_t i = 0; i < spans; ++i) {
        // A span without a block on the lists is skipped before its class
        // is read: it may be one another thread is taking just now.
        if (spanCounts_[i] == 0) continue;
        const uint8_t sizeClass = spanClasses_[i];
        const size_t size = classSize(sizeClass);
        SharedList& shared = shared_[sizeClass];
        char* start = region_.spanStart(i);
        const bool carving = static_cast<size_t>(shared.end - shared.bump) >= size &&
                             region_.spanIndex(shared.bump) == i;
        const size_t carved =
            carving ? static_cast<size_t>(shared.bump - start) / size : kSpanSize / size;
        if (spanCounts_[i] != carved) continue;
        if (kept + kSpanSize <= keepBytes) {
            kept += kSpanSize;
            continue;
        }
        if (carving) shared.bump = shared.end = nullptr;
        spanCounts_[i] = kGivenBack;
        anyGivenBack = true;
    }
    if (anyGivenBack) {
        for (SharedList& shared : shared_) {
            FreeBlock** link = &shared.head;
            while (FreeBlock* block = *link) {
                if (spanCounts_[region_.spanIndex(block)] == kGivenBack) {
                    *link = block->next;
                } else {
                    link = &block->next;
                }
            }
        }
    }
    for (SharedList& shared : shared_) shared.mutex.unlock();

    // The marked spans are nobody's now: their pages go, in one call per run
    // of neighbours.
    size_t givenBack = 0;
    for (size_t i = 0; i < spans;) {
        if (spanCounts_[i] != kGivenBack) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < spans && spanCounts_[end] == kGivenBack) ++end;
        giveBackSpans(i, end - i);
        givenBack += (end - i) * kSpanSize;
        i = end;
    }
    // The counts read as zeros again, and their pages go too.
    dropPages(spanCounts_, spans * sizeof(uint16_t));
    // Prepared spans are resident and unused: they go as well.
    char* start;
    char* end;
    while (prefaulter_ && prefaulter_->takeBackReady(start, end)) {
        giveBackSpans(region_.spanIndex(start), static_cast<size_t>(end - start) / kSpanSize);
        givenBack += static_cast<size_t>(end - start);
    }
    return givenBack;
}

void SmallHeap::giveBackSpans(size_t first, size_t count) {
    if (count == 0) return;
    dropPages(region_.spanStart(first), count * kSpanSize);
    std::lock_guard<std::mutex> lock(freeSpansMutex_);
    size_t top = freeSpanCount_.load(std::memory_order_relaxed);
    // Pushed last first, so that they are used again from the lowest address.
    for (size_t i = first + count; i-- > first;) {
        spanClasses_[i] = kFreeSpan;
        freeSpans_[top++] = static_cast<uint32_t>(i);
    }
    freeSpanCount_.store(top, std::memory_order_relaxed);
}

void SmallHeap::lockForFork() {
    trimMutex_.lock();
    for (SharedList& shared : shared_) shared.mutex.lock();
    freeSpansMutex_.lock();
    if (prefaulter_) prefaulter_->lockForFork();
    region_.lockForFork();
}

void SmallHeap::afterForkInParent() {
    unlockAfterFork(false);
}

void SmallHeap::afterForkInChild() {
    unlockAfterFork(true);
}

void SmallHeap::unlockAfterFork(bool inChild) {
    region_.unlockAfterFork();
    if (prefaulter_) {
        if (inChild) {
            prefaulter_->afterForkInChild();
        } else {
            prefaulter_->afterForkInParent();
        }
    }
    freeSpansMutex_.unlock();
    for (SharedList& shared : shared_) shared.mutex.unlock();
    trimMutex_.unlock();
}

}  // namespace abimport::memory
