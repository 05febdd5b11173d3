// The tool's small-object heap, used as an instance: size classes, blocks
// that never overlap and keep their contents, freed blocks served again on
// any thread, a region that runs out, free spans given back to the system,
// a reserve cut down by a limit on address space, the helper that prepares
// spans (and what it does where the kernel cannot populate), and the order
// in which fork handlers run.
// Run under ThreadSanitizer by make tsan.
#include "../memory/smallheap.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../memory/forkhandlers.h"

using namespace abimport::memory;

namespace {

constexpr size_t kMiB = size_t{1} << 20;

SmallHeap::Settings settings(size_t reserve) {
    return {reserve, reserve, false, 0, nullptr};
}

size_t lowestBit(size_t n) {
    return n & (~n + 1);
}

// Fills a block with one byte value; whether it still holds only that value.
void fill(void* p, size_t bytes, unsigned tag) {
    std::memset(p, static_cast<int>(tag % 251 + 1), bytes);
}
bool intact(const void* p, size_t bytes, unsigned tag) {
    const auto* b = static_cast<const unsigned char*>(p);
    return std::all_of(b, b + bytes, [&](unsigned char c) { return c == tag % 251 + 1; });
}

// Bytes of the heap's claimed region that are resident.
size_t residentBytes(const SmallHeap& heap) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = heap.region().claimedBytes();
    std::vector<unsigned char> present(bytes / page);
    if (mincore(heap.region().spanStart(0), bytes, present.data()) != 0) return SIZE_MAX;
    return page * static_cast<size_t>(std::count_if(present.begin(), present.end(),
                                                    [](unsigned char p) { return p & 1; }));
}

// Runs work(t) on kThreads threads at once, t = 0 .. kThreads - 1.
constexpr unsigned kThreads = 4;
template <class Work>
void onThreads(Work work) {
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
    for (std::thread& thread : threads) thread.join();
}

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
    std::vector<std::pair<void*, size_t>> blocks;
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
        ASSERT_TRUE(intact(blocks[i].first, blocks[i].second, static_cast<unsigned>(i))) << i;
    for (const auto& block : blocks) heap.deallocate(cache, block.first);
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

// Blocks may be freed on a thread other than the one that took them, through
// a working cache or one already retired (a thread that ends), and whatever
// any thread frees or leaves in its cache serves the requests of others.
TEST(SmallHeap, BlocksMoveBetweenThreads) {
    SmallHeap heap(settings(256 * kMiB));
    constexpr size_t kBlocks = 20000;
    std::vector<std::vector<void*>> taken(kThreads);
    onThreads([&](unsigned t) {
        ThreadCache cache{};
        for (size_t i = 0; i < kBlocks; ++i) {
            taken[t].push_back(heap.allocate(cache, 40));
            fill(taken[t].back(), 40, t);
        }
        heap.retire(cache);
    });
    // Each thread frees what its neighbour took; every other one retires its
    // cache first.
    onThreads([&](unsigned t) {
        ThreadCache cache{};
        if (t % 2) heap.retire(cache);
        const unsigned owner = (t + 1) % kThreads;
        for (void* p : taken[owner]) {
            if (!intact(p, 40, owner)) ADD_FAILURE() << "block of thread " << owner << " changed";
            heap.deallocate(cache, p);
        }
        heap.retire(cache);
    });

    const size_t claimed = heap.region().claimedBytes();
    ThreadCache cache{};
    std::set<void*> again;
    for (size_t i = 0; i < kThreads * kBlocks; ++i) again.insert(heap.allocate(cache, 40));
    EXPECT_EQ(again.size(), kThreads * kBlocks);
    EXPECT_EQ(heap.region().claimedBytes(), claimed);
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

// trim() gives back the spans whose blocks are all free, beyond what it is
// told to keep, and no other: the spans holding a live block, the one a
// working cache carves, and the one the shared list carves for a retired
// cache while it has blocks out. Their pages leave memory; the spans serve
// later requests of any class before new address space does, and no block is
// handed out twice.
TEST(SmallHeap, TrimGivesBackOnlySpansWhoseBlocksAreAllFree) {
    SmallHeap heap(settings(256 * kMiB));
    ThreadCache cache{};
    ThreadCache carving{};  // a thread still carving a span of its own
    ThreadCache retired{};  // a thread that ended: served by the shared lists
    heap.retire(retired);
    void* carved = heap.allocate(carving, 40);
    fill(carved, 40, 1);
    void* sharedLive = heap.allocate(retired, 48);
    fill(sharedLive, 48, 2);
    void* sharedFreed = heap.allocate(retired, 56);
    heap.deallocate(retired, sharedFreed);

    // 8 MiB in each of three classes; one block in every third span stays in use.
    std::vector<std::pair<void*, size_t>> live;
    for (size_t n : {size_t{24}, size_t{112}, size_t{1000}}) {
        std::vector<void*> blocks(8 * kMiB / n);
        for (void*& p : blocks) p = heap.allocate(cache, n);
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (i % (3 * (kSpanSize / n)) == 5) {
                fill(blocks[i], n, static_cast<unsigned>(live.size()));
                live.push_back({blocks[i], n});
            } else {
                fill(blocks[i], n, 0);
                heap.deallocate(cache, blocks[i]);
            }
        }
    }
    const size_t claimed = heap.region().claimedBytes();
    const size_t holding = (live.size() + 3) * kSpanSize;  // spans that must stay
    ASSERT_GE(residentBytes(heap), 24 * kMiB);

    const size_t keep = 2 * kMiB;
    const size_t givenBack = heap.trim(cache, keep);
    EXPECT_GE(givenBack, claimed - holding - keep - kSpanSize);
    EXPECT_LE(givenBack, claimed - keep);
    EXPECT_EQ(heap.freeSpanBytes(), givenBack);
    EXPECT_LE(residentBytes(heap), claimed - givenBack);
    EXPECT_LE(residentBytes(heap), holding + keep + kMiB);
    for (size_t i = 0; i < live.size(); ++i)
        ASSERT_TRUE(intact(live[i].first, live[i].second, static_cast<unsigned>(i))) << i;
    EXPECT_TRUE(intact(carved, 40, 1));
    EXPECT_TRUE(intact(sharedLive, 48, 2));
    EXPECT_EQ(heap.trim(cache, keep), 0u);  // nothing more to give back

    // Taken again in every class and by every kind of cache, until all the
    // given-back spans are carved and new address space is used: none is
    // used while a given-back span is left, and every block is distinct and
    // intact.
    std::set<void*> seen;
    std::vector<std::pair<void*, size_t>> again;
    while (heap.region().claimedBytes() < claimed + 8 * kMiB) {
        if (heap.freeSpanBytes() > 0) {
            ASSERT_EQ(heap.region().claimedBytes(), claimed);
        }
        for (size_t n : {size_t{8}, size_t{24}, size_t{40}, size_t{48}, size_t{56}, size_t{112},
                         size_t{640}, size_t{1000}}) {
            for (ThreadCache* c : {&cache, &carving, &retired}) {
                for (size_t i = 0; i < 100; ++i) {
                    void* p = heap.allocate(*c, n);
                    ASSERT_NE(p, nullptr);
                    fill(p, n, static_cast<unsigned>(again.size()));
                    again.push_back({p, n});
                }
            }
        }
    }
    for (const auto& block : live) seen.insert(block.first);
    seen.insert({carved, sharedLive});
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_TRUE(seen.insert(again[i].first).second) << "handed out twice";
        ASSERT_TRUE(intact(again[i].first, again[i].second, static_cast<unsigned>(i))) << i;
    }
    for (size_t i = 0; i < live.size(); ++i)
        ASSERT_TRUE(intact(live[i].first, live[i].second, static_cast<unsigned>(i))) << i;
    EXPECT_TRUE(intact(carved, 40, 1));
    EXPECT_TRUE(intact(sharedLive, 48, 2));
}

// Threads allocate and free while another trims again and again: no block
// is handed out while in use, none changes, and whatever ends up free is
// given back.
TEST(SmallHeap, TrimWhileOtherThreadsAllocate) {
    SmallHeap heap(settings(512 * kMiB));
    std::atomic<bool> stop{false};
    std::thread trimmer([&] {
        ThreadCache cache{};
        while (!stop.load()) {
            heap.trim(cache, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    onThreads([&](unsigned t) {
        ThreadCache cache{};
        std::vector<void*> held;
        for (unsigned round = 0; round < 30; ++round) {
            const size_t n = 16 + 8 * ((round + t) % 6);
            for (size_t i = 0; i < 20000; ++i) {
                held.push_back(heap.allocate(cache, n));
                fill(held.back(), n, t);
            }
            for (void* p : held) {
                if (!intact(p, n, t)) ADD_FAILURE() << "block of thread " << t << " changed";
                heap.deallocate(cache, p);
            }
            held.clear();
        }
        heap.retire(cache);
    });
    stop = true;
    trimmer.join();
    ThreadCache cache{};
    heap.trim(cache, 0);
    EXPECT_EQ(heap.freeSpanBytes(), heap.region().claimedBytes());
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
// every span is handed out once, aligned, and left alone by the helper once
// handed out: the contents written into each survive. Where the kernel
// cannot populate pages, the helper stops trying after the first refusal
// (and so does a thread that finds no span ready), and spans are handed out
// all the same, their pages faulting in on use.
TEST(Prefaulter, EverySpanHandedOutOnceAndKeptIntact) {
    static std::atomic<unsigned> attempts;
    for (const bool populates : {true, false}) {
        SCOPED_TRACE(populates ? "pages populated" : "a kernel that cannot populate");
        attempts = 0;
        AddressRegion region(512 * kMiB, 512 * kMiB);
        ASSERT_NE(region.size(), 0u);
        const Prefaulter::Populate refused = [](char*, size_t) { return ++attempts, false; };
        Prefaulter prefaulter(region, kSpanSize, populates ? &populatePages : refused);
        constexpr size_t kSpans = 700;  // per thread
        std::vector<std::vector<char*>> spans(kThreads);
        onThreads([&](unsigned t) {
            for (size_t i = 0; i < kSpans; ++i) {
                spans[t].push_back(prefaulter.takeSpan());
                if (!spans[t].back()) return;
                fill(spans[t].back(), kSpanSize, t);
            }
        });
        std::set<char*> all;
        for (unsigned t = 0; t < kThreads; ++t) {
            ASSERT_EQ(spans[t].size(), kSpans);
            for (char* span : spans[t]) {
                ASSERT_NE(span, nullptr);
                ASSERT_TRUE(region.owns(span));
                EXPECT_EQ(reinterpret_cast<uintptr_t>(span) % kSpanSize, 0u);
                EXPECT_TRUE(all.insert(span).second) << "span handed out twice";
                EXPECT_TRUE(intact(span, kSpanSize, t)) << "span of thread " << t << " changed";
            }
        }
        EXPECT_LE(prefaulter.readyBytes(), 64 * kMiB + kMiB);
        // The helper's one try, and one by each thread that found nothing
        // ready before the first refusal.
        EXPECT_LE(attempts.load(), kThreads + 1);
    }
}

namespace {

// Runs check() in a child process with its address space limited to what it
// uses now plus extraBytes; whether it returned true there.
template <class Check>
bool inChildWithAddressSpace(size_t extraBytes, Check check) {
    size_t used = 0;
    std::ifstream proc("/proc/self/status");
    for (std::string line; std::getline(proc, line);) {
        if (line.rfind("VmSize:", 0) == 0) used = std::stoull(line.substr(7)) * 1024;
    }
    if (used == 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{used + extraBytes, used + extraBytes};
        _exit(setrlimit(RLIMIT_AS, &limit) == 0 && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

// Under a limit on address space, the reserve halves until the system
// grants it, down to the minimum, and the heap works in what it got.
TEST(SmallHeap, ReserveShrinksUnderAnAddressSpaceLimit) {
    EXPECT_TRUE(inChildWithAddressSpace(1024 * kMiB, [] {
        SmallHeap heap({size_t{64} << 30, 128 * kMiB, false, 0, nullptr});
        const size_t reserved = heap.region().size();
        if (!heap.usable() || reserved < 128 * kMiB || reserved > 1024 * kMiB) return false;
        ThreadCache cache{};
        std::vector<void*> blocks;
        for (size_t i = 0; i < 100000; ++i) {
            blocks.push_back(heap.allocate(cache, 200));
            if (!blocks.back()) return false;
            fill(blocks.back(), 200, static_cast<unsigned>(i));
        }
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (!intact(blocks[i], 200, static_cast<unsigned>(i))) return false;
            heap.deallocate(cache, blocks[i]);
        }
        return true;
    }));
    // Less than the minimum: nothing reserved, a heap that serves nothing.
    EXPECT_TRUE(inChildWithAddressSpace(64 * kMiB, [] {
        SmallHeap heap({size_t{64} << 30, 128 * kMiB, false, 0, nullptr});
        ThreadCache cache{};
        return !heap.usable() && heap.region().size() == 0 && !heap.allocate(cache, 8);
    }));
}

namespace {

// What the handlers below ran, in order: a letter each, upper case before a
// fork, lower case after it.
char forkEvents[64];
size_t forkEventCount = 0;

class RecordedForks final : public ForkHandlers {
public:
    explicit constexpr RecordedForks(char name) : name_(name) {}
    void prepare() override { record(static_cast<char>(name_ - 'a' + 'A')); }
    void inParent() override { record(name_); }
    void inChild() override { record(name_); }

private:
    static void record(char event) {
        if (forkEventCount < sizeof forkEvents) forkEvents[forkEventCount++] = event;
    }
    char name_;
};

}  // namespace

// Handlers registered in turn prepare in the reverse order and run after the
// fork in the order of registration, in the parent and in the child.
TEST(ForkHandlers, RunInTheOrderOfRegistration) {
    static RecordedForks first('a'), second('b'), third('c');
    for (RecordedForks* handlers : {&first, &second, &third}) ASSERT_TRUE(handleForks(*handlers));
    forkEventCount = 0;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) _exit(std::string(forkEvents, forkEventCount) == "CBAabc" ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(std::string(forkEvents, forkEventCount), "CBAabc");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
