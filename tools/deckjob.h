// One deck on the command line: imported through the stand-in host's deck
// loop with its own reader and import target, and printed in the chosen mode.
#pragma once

#include <cstdio>
#include <string>

#include "../frame/hostinterface.h"
#include "../output/summary.h"
#include "options.h"

namespace abimport {

struct DeckOutcome {
    bool readFailed = false;   // the deck or one of its includes could not be read
    size_t warnings = 0;       // warnings found, shown or not
    size_t modelProblems = 0;  // of them, problems of the model (--check)
    SummaryTotals summary;     // --summary: the deck's counts
};

// Writes the deck's output to out and its error and warning lines to err.
// The cards of the last deck are left to the process exit (cardsatexit.h).
DeckOutcome importAndPrint(const std::string& path, const Options& options,
                           const ABImport& registry, bool severalDecks, bool lastDeck, FILE* out,
                           FILE* err);

}  // namespace abimport
