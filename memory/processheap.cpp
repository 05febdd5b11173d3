#include "processheap.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "forkhandlers.h"

namespace abimport::memory {

namespace {

// Address space only: the system accounts for spans as they are taken.
constexpr size_t kReserveBytes = size_t{64} << 30;
constexpr size_t kMinimumReserveBytes = size_t{256} << 20;
// Runs that use less than this never start the helper thread.
constexpr size_t kPrefaultAfter = size_t{2} << 20;

// Blocks beyond the upper bound may well be reserved rather than filled, so
// they fault in as they are used.
constexpr size_t kPopulateLargeFrom = size_t{256} << 10;
constexpr size_t kPopulateLargeUpTo = size_t{64} << 20;

alignas(SmallHeap) unsigned char heapStorage[sizeof(SmallHeap)];
std::atomic<bool> heapUnavailable{false};
std::mutex heapSetup;

// Registered once the heap is set up, so the heap is there.
class HeapForks final : public ForkHandlers {
public:
    constexpr HeapForks() = default;
    void prepare() override {
        heapSetup.lock();
        heap()->lockForFork();
    }
    void inParent() override {
        heap()->afterForkInParent();
        heapSetup.unlock();
    }
    void inChild() override {
        heap()->afterForkInChild();
        heapSetup.unlock();
    }

private:
    static SmallHeap* heap() { return detail::processHeap.load(std::memory_order_acquire); }
};
HeapForks heapForks;

}  // namespace

std::atomic<SmallHeap*> detail::processHeap{nullptr};

SmallHeap* detail::setUpProcessHeap(void (*cacheStarted)()) {
    if (heapUnavailable.load(std::memory_order_relaxed)) return nullptr;
    std::lock_guard<std::mutex> lock(heapSetup);
    if (SmallHeap* h = processHeap.load(std::memory_order_acquire)) return h;
    if (heapUnavailable.load(std::memory_order_relaxed)) return nullptr;
    const SmallHeap::Settings settings{kReserveBytes, kMinimumReserveBytes, true, kPrefaultAfter,
                                       cacheStarted};
    SmallHeap* h = new (heapStorage) SmallHeap(settings);  // never destroyed
    if (!h->usable() || !handleForks(heapForks)) {
        // Without fork handlers a child could find a lock taken for good;
        // malloc serves everything instead.
        heapUnavailable.store(true, std::memory_order_relaxed);
        return nullptr;
    }
    processHeap.store(h, std::memory_order_release);
    return h;
}

namespace {

// Populates the whole pages of a block just taken from malloc; nothing when
// the kernel cannot.
void populateBlock(void* p, size_t bytes) {
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(p) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) / page * page;
    if (start < end) populatePages(reinterpret_cast<char*>(start), end - start);
}

void* mallocOrNull(size_t bytes, size_t alignment, bool populateLarge) {
    if (bytes == 0) bytes = 1;
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(bytes);
    } else if (posix_memalign(&p, alignment, bytes) != 0) {
        p = nullptr;
    }
    if (p && populateLarge && bytes >= kPopulateLargeFrom && bytes <= kPopulateLargeUpTo)
        populateBlock(p, bytes);
    return p;
}

}  // namespace

void* allocateBlockSlowly(SmallHeap* heap, ThreadCache& cache, size_t bytes, size_t alignment,
                          bool populateLarge) {
    size_t rounded = bytes;
    if (alignment > kPlainAlignment) rounded = (bytes + alignment - 1) / alignment * alignment;
    if (heap && rounded <= kMaxSmallSize && rounded >= bytes) {
        const bool aligned =
            alignment <= kPlainAlignment || classSize(sizeClassOf(rounded)) % alignment == 0;
        if (aligned) {
            if (void* p = heap->allocate(cache, rounded)) return p;
        }
    }
    return mallocOrNull(bytes, alignment, populateLarge);
}

}  // namespace abimport::memory
