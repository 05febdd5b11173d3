#include "cardsatexit.h"

#include <mutex>
#include <utility>
#include <vector>

namespace abimport {

#ifndef ABIMPORT_SKIP_TEARDOWN
#define ABIMPORT_SKIP_TEARDOWN 0
#endif

namespace {

struct HeldCards {
    std::mutex mutex;
    std::vector<Card*> cards;
};

// Never destroyed: whatever it holds at exit stays reachable and is not
// freed.
HeldCards& held() {
    static HeldCards* cards = new HeldCards;
    return *cards;
}

void freeAll(std::vector<Card*>& cards) {
    for (Card* card : cards) delete card;
    cards.clear();
    cards.shrink_to_fit();
}

}  // namespace

bool cardsLeftToExitSkipTeardown() {
    return ABIMPORT_SKIP_TEARDOWN != 0;
}

void leaveCardsToExit(ImportObject& target) {
    if (!cardsLeftToExitSkipTeardown()) return;
    HeldCards& h = held();
    std::vector<Card*> before;
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        before.swap(h.cards);
        h.cards.swap(target.cards);
    }
    freeAll(before);
}

void freeCardsLeftToExit() {
    if (!cardsLeftToExitSkipTeardown()) return;
    HeldCards& h = held();
    std::vector<Card*> cards;
    {
        std::lock_guard<std::mutex> lock(h.mutex);
        cards.swap(h.cards);
    }
    freeAll(cards);
}

size_t cardsLeftToExit() {
    if (!cardsLeftToExitSkipTeardown()) return 0;
    HeldCards& h = held();
    std::lock_guard<std::mutex> lock(h.mutex);
    return h.cards.size();
}

}  // namespace abimport
