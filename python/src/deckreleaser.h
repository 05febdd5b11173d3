// Freeing a deck of a million cards means seven million deletes, about 60 ms
// of walking memory the reader wrote. A deck that Python lets go of is
// therefore freed on a thread of its own, one deck after the other, while
// the caller goes on. An import first waits until every deck handed over is
// freed, so that it reuses their memory instead of taking more: memory stays
// what synchronous freeing would keep. Once the last deck handed over is
// freed, the thread gives that memory back to the system (trimImportHeap),
// so that a session that read one large model does not keep its peak.
//
// The thread is a plain pthread started on the first hand-over (the
// extension starts no std::thread, see importheap.cpp); it never calls
// Python. Its state is never destroyed, so decks still being freed when the
// process exits are left to the exit, as the tool leaves its last deck's
// cards. A child of fork() has no such thread: decks handed over before the
// fork stay unfreed in the child, and the child starts its own thread when it
// hands one over.
#pragma once

#include "deckdata.h"

namespace abimport {

// Frees deck on the releasing thread; here and now when that thread cannot
// be started.
void releaseLater(const DeckData* deck);

// Blocks until every deck handed over so far is freed.
void waitForReleases();

// Has the thread give the import heap's free memory back (trimImportHeap),
// as it does once the last deck handed over is freed; nothing when no deck
// was ever handed over.
void requestTrim();

}  // namespace abimport
