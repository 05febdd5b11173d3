// An optional observer of the reading: the host may hand one to its DataLine
// to see every line piece the reader takes from the deck and every card the
// importers read, with the card's description, without the importers knowing. With
// no observer set, reading costs what it costs without this interface.
#pragma once

#include "../model/export.h"
#include "carddescription.h"

class DataLine;

namespace abimport {

// One card as the reader delivered it, just after its end test: the ID step
// and the card step follow.
struct CardRead {
    const CardDescription& card;  // the card as its keyword describes it
    char** words;                 // word cards: the word array; null for line cards
    unsigned wordCount;           // word cards: the number of words delivered
    const char* line;             // line cards: the raw line, not yet cut; null for word cards
};

class ABIMPORT_API ReadObserver {
public:
    virtual ~ReadObserver();

    // The reader took one piece of a line into reader.lineBuffer: at most 127
    // characters, its newline included when it fits. reader.lineNumber is the
    // number of the line the piece belongs to and reader.lineEnded tells
    // whether the piece ends it. Called before the piece is classified or cut.
    virtual void linePieceRead(const DataLine& reader) = 0;

    // A card passed its end test. reader.endOfFile tells a read that found no
    // more line in the deck (a card without fields).
    virtual void cardRead(const DataLine& reader, const CardRead& card) = 0;

    // The importer took a number that steers its card sequence (a count or a
    // size) from word pos of the card whose words were read last; that card's
    // cardRead follows.
    virtual void numberTaken(const DataLine& reader, unsigned pos) = 0;

    // A counted repetition of a card ended: count passes were asked for, and
    // cardsRead cards came from data lines before the keyword or the file
    // ended (or all of them).
    virtual void repetitionEnded(const DataLine& reader, const CardDescription& card,
                                 unsigned count, unsigned cardsRead) = 0;

    // A card of the keyword's fixed sequence was not read: the read met the
    // next keyword line. Not told for a list of node or element lines or a
    // counted repetition, which simply end there. Does nothing by default.
    virtual void cardMissing(const DataLine& reader, const CardDescription& card);
};

}  // namespace abimport
