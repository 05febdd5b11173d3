#include "addressregion.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels answer EINVAL
#endif

namespace abimport::memory {

namespace {

// The region is committed at least this many bytes at a time, which keeps the
// number of protection changes small.
constexpr size_t kCommitStep = size_t{2} << 20;

}  // namespace

AddressRegion::AddressRegion(size_t bytes, size_t minimumBytes) {
    for (size_t request = bytes; request >= minimumBytes && request >= kSpanSize; request /= 2) {
        const size_t mappingSize = request + kSpanSize;  // room to align the start
        void* mapping = mmap(nullptr, mappingSize, PROT_NONE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapping == MAP_FAILED) continue;
        mapping_ = static_cast<char*>(mapping);
        mappingSize_ = mappingSize;
        const uintptr_t start = reinterpret_cast<uintptr_t>(mapping_);
        base_ = mapping_ + ((kSpanSize - start % kSpanSize) % kSpanSize);
        size_ = request / kSpanSize * kSpanSize;
        return;
    }
}

AddressRegion::~AddressRegion() {
    if (mapping_) munmap(mapping_, mappingSize_);
}

char* AddressRegion::claim(size_t bytes) {
    const size_t offset = claimed_.fetch_add(bytes, std::memory_order_relaxed);
    if (offset >= size_ || size_ - offset < bytes) return nullptr;
    if (!commitUpTo(offset + bytes)) return nullptr;
    return base_ + offset;
}

size_t AddressRegion::claimedBytes() const {
    return std::min(claimed_.load(std::memory_order_relaxed), size_);
}

bool AddressRegion::commitUpTo(size_t offset) {
    if (offset <= committed_.load(std::memory_order_acquire)) return true;
    std::lock_guard<std::mutex> lock(commitMutex_);
    const size_t committed = committed_.load(std::memory_order_relaxed);
    if (offset <= committed) return true;
    const size_t end = std::min(size_, std::max(offset, committed + kCommitStep));
    if (mprotect(base_ + committed, end - committed, PROT_READ | PROT_WRITE) != 0) return false;
    committed_.store(end, std::memory_order_release);
    return true;
}

bool populatePages(char* start, size_t bytes) {
    int result;
    do {
        result = madvise(start, bytes, MADV_POPULATE_WRITE);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void touchPages(char* start, size_t bytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    for (size_t offset = 0; offset < bytes; offset += page) {
        // A fresh page holds zeros; writing one back changes nothing but the
        // mapping. Volatile, so the store is not dropped as redundant.
        *static_cast<volatile char*>(start + offset) = 0;
    }
}

}  // namespace abimport::memory
