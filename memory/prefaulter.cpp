#include "prefaulter.h"

#include <algorithm>
#include <new>

#include "sizeclasses.h"

namespace abimport::memory {

namespace {

constexpr size_t kMinWindow = size_t{1} << 20;
constexpr size_t kMaxWindow = size_t{64} << 20;
constexpr double kLookaheadSeconds = 0.025;
// The helper prepares this much at a time.
constexpr size_t kChunkBytes = size_t{1} << 20;
// Rates over shorter spells than this say little; they count as this long.
constexpr std::chrono::microseconds kShortestSpell{1000};

static_assert(kChunkBytes % kSpanSize == 0);

}  // namespace

size_t prefaultWindow(size_t used, double bytesPerSecond) {
    const double ahead = bytesPerSecond * kLookaheadSeconds;
    size_t window =
        ahead >= static_cast<double>(kMaxWindow) ? kMaxWindow : static_cast<size_t>(ahead);
    window = std::min(window, used);
    return std::clamp(window, kMinWindow, kMaxWindow);
}

Prefaulter::Prefaulter(AddressRegion& region, size_t startAfter, Populate populate)
    : region_(region), startAfter_(startAfter), populate_(populate), window_(kMinWindow) {}

Prefaulter::~Prefaulter() {
    bool started;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        started = started_;
    }
    wakeup_.notify_one();
    if (started) pthread_join(thread_, nullptr);
}

char* Prefaulter::takeSpan() {
    char* span = nullptr;
    bool wake = false;
    bool populateAhead = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handedOut_ += kSpanSize;
        const bool pastStart = handedOut_ >= startAfter_;
        if (chunkCount_ > 0) {
            Chunk& chunk = chunks_[first_];
            span = chunk.next;
            chunk.next += kSpanSize;
            ready_ -= kSpanSize;
            if (chunk.next == chunk.end) {
                first_ = (first_ + 1) % kMaxChunks;
                --chunkCount_;
            }
        }
        populateAhead = !span && pastStart && !failed_;
        if (!woken_ && !failed_ && !stopping_ && pastStart && ready_ < window_ / 2) {
            if (!started_) {
                // A plain thread: the helper must not allocate through the
                // heap it serves.
                started_ = pthread_create(&thread_, nullptr, &Prefaulter::run, this) == 0;
                failed_ = !started_;
            }
            wake = woken_ = started_;
        }
    }
    if (wake) wakeup_.notify_one();
    if (span) return span;
    return populateAhead ? claimPopulated() : region_.claim(kSpanSize);
}

char* Prefaulter::claimPopulated() {
    char* chunk = region_.claim(kChunkBytes);
    if (!chunk) return region_.claim(kSpanSize);
    const bool populated = populate_(chunk, kChunkBytes);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!populated) failed_ = true;
    // The rest goes to the front: it is nearer than anything the helper has.
    // (Only with more threads here at once than the ring has room left would
    // it stay unused.)
    if (chunkCount_ < kMaxChunks) {
        first_ = (first_ + kMaxChunks - 1) % kMaxChunks;
        chunks_[first_] = {chunk + kSpanSize, chunk + kChunkBytes};
        ++chunkCount_;
        ready_ += kChunkBytes - kSpanSize;
    }
    return chunk;
}

void Prefaulter::afterForkInChild() {
    started_ = false;
    woken_ = false;
    thread_ = pthread_t{};
    // The parent's helper may have been waiting on it; no thread waits in the
    // child, so it starts afresh.
    new (&wakeup_) std::condition_variable;
    mutex_.unlock();
}

size_t Prefaulter::readyBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ready_;
}

bool Prefaulter::takeBackReady(char*& start, char*& end) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (chunkCount_ == 0) return false;
    --chunkCount_;
    const Chunk& chunk = chunks_[(first_ + chunkCount_) % kMaxChunks];
    start = chunk.next;
    end = chunk.end;
    ready_ -= static_cast<size_t>(end - start);
    return true;
}

void* Prefaulter::run(void* self) {
    Prefaulter& prefaulter = *static_cast<Prefaulter*>(self);
    std::unique_lock<std::mutex> lock(prefaulter.mutex_);
    for (;;) {
        prefaulter.wakeup_.wait(lock, [&] { return prefaulter.woken_ || prefaulter.stopping_; });
        if (prefaulter.stopping_) return nullptr;
        if (!prefaulter.prepare(lock)) {
            prefaulter.failed_ = true;
            return nullptr;
        }
        prefaulter.woken_ = false;
    }
}

bool Prefaulter::prepare(std::unique_lock<std::mutex>& lock) {
    const auto now = std::chrono::steady_clock::now();
    const auto spell =
        std::max<std::chrono::steady_clock::duration>(now - lastRound_, kShortestSpell);
    const double rate = static_cast<double>(handedOut_ - lastHandedOut_) /
                        std::chrono::duration<double>(spell).count();
    lastHandedOut_ = handedOut_;
    lastRound_ = now;
    window_ = prefaultWindow(handedOut_, rate);

    while (!stopping_ && ready_ < window_ && chunkCount_ < kHelperChunks) {
        lock.unlock();
        char* chunk = region_.claim(kChunkBytes);
        const bool prefaulted = chunk && populate_(chunk, kChunkBytes);
        if (prefaulted) touchPages(chunk, kChunkBytes);
        lock.lock();
        if (!chunk) return false;
        // Handed out even when prefaulting failed: its pages fault in on use.
        chunks_[(first_ + chunkCount_) % kMaxChunks] = {chunk, chunk + kChunkBytes};
        ++chunkCount_;
        ready_ += kChunkBytes;
        if (!prefaulted) return false;
    }
    return true;
}

}  // namespace abimport::memory
