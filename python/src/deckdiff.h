// The comparison of two decks read by the package, through the tool's own
// comparison (compare/diff.h): its changes as the JSON Lines of abimport diff --json.
#pragma once

#include <string>

#include "deckdata.h"

namespace abimport {

std::string diffJsonLines(const DeckData& before, const DeckData& after, double tolerance,
                          bool rows);

}  // namespace abimport
