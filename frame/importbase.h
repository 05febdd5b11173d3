// The frame every keyword importer shares: its members and the procedure that
// reads one card (read, end test, ID step, card step), driven by the card's
// description.
#pragma once

#include "../model/card.h"
#include "carddescription.h"
#include "dataline.h"
#include "hostinterface.h"

class ABIMPORT_API ImportBase {
public:
    ImportBase(DataLine* reader, ImportObject* target) : importObject(target), dataLine(reader) {}
    virtual ~ImportBase();
    ImportBase(const ImportBase&) = delete;
    ImportBase& operator=(const ImportBase&) = delete;

    unsigned wordCount = 0;
    char* line = nullptr;
    char** words = nullptr;
    ImportObject* importObject;
    DataLine* dataLine;
    Card* card = nullptr;

    // The read-one-card procedure, used by the importers' read operations.
    // Each sets up the card's tables (type codes, names, widths, ID field
    // table) afresh from its description, in arrays local to the read.
    //
    // The whole procedure for one word card. Returns false when the read met
    // the end of the keyword (nothing reported or built).
    bool readCard(const abimport::CardDescription& description);
    // Its two halves, for cards that take numbers between the end test and
    // the ID step: read the words and make the end test (the observer hears
    // of the card when the keyword ends before it); then the ID and card
    // steps.
    bool readWords(const abimport::CardDescription& description);
    void reportAndBuild(const abimport::CardDescription& description);

    // The whole procedure for one line card, read as a raw line. Returns
    // false at the end of the keyword.
    bool readLineCard(const abimport::CardDescription& description);

    // The read met the next keyword line: zero words with flag 0x8 set.
    bool atEndOfKeyword() const;
    // The read found no more line in the deck.
    bool atEndOfFile() const { return dataLine->endOfFile; }

    // A count or size from word pos: strtol base 10, cut to 32 bits; 0 for a
    // missing word.
    unsigned numberAt(unsigned pos) const;
    // Whether the word array holds a word at pos.
    bool hasWordAt(unsigned pos) const { return words && words[pos]; }

    // Counted repetition: up to count passes of the card, ending early at the
    // end of the keyword (returns false then) or after a pass that found no
    // more line in the deck.
    bool readRepeated(const abimport::CardDescription& description, unsigned count);

private:
    // Reads count words and makes the end test.
    bool readWordCount(unsigned count);
};
