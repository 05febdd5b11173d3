// Hands out the spans of a region and, on a helper thread, prepares the ones
// it will hand out next: claims them ahead of use and faults their pages in
// (populatePages, touchPages), so that the threads filling the heap do not
// stop for a fault on every fresh page. A prepared span is handed out only
// after the helper is done with it. When none is ready (the helper is behind),
// the taking thread populates a fresh chunk itself, which still saves the
// kernel's share of the faults, and keeps the rest of the chunk ready.
//
// How much it keeps ready follows what has been handed out so far and how
// fast more is taken (prefaultWindow), never the size of any input, so an
// import that keeps little keeps little resident. Where the kernel cannot
// populate, the helper stops and pages fault in on first use as they would
// without it.
#pragma once

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "addressregion.h"

namespace abimport::memory {

// Bytes to keep prepared after `used` bytes were handed out, at a rate of
// bytesPerSecond: what 25 ms at that rate take, at least 1 MiB and at most
// 64 MiB, and never more than was handed out so far (but 1 MiB).
size_t prefaultWindow(size_t used, double bytesPerSecond);

class Prefaulter {
public:
    // How pages are made present: populatePages, or for a test a stand-in
    // (a kernel that cannot populate answers false).
    using Populate = bool (*)(char* start, size_t bytes);

    // The helper starts once startAfter bytes were handed out.
    Prefaulter(AddressRegion& region, size_t startAfter, Populate populate = &populatePages);
    // Stops the helper and waits for it. Prepared spans stay with the region.
    ~Prefaulter();
    Prefaulter(const Prefaulter&) = delete;
    Prefaulter& operator=(const Prefaulter&) = delete;

    // A span: a prepared one when there is one, else a fresh one from the
    // region; null when the region is used up. Safe on any thread.
    char* takeSpan();

    // Bytes prepared and not yet handed out.
    size_t readyBytes();

    // Takes back the last prepared range [start, end) (whole spans), which
    // will not be handed out; false when none is prepared. For a heap that
    // gives memory back to the system.
    bool takeBackReady(char*& start, char*& end);

    // Around fork(): the lock is held across it, so that the child finds the
    // prepared spans consistent. The child has no helper thread (fork copies
    // only the calling thread); afterForkInChild forgets the parent's, and
    // the child starts its own when it needs one. A chunk the parent's helper
    // was preparing at the time is lost to the child, nothing more.
    void lockForFork() { mutex_.lock(); }
    void afterForkInParent() { mutex_.unlock(); }
    void afterForkInChild();

private:
    struct Chunk {
        char* next;
        char* end;
    };
    // Room for the largest window (64 chunks) and for the chunks of many
    // threads populating at once besides.
    static constexpr size_t kMaxChunks = 160;
    static constexpr size_t kHelperChunks = 80;

    // A span from a fresh chunk populated here and now, the rest of which
    // is kept ready: for when the helper is behind.
    char* claimPopulated();
    static void* run(void* self);
    // Prepares chunks until the window is full; false when it has to stop.
    bool prepare(std::unique_lock<std::mutex>& lock);

    AddressRegion& region_;
    const size_t startAfter_;
    const Populate populate_;

    std::mutex mutex_;  // guards everything below
    std::condition_variable wakeup_;
    Chunk chunks_[kMaxChunks] = {};
    size_t first_ = 0;
    size_t chunkCount_ = 0;
    size_t ready_ = 0;
    size_t handedOut_ = 0;
    size_t window_;
    bool woken_ = false;
    bool stopping_ = false;
    bool failed_ = false;
    bool started_ = false;
    pthread_t thread_{};
    // The helper's view of the rate at which spans are taken.
    size_t lastHandedOut_ = 0;
    std::chrono::steady_clock::time_point lastRound_ = std::chrono::steady_clock::now();
};

}  // namespace abimport::memory
