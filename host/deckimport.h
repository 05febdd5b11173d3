// The stand-in host's loop over one deck: it skips everything but the airbag
// keywords and hands each of those to the import function registered for it.
#pragma once

#include <cstddef>

#include "../frame/dataline.h"
#include "../frame/hostinterface.h"
#include "keywordtitles.h"

class DeckObserver {
public:
    virtual ~DeckObserver();
    // Just before the import function of a recognised keyword is called.
    virtual void keywordStarts(const KeywordTitle& keyword);
    // Just after it returned; the cards it appended start at firstCard.
    virtual void keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                             size_t firstCard);
};

// Reads the deck of dataLine from its current position to its end. Keyword
// codes without a function in the registry are skipped like unknown keywords.
// Returns the number of keywords imported.
size_t importDeck(DataLine& dataLine, const ABImport& registry, ImportObject& target,
                  DeckObserver* observer = nullptr);
