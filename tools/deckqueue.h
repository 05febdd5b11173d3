// Imports the decks of the command line, on several threads when asked: each
// deck gets its own reader and import target, and its output and error lines
// appear exactly as if the decks were handled one after the other.
#pragma once

#include "../frame/hostinterface.h"
#include "deckjob.h"
#include "options.h"

namespace abimport {

struct DeckTotals {
    bool readFailed = false;  // a deck or an include could not be read
    size_t warnings = 0;
    size_t modelProblems = 0;
    SummaryTotals summary;  // --summary: over the decks read
};

// jobs: decks imported at once (at least 1).
DeckTotals importDecks(const Options& options, const ABImport& registry, unsigned jobs);

// The decks to import at once: --jobs, or one per core when several decks
// are given.
unsigned jobsFor(const Options& options);

}  // namespace abimport
