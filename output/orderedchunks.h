// Work on a long list of items in chunks that two threads prepare while the
// results are used in order: a helper thread prepares every other chunk, the
// calling thread prepares the rest and uses each chunk's result in turn. A
// list of fewer than kTwoThreadsFrom items is done on the calling thread
// alone. prepare must be safe to run on two threads at once for different
// chunks; use runs on the calling thread only.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

class Card;

namespace abimport {

constexpr size_t kTwoThreadsFrom = 16384;
constexpr size_t kChunkItems = 4096;

// Prepare(begin, end, Result&) fills a result for items [begin, end); Use(Result&)
// takes it and may leave it empty for reuse.
template <class Result, class Prepare, class Use>
void forChunksInOrder(size_t count, Prepare prepare, Use use) {
    const size_t chunks = (count + kChunkItems - 1) / kChunkItems;
    auto range = [count](size_t chunk, size_t& begin, size_t& end) {
        begin = chunk * kChunkItems;
        end = begin + kChunkItems < count ? begin + kChunkItems : count;
    };
    size_t begin, end;
    if (count < kTwoThreadsFrom) {
        Result result;
        for (size_t chunk = 0; chunk < chunks; ++chunk) {
            range(chunk, begin, end);
            prepare(begin, end, result);
            use(result);
        }
        return;
    }
    // The helper prepares the odd chunks, alternating between two results so
    // that it can work on the next one while the last one waits to be used.
    Result helperResults[2];
    bool ready[2] = {false, false};
    std::mutex mutex;
    std::condition_variable changed;
    std::thread helper([&] {
        for (size_t chunk = 1, turn = 0; chunk < chunks; chunk += 2, ++turn) {
            const size_t slot = turn % 2;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return !ready[slot]; });
            }
            size_t first, last;
            range(chunk, first, last);
            prepare(first, last, helperResults[slot]);
            std::lock_guard<std::mutex> lock(mutex);
            ready[slot] = true;
            changed.notify_all();
        }
    });
    Result own;
    for (size_t chunk = 0; chunk < chunks; ++chunk) {
        if (chunk % 2 == 0) {
            range(chunk, begin, end);
            prepare(begin, end, own);
            use(own);
            continue;
        }
        const size_t slot = (chunk / 2) % 2;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return ready[slot]; });
        }
        use(helperResults[slot]);
        std::lock_guard<std::mutex> lock(mutex);
        ready[slot] = false;
        changed.notify_all();
    }
    helper.join();
}

// The same for the cards from cards[first] on, one at a time: prepareCard(n,
// card, result) for the card n places after first (null entries skipped).
template <class Result, class PrepareCard, class Use>
void forCardsInOrder(const std::vector<Card*>& cards, size_t first, PrepareCard prepareCard,
                     Use use) {
    forChunksInOrder<Result>(
        cards.size() - first,
        [&](size_t begin, size_t end, Result& result) {
            for (size_t n = begin; n < end; ++n) {
                if (Card* card = cards[first + n]) prepareCard(n, *card, result);
            }
        },
        use);
}

}  // namespace abimport
