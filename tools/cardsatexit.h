// The cards of the last deck the tool imports live until the process ends,
// where freeing them one by one (seven heap objects per node card) costs time
// that the system spends again anyway when it takes the process's memory
// back. The tool hands such cards over here instead of letting its
// ImportObject free them.
//
// Builds that check for leaks (sanitizers, valgrind: ABIMPORT_TOOL_SKIP_TEARDOWN
// off) take nothing over, so every card is freed by its ImportObject as usual.
#pragma once

#include <cstddef>

#include "../frame/hostinterface.h"

namespace abimport {

// Whether leaveCardsToExit takes cards over in this build.
bool cardsLeftToExitSkipTeardown();

// Takes over the cards of target, which is left without cards, until
// freeCardsLeftToExit() or the end of the process. Cards taken over before
// are freed first, so call it for the last deck only. Does nothing when this
// build frees everything at exit.
void leaveCardsToExit(ImportObject& target);

// Frees every card taken over, for a caller that wants them freed after all.
void freeCardsLeftToExit();

// How many cards are held now.
size_t cardsLeftToExit();

}  // namespace abimport
