// A large range of address space that the small-object heap carves into
// spans. The range is reserved without access; pieces are claimed from its
// start upwards and made writable (committed) in steps as they are claimed,
// so the system accounts only for what is in use.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "sizeclasses.h"

namespace abimport::memory {

class AddressRegion {
public:
    // Reserves up to `bytes` (a multiple of the span size), halving the request
    // while the system refuses it, down to minimumBytes; reserves nothing when
    // even that is refused.
    AddressRegion(size_t bytes, size_t minimumBytes);
    ~AddressRegion();
    AddressRegion(const AddressRegion&) = delete;
    AddressRegion& operator=(const AddressRegion&) = delete;

    size_t size() const { return size_; }
    // Whether p lies in the region (compared as addresses: p may be any
    // pointer).
    bool owns(const void* p) const { return offsetOf(p) < size_; }
    // The index of the span that holds p, which the region owns.
    size_t spanIndex(const void* p) const { return offsetOf(p) >> kSpanShift; }
    // The start of the span of that index.
    char* spanStart(size_t index) const { return base_ + (index << kSpanShift); }

    // The next `bytes` (a multiple of the span size) of the region, committed
    // and aligned to the span size; null when the region is used up or the
    // system refuses to commit more. Safe on any thread.
    char* claim(size_t bytes);
    // Bytes claimed so far.
    size_t claimedBytes() const;

    // Around fork(): the commit lock is held across it, so that the child
    // finds it free and the commit mark consistent.
    void lockForFork() { commitMutex_.lock(); }
    void unlockAfterFork() { commitMutex_.unlock(); }

private:
    size_t offsetOf(const void* p) const {
        return reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(base_);
    }
    bool commitUpTo(size_t offset);

    char* base_ = nullptr;
    size_t size_ = 0;
    char* mapping_ = nullptr;  // what was mapped: the region plus alignment slack
    size_t mappingSize_ = 0;
    std::atomic<size_t> claimed_{0};
    std::atomic<size_t> committed_{0};
    std::mutex commitMutex_;
};

// Makes the pages of [start, start + bytes) present and writable in one call
// instead of one fault per page. False when the kernel cannot (before
// Linux 5.14) or has no memory to spare.
bool populatePages(char* start, size_t bytes);

// Writes each page of [start, start + bytes), which the caller owns and
// nobody uses yet, once. After populatePages that is all a first write still
// costs: on virtual machines with shadow page tables, the hypervisor's own
// mapping of the page, which populating does not make.
void touchPages(char* start, size_t bytes);

}  // namespace abimport::memory
