#include "deckdiff.h"

#include "../../compare/diffprint.h"

namespace abimport {

namespace {

// The deck's keywords as a model that refers to the deck's cards.
void fillModel(const DeckData& deck, DiffModel& model) {
    std::vector<unsigned long long> lines;
    for (const DeckKeyword& keyword : deck.keywords) {
        lines.resize(keyword.cardCount);
        for (size_t i = 0; i < keyword.cardCount; ++i)
            lines[i] = deck.cardLines.at(keyword.firstCard + i);
        SourceFile file;
        file.path = keyword.file;
        model.addKeyword({*keyword.keyword, file, keyword.line},
                         deck.cards.data() + keyword.firstCard, keyword.cardCount, lines, false,
                         &keyword.parameters);
    }
    model.addParameters(deck.parameters, deck.parameterUses);
}

}  // namespace

std::string diffJsonLines(const DeckData& before, const DeckData& after, double tolerance,
                          bool rows, double absTolerance) {
    DiffModel a, b;
    fillModel(before, a);
    fillModel(after, b);
    std::string out;
    DiffJsonWriter writer(out, rows);
    compareModels(a, b, DiffSettings{tolerance, absTolerance}, writer);
    return out;
}

}  // namespace abimport
