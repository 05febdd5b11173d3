#include "smallheap.h"

#include <sys/mman.h>

#include <algorithm>

namespace abimport_memory {

namespace {

// Blocks moved between a cache and the shared list at a time: about 8 KiB,
// between 8 and 128 blocks. A cache holds at most two batches per class.
uint32_t batchBlocks(unsigned sizeClass) {
    return static_cast<uint32_t>(std::clamp<size_t>(8192 / classSize(sizeClass), 8, 128));
}

}  // namespace

SmallHeap::SmallHeap(const Settings& settings)
    : region_(settings.reserveBytes, settings.minimumReserveBytes),
      cacheStarted_(settings.cacheStarted) {
    if (region_.size() == 0) return;
    spanClassesBytes_ = region_.size() / kSpanSize;
    void* table = mmap(nullptr, spanClassesBytes_, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (table == MAP_FAILED) return;
    spanClasses_ = static_cast<uint8_t*>(table);
    if (settings.prefault) prefaulter_.emplace(region_, settings.prefaultAfter);
}

SmallHeap::~SmallHeap() {
    prefaulter_.reset();
    if (spanClasses_) munmap(spanClasses_, spanClassesBytes_);
}

void SmallHeap::start(ThreadCache& cache) {
    for (unsigned c = 0; c < kClassCount; ++c) cache.bins[c].limit = 2 * batchBlocks(c);
    cache.state = ThreadCache::kActive;
    if (cacheStarted_) cacheStarted_();
}

char* SmallHeap::takeSpan(unsigned sizeClass) {
    if (!usable()) return nullptr;
    char* span = prefaulter_ ? prefaulter_->takeSpan() : region_.claim(kSpanSize);
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

void SmallHeap::lockForFork() {
    for (SharedList& shared : shared_) shared.mutex.lock();
    if (prefaulter_) prefaulter_->lockForFork();
    region_.lockForFork();
}

void SmallHeap::afterForkInParent() {
    region_.unlockAfterFork();
    if (prefaulter_) prefaulter_->afterForkInParent();
    for (SharedList& shared : shared_) shared.mutex.unlock();
}

void SmallHeap::afterForkInChild() {
    region_.unlockAfterFork();
    if (prefaulter_) prefaulter_->afterForkInChild();
    for (SharedList& shared : shared_) shared.mutex.unlock();
}

}  // namespace abimport_memory
