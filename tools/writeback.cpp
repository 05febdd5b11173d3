#include "writeback.h"

#include <string>

void DeckTextWriter::keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                                 size_t firstCard) {
    std::fprintf(out_, "*%s\n", keyword.title);
    std::string text;  // one card at a time: a keyword may hold very many
    for (size_t i = firstCard; i < target.cards.size(); ++i) {
        if (!target.cards[i]) continue;
        text.clear();
        target.cards[i]->tostring(text);
        std::fwrite(text.data(), 1, text.size(), out_);
    }
}

void DeckTextWriter::deckEnds() { std::fputs("*END\n", out_); }
