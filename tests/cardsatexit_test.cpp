// Cards left to the process exit: in a build that skips the teardown the
// cards move out of the import target and are freed when asked, or when the
// next deck's cards come; in a build that checks for leaks they stay with
// the target, which frees them.
#include "../tools/cardsatexit.h"

#include <gtest/gtest.h>

using namespace abimport;

namespace {

int liveCards = 0;

struct CountedCard : Card {
    CountedCard() { ++liveCards; }
    ~CountedCard() override { --liveCards; }
};

void addCards(ImportObject& target, int count) {
    for (int i = 0; i < count; ++i) target.cards.push_back(new CountedCard);
}

}  // namespace

TEST(CardsAtExit, TakenOverUntilFreedOrReplaced) {
    {
        ImportObject first;
        addCards(first, 3);
        leaveCardsToExit(first);
        if (!cardsLeftToExitSkipTeardown()) {
            EXPECT_EQ(first.cards.size(), 3u);
            EXPECT_EQ(cardsLeftToExit(), 0u);
            return;  // the target frees its cards as it ends
        }
        EXPECT_TRUE(first.cards.empty());
    }
    EXPECT_EQ(liveCards, 3);
    EXPECT_EQ(cardsLeftToExit(), 3u);

    ImportObject second;
    addCards(second, 2);
    leaveCardsToExit(second);  // frees the three held before
    EXPECT_EQ(liveCards, 2);
    EXPECT_EQ(cardsLeftToExit(), 2u);

    freeCardsLeftToExit();
    EXPECT_EQ(liveCards, 0);
    EXPECT_EQ(cardsLeftToExit(), 0u);
}
