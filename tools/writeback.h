// The default output: each imported keyword written back as deck text, its
// title line and then the text of each card it built, and an *END line at the
// end of the deck. The *END line ends the last keyword where the next keyword
// line ended it in the deck, so the text imports again to the same cards.
#pragma once

#include <cstdio>

#include "../host/deckimport.h"

class DeckTextWriter : public DeckObserver {
public:
    explicit DeckTextWriter(FILE* out) : out_(out) {}
    void keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                     size_t firstCard) override;
    void deckEnds();

private:
    FILE* out_;
};
