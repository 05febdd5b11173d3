// The tool's outputs for one deck, written again from a DeckData with the
// tool's own event and write-back functions, in the order the tool writes
// them while it reads.
#pragma once

#include <string>

#include "deckdata.h"

namespace abimport {

// What `abimport --json DECK` prints for the deck alone.
std::string deckJsonLines(const DeckData& deck);

// What `abimport DECK` prints: the write-back of every keyword and *END.
std::string deckWriteBack(const DeckData& deck);

// One host call as the JSON event the tool prints for it, without the newline.
void appendCallEvent(std::string& out, const LoggedCall& call);

}  // namespace abimport
