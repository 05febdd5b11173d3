// The cards of one name as table columns (Deck.table), the names of the
// cards a deck holds, and the KeyError for a name it does not hold.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "deckdata.h"

namespace abimport {

namespace py = pybind11;

// The distinct card names of the deck, in the order they first appear.
py::list cardNames(const DeckData& deck);

// Raises KeyError naming the card name asked for and listing the names the
// deck holds.
[[noreturn]] void raiseUnknownCard(const DeckData& deck, const py::str& name);

// The columns of the cards called name (a KeyError when there are none), as
// (field names, columns, lines, file codes, files): each column a tuple
// (kind, values, missing) with kind "int" (int64 values), "float" (float64,
// NaN where missing) or "object" (a list, None where missing) and missing a
// bool array; the line of each card (0 for none); the index of each card's
// file in files.
py::tuple tableColumns(const DeckData& deck, const py::str& name);

}  // namespace abimport
