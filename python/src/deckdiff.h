// The comparison of two decks read by the package, through the tool's own
// comparison (compare/diff.h): its changes as the JSON Lines of abimport diff --json.
#pragma once

#include <string>

#include "deckdata.h"

namespace abimport {

// The changes from before to after as JSON Lines: doubles within the larger
// of the relative tolerance and the absolute one are the same.
std::string diffJsonLines(const DeckData& before, const DeckData& after, double tolerance,
                          bool rows, double absTolerance = 0);

}  // namespace abimport
