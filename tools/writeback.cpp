#include "writeback.h"

#include <string>

void DeckTextWriter::keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                                 size_t firstCard) {
    std::string text = "*";
    text += keyword.title;
    text += '\n';
    for (size_t i = firstCard; i < target.cards.size(); ++i) {
        if (target.cards[i]) target.cards[i]->tostring(text);
    }
    std::fwrite(text.data(), 1, text.size(), out_);
}

void DeckTextWriter::deckEnds() { std::fputs("*END\n", out_); }
