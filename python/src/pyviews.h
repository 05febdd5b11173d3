// The Python views onto a read deck: each holds the deck alive and names a
// keyword, a card or a range of them by index; nothing is copied out of the
// cards until a property is asked for.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "deckdata.h"

namespace abimport {

namespace py = pybind11;

using DeckRef = std::shared_ptr<const DeckData>;

struct CardView {
    DeckRef deck;
    size_t index;  // into DeckData::cards
    Card& card() const { return *deck->cards[index]; }
};

struct KeywordView {
    DeckRef deck;
    size_t index;  // into DeckData::keywords
    const DeckKeyword& keyword() const { return deck->keywords[index]; }
};

// A run of cards (a keyword's) or of keywords (the deck's): a read-only
// sequence that makes each element's view when it is asked for.
struct CardRange {
    DeckRef deck;
    size_t first, count;
    CardView at(size_t i) const { return {deck, first + i}; }
};
struct KeywordRange {
    DeckRef deck;
    size_t first, count;
    KeywordView at(size_t i) const { return {deck, first + i}; }
};

// One host call of a keyword's import, copied out of the call log.
struct CallView {
    CallTable table;
    unsigned long long line;
    std::vector<std::string> words;
};

// The Python value of a field: int, float, str, or None for a blank placeholder.
py::object fieldValue(const Data* value);

void bindCards(py::module_& module);
void bindKeywords(py::module_& module);

}  // namespace abimport
