// The default output: each imported keyword written back as deck text, its
// title line and then the text of each card it built.
#pragma once

#include <cstdio>

#include "../host/deckimport.h"

class DeckTextWriter : public DeckObserver {
public:
    explicit DeckTextWriter(FILE* out) : out_(out) {}
    void keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                     size_t firstCard) override;

private:
    FILE* out_;
};
