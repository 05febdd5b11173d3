// Test helper: a whole deck imported through the stand-in host's loop, every
// card and host call written down as the importer harness writes them, and
// every card's own deck text.
#pragma once

#include <tuple>

#include "deckloop.h"
#include "importharness.h"

namespace abimport {

struct DeckRun {
    size_t keywords;
    Lines cards, calls;
    std::string text;
    auto tied() const { return std::tie(keywords, cards, calls, text); }
    bool operator==(const DeckRun& o) const { return tied() == o.tied(); }
};

// Imports deck with the process's current Card::contFlag, the reader meeting
// the end of the file as the library defines it.
inline DeckRun runDeck(const std::string& deck) {
    Transcript host;
    ImportSettings settings;
    settings.warnings = false;
    settings.fileEndLine = false;
    DeckRun run{importText(deck, "-", host.target, nullptr, settings), {}, {}, ""};
    for (Card* card : host.target.cards)
        run.cards.push_back(cardLine(*card)), card->tostring(run.text);
    for (const HostCall& call : host.calls) run.calls.push_back(callLine(call));
    return run;
}

}  // namespace abimport
