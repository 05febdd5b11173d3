// The tool's operator new and delete, linked into this program as its own:
// every form aligns and keeps what is written, blocks of any size survive
// many threads allocating and freeing at once while the helper prepares
// pages, a child of fork() allocates, running out of memory behaves as the
// language requires, and a process without room for the heap uses malloc.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../memory/processheap.h"

namespace {

bool alignedTo(const void* p, size_t alignment) {
    return reinterpret_cast<uintptr_t>(p) % alignment == 0;
}

struct alignas(64) Line {
    char bytes[40];
};
struct alignas(32) Pair {
    double a, b;
};
struct alignas(16) Quad {
    double a;
};

}  // namespace

// Each form of new and its matching delete, at every size the heap serves and
// past it, of large blocks whose pages are populated at once, and at
// alignments from 16 to a page; new-expressions of over-aligned types. A plain
// new gives what the build promises (8) and what any type of that size needs
// (the largest power of two that divides the size, up to max_align_t).
TEST(OperatorNew, EveryFormAlignsAndHoldsItsBytes) {
    static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ == 8, "the heap's build promise");
    std::vector<size_t> sizes = {70000, 300001};
    for (size_t n = 0; n <= 1100; ++n) sizes.push_back(n);
    for (size_t n : sizes) {
        const size_t natural = n == 0 ? 1 : std::min(n & -n, alignof(std::max_align_t));
        const size_t promised =
            n < __STDCPP_DEFAULT_NEW_ALIGNMENT__ ? natural : std::max<size_t>(natural, 8);
        void* forms[] = {::operator new(n), ::operator new[](n), ::operator new(n, std::nothrow),
                         ::operator new[](n, std::nothrow)};
        for (void* p : forms) {
            ASSERT_NE(p, nullptr);
            EXPECT_TRUE(alignedTo(p, promised)) << n;
            std::memset(p, 0x5a, n);
        }
        ::operator delete(forms[0], n);
        ::operator delete[](forms[1], n);
        ::operator delete(forms[2], std::nothrow);
        ::operator delete[](forms[3]);

        for (size_t alignment : {16u, 32u, 64u, 128u, 256u, 4096u}) {
            const auto a = static_cast<std::align_val_t>(alignment);
            void* aligned[] = {::operator new(n, a), ::operator new[](n, a),
                               ::operator new(n, a, std::nothrow)};
            for (void* p : aligned) {
                ASSERT_NE(p, nullptr);
                EXPECT_TRUE(alignedTo(p, alignment)) << n << " at " << alignment;
                std::memset(p, 0xa5, n);
            }
            ::operator delete(aligned[0], n, a);
            ::operator delete[](aligned[1], a);
            ::operator delete(aligned[2], a, std::nothrow);
        }
    }
    // new-expressions of over-aligned types.
    Line* line = new Line{};
    Pair* pairs = new Pair[3]{};
    Quad* quads = new Quad[5]{};
    EXPECT_TRUE(alignedTo(quads, 16));
    delete[] quads;
    EXPECT_TRUE(alignedTo(line, 64));
    EXPECT_TRUE(alignedTo(pairs, 32));
    delete line;
    delete[] pairs;
}

// Four threads allocate blocks of random sizes, small and large, about
// 40 MB each, free a random half on the way and check every block they still
// hold; then each frees what the next thread holds. Any overlap, any write
// by the page helper into a block in use, or a block freed to the wrong
// place shows as a changed pattern.
TEST(OperatorNew, ManyThreadsKeepTheirBlocksIntact) {
    constexpr unsigned kThreads = 4;
    struct Held {
        std::string* text;  // a pattern in a string whose buffer is a heap block
        char tag;
    };
    std::vector<std::vector<Held>> held(kThreads);
    std::vector<unsigned> damaged(kThreads, 0);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(t);
            std::vector<Held>& mine = held[t];
            size_t bytes = 0;
            while (bytes < 40'000'000) {
                const size_t n = random() % 8 == 0 ? 1025 + random() % 3000 : 16 + random() % 1000;
                const char tag = static_cast<char>('a' + random() % 26);
                mine.push_back({new std::string(n, tag), tag});
                bytes += n;
                if (random() % 2 == 0) {
                    const size_t victim = random() % mine.size();
                    delete mine[victim].text;
                    mine[victim] = mine.back();
                    mine.pop_back();
                }
            }
            for (const Held& h : mine)
                if (h.text->find_first_not_of(h.tag) != std::string::npos) ++damaged[t];
        });
    }
    for (std::thread& thread : threads) thread.join();
    threads.clear();
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (const Held& h : held[(t + 1) % kThreads]) {
                if (h.text->find_first_not_of(h.tag) != std::string::npos) ++damaged[t];
                delete h.text;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(damaged, std::vector<unsigned>(kThreads, 0));
}

// A request no system can meet: new throws bad_alloc after the new-handler
// had its chance, the nothrow forms answer null.
TEST(OperatorNew, ImpossibleRequestsFailAsTheLanguageRequires) {
    const size_t huge = std::numeric_limits<size_t>::max() / 2;
    EXPECT_THROW(static_cast<void>(::operator new(huge)), std::bad_alloc);
    EXPECT_THROW(static_cast<void>(::operator new[](huge, std::align_val_t{64})), std::bad_alloc);
    EXPECT_EQ(::operator new(huge, std::nothrow), nullptr);
    EXPECT_EQ(::operator new (huge, std::align_val_t{64}, std::nothrow), nullptr);

    static int handlerCalls;
    handlerCalls = 0;
    std::set_new_handler([] {
        ++handlerCalls;
        std::set_new_handler(nullptr);  // gives up on the next failure
    });
    EXPECT_THROW(static_cast<void>(::operator new(huge)), std::bad_alloc);
    EXPECT_EQ(handlerCalls, 1);
}

// fork() while other threads allocate and the page helper runs: the child
// finds the heap's locks free and its lists whole, allocates more than the
// helper's start (so it starts a helper of its own) and frees again, without
// hanging. The parent goes on as before.
TEST(OperatorNew, ChildOfForkAllocatesWhileParentThreadsDid) {
    std::vector<std::string*> warmUp;  // past the helper's start
    for (size_t i = 0; i < 100000; ++i) warmUp.push_back(new std::string(40, 'w'));
    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (unsigned t = 0; t < 2; ++t) {
        busy.emplace_back([&, t] {
            std::mt19937 random(t);
            std::vector<std::string*> mine;
            while (!stop.load()) {
                mine.push_back(new std::string(16 + random() % 900, 'b'));
                if (mine.size() > 20000) {
                    for (std::string* s : mine) delete s;
                    mine.clear();
                }
            }
            for (std::string* s : mine) delete s;
        });
    }
    std::vector<int> exitCodes;
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            alarm(60);  // a hang ends the child with SIGALRM
            std::vector<std::string*> blocks;
            for (size_t i = 0; i < 200000; ++i) blocks.push_back(new std::string(100, 'c'));
            bool whole = true;
            for (std::string* s : blocks) {
                whole = whole && s->find_first_not_of('c') == std::string::npos;
                delete s;
            }
            _exit(whole ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        exitCodes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    stop = true;
    for (std::thread& thread : busy) thread.join();
    for (std::string* s : warmUp) delete s;
    EXPECT_EQ(exitCodes, std::vector<int>(20, 0));
}

// A process whose address space is too small for the heap's least reserve:
// the heap is not set up and malloc serves every request, small, large and
// aligned. Checked in a fresh process (this test again), started under the
// limit so that its very first operator new finds no room.
TEST(OperatorNew, WithoutRoomForTheHeapMallocServes) {
    constexpr const char* kChildMark = "ABIMPORT_TEST_NO_HEAP_ROOM";
    if (std::getenv(kChildMark)) {
        EXPECT_EQ(abimport::memory::processHeapIfSetUp(), nullptr);
        for (size_t n : {size_t{1}, size_t{24}, size_t{1000}, size_t{4000}, size_t{300001}}) {
            std::vector<std::string*> blocks;
            for (unsigned i = 0; i < (n > 10000 ? 50 : 1000); ++i)
                blocks.push_back(new std::string(n, 'm'));
            void* aligned = ::operator new (n, std::align_val_t{64});
            EXPECT_TRUE(alignedTo(aligned, 64));
            std::memset(aligned, 1, n);
            ::operator delete (aligned, std::align_val_t{64});
            for (std::string* s : blocks) {
                EXPECT_EQ(s->find_first_not_of('m'), std::string::npos);
                delete s;
            }
        }
        return;
    }
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const rlimit limit{size_t{160} << 20, size_t{160} << 20};
        if (setrlimit(RLIMIT_AS, &limit) == 0 && setenv(kChildMark, "1", 1) == 0) {
            execl("/proc/self/exe", "operatornew_tests",
                  "--gtest_filter=OperatorNew.WithoutRoomForTheHeapMallocServes", nullptr);
        }
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
