// The tool's small-object heap, used as an instance: size classes, blocks
// that never overlap and keep their contents, freed blocks served again on
// any thread, a region that runs out, and the helper that prepares spans.
// Run under ThreadSanitizer by make tsan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "smallheap.h"

using namespace abimport_memory;

namespace {

constexpr size_t kMiB = size_t{1} << 20;

SmallHeap::Settings settings(size_t reserve, bool prefault = false, size_t after = 0) {
    return {reserve, reserve, prefault, after, nullptr};
}

size_t lowestBit(size_t n) { return n & (~n + 1); }

// Fills the block at p of `bytes` with a pattern made from its address and
// `tag`; checks it back.
void fill(void* p, size_t bytes, unsigned tag) {
    auto* b = static_cast<unsigned char*>(p);
    for (size_t i = 0; i < bytes; ++i) b[i] = static_cast<unsigned char>(i * 7 + tag);
}
bool intact(const void* p, size_t bytes, unsigned tag) {
    auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < bytes; ++i)
        if (b[i] != static_cast<unsigned char>(i * 7 + tag)) return false;
    return true;
}

struct Block {
    void* p;
    size_t bytes;
};

}  // namespace

// Every request size gets the smallest class that holds it, and a class whose
// blocks are aligned for any type of that size: to 16 when the size is a
// multiple of 16, else to the size's own lowest power of two (8 at most).
TEST(SizeClasses, SmallestClassAlignedForTheSize) {
    for (size_t n = 0; n <= kMaxSmallSize; ++n) {
        const unsigned c = sizeClassOf(n);
        ASSERT_LT(c, kClassCount) << n;
        EXPECT_GE(classSize(c), std::max<size_t>(n, 1)) << n;
        if (c > 0) {
            EXPECT_LT(classSize(c - 1), std::max<size_t>(n, 1)) << n;
        }
        if (n > 0) {
            EXPECT_GE(lowestBit(classSize(c)), std::min<size_t>(16, lowestBit(n))) << n;
        }
    }
}

// Blocks of every size, taken together, are writable, aligned and never
// overlap: each keeps its own pattern until all of them are freed.
TEST(SmallHeap, BlocksOfEverySizeKeepTheirContents) {
    SmallHeap heap(settings(64 * kMiB));
    ASSERT_TRUE(heap.usable());
    ThreadCache cache{};
    std::vector<Block> blocks;
    for (unsigned round = 0; round < 3; ++round) {
        for (size_t n = 1; n <= kMaxSmallSize; n += (n < 300 ? 1 : 13)) {
            void* p = heap.allocate(cache, n);
            ASSERT_NE(p, nullptr);
            ASSERT_TRUE(heap.owns(p));
            EXPECT_GE(heap.blockSize(p), n);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % std::min<size_t>(16, lowestBit(n)), 0u) << n;
            fill(p, n, static_cast<unsigned>(blocks.size()));
            blocks.push_back({p, n});
        }
    }
    for (size_t i = 0; i < blocks.size(); ++i)
        ASSERT_TRUE(intact(blocks[i].p, blocks[i].bytes, static_cast<unsigned>(i))) << i;
    for (const Block& b : blocks) heap.deallocate(cache, b.p);
}

// Freed memory is used again: after freeing more blocks than a cache keeps
// (most go back to the shared lists), asking again for as many, more than
// three spans' worth, claims nothing more of the region, for every size.
TEST(SmallHeap, FreedBlocksServeLaterRequests) {
    SmallHeap heap(settings(256 * kMiB));
    ThreadCache cache{};
    for (size_t n : {size_t{8}, size_t{24}, size_t{112}, size_t{128}, size_t{1000}}) {
        std::vector<void*> blocks(3 * kSpanSize / n + 100);
        for (void*& p : blocks) p = heap.allocate(cache, n);
        const size_t claimed = heap.region().claimedBytes();
        for (void* p : blocks) heap.deallocate(cache, p);
        for (void*& p : blocks) p = heap.allocate(cache, n);
        EXPECT_EQ(heap.region().claimedBytes(), claimed) << n;
        EXPECT_EQ(std::set<void*>(blocks.begin(), blocks.end()).size(), blocks.size()) << n;
        for (void* p : blocks) heap.deallocate(cache, p);
    }
}

// Blocks may be freed on a thread other than the one that took them, and
// whatever threads free, and whatever a thread that ends leaves in its cache,
// serves the requests of others.
TEST(SmallHeap, BlocksMoveBetweenThreads) {
    SmallHeap heap(settings(256 * kMiB));
    constexpr unsigned kThreads = 4;
    constexpr size_t kBlocks = 20000;
    std::vector<std::vector<void*>> taken(kThreads);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ThreadCache cache{};
            for (size_t i = 0; i < kBlocks; ++i) {
                void* p = heap.allocate(cache, 40);
                fill(p, 40, t);
                taken[t].push_back(p);
            }
            heap.retire(cache);
        });
    }
    for (std::thread& thread : threads) thread.join();
    threads.clear();
    // Each thread frees what its neighbour took, then retires its cache.
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ThreadCache cache{};
            const unsigned owner = (t + 1) % kThreads;
            for (void* p : taken[owner]) {
                if (!intact(p, 40, owner)) ADD_FAILURE() << "block of thread " << owner << " changed";
                heap.deallocate(cache, p);
            }
            heap.retire(cache);
        });
    }
    for (std::thread& thread : threads) thread.join();

    const size_t claimed = heap.region().claimedBytes();
    ThreadCache cache{};
    std::set<void*> again;
    for (size_t i = 0; i < kThreads * kBlocks; ++i) again.insert(heap.allocate(cache, 40));
    EXPECT_EQ(again.size(), kThreads * kBlocks);
    EXPECT_EQ(heap.region().claimedBytes(), claimed);
}

// A cache that was retired keeps working through the shared lists, and what
// it frees is served to others.
TEST(SmallHeap, RetiredCacheStillServes) {
    SmallHeap heap(settings(16 * kMiB));
    ThreadCache retired{};
    void* kept = heap.allocate(retired, 64);
    heap.retire(retired);
    std::vector<void*> blocks;
    for (int i = 0; i < 100; ++i) blocks.push_back(heap.allocate(retired, 64));
    blocks.push_back(kept);
    for (void* p : blocks) {
        ASSERT_NE(p, nullptr);
        heap.deallocate(retired, p);
    }
    ThreadCache other{};
    const std::set<void*> freed(blocks.begin(), blocks.end());
    size_t reused = 0;
    for (size_t i = 0; i < freed.size(); ++i) reused += freed.count(heap.allocate(other, 64));
    EXPECT_EQ(reused, freed.size());
}

// A region that is used up answers null (the caller then goes elsewhere);
// a block freed after that is served again.
TEST(SmallHeap, UsedUpRegionAnswersNullUntilBlocksAreFreed) {
    SmallHeap heap(settings(4 * kSpanSize));
    ThreadCache cache{};
    std::vector<void*> blocks;
    while (void* p = heap.allocate(cache, 1024)) blocks.push_back(p);
    EXPECT_EQ(blocks.size(), 4 * kSpanSize / 1024);
    EXPECT_EQ(heap.allocate(cache, 8), nullptr);  // no span left for another class
    heap.deallocate(cache, blocks.back());
    EXPECT_EQ(heap.allocate(cache, 1000), blocks.back());
}

// The helper's window: at least 1 MiB, at most 64 MiB, never more than was
// used so far beyond that minimum, and growing with the rate of use.
TEST(Prefaulter, WindowFollowsUseAndRate) {
    struct Case {
        size_t used;
        double rate;
        size_t window;
    } cases[] = {
        {0, 0, kMiB},
        {100 * kMiB, 0, kMiB},
        {100 * kMiB, 400e6, 10000000},  // 25 ms at 400 MB/s
        {3 * kMiB, 400e6, 3 * kMiB},    // no more than was used
        {1000 * kMiB, 1e12, 64 * kMiB},
    };
    for (const Case& c : cases) EXPECT_EQ(prefaultWindow(c.used, c.rate), c.window) << c.used;
}

// With the helper preparing spans ahead while several threads take spans,
// every span is handed out once, aligned, whole and untouched by the helper
// once handed out: the contents written into each survive.
TEST(Prefaulter, EverySpanHandedOutOnceAndKeptIntact) {
    AddressRegion region(512 * kMiB, 512 * kMiB);
    ASSERT_NE(region.size(), 0u);
    Prefaulter prefaulter(region, kSpanSize);
    constexpr unsigned kThreads = 3;
    constexpr size_t kSpans = 1000;  // per thread
    std::vector<std::vector<char*>> spans(kThreads);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < kSpans; ++i) {
                char* span = prefaulter.takeSpan();
                if (!span) return;
                std::memset(span, static_cast<int>(t + 1), kSpanSize);
                spans[t].push_back(span);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::set<char*> all;
    for (unsigned t = 0; t < kThreads; ++t) {
        ASSERT_EQ(spans[t].size(), kSpans);
        for (char* span : spans[t]) {
            EXPECT_TRUE(region.owns(span));
            EXPECT_EQ(reinterpret_cast<uintptr_t>(span) % kSpanSize, 0u);
            EXPECT_TRUE(all.insert(span).second) << "span handed out twice";
            const bool whole = std::all_of(span, span + kSpanSize,
                                           [&](char b) { return b == static_cast<char>(t + 1); });
            EXPECT_TRUE(whole) << "span of thread " << t << " was written by someone else";
        }
    }
    EXPECT_LE(prefaulter.readyBytes(), 64 * kMiB + kMiB);
}
