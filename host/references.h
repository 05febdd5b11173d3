// What counts as a reference to an ID in a reporting call.
#pragma once

#include "../frame/dataline.h"

namespace abimport {

// Whether word pos of the word list that an ID report hands over refers to an
// ID, and which: a non-zero integer within 32 bits (blanks around it aside)
// of the line just read. Blank, zero and non-numeric words refer to nothing,
// and so do the words past the end of a comma line and those of a card read
// at the end of the file, which are left from an earlier line. reader is the reader of the import
// (null: every word of the list counts as the line's).
bool referenceAt(const DataLine* reader, char** words, unsigned pos, long long& id);

// Whether word pos is an integer within 32 bits of the line just read, as a
// type field holds it: a blank word reads as 0.
bool integerAt(const DataLine* reader, char** words, unsigned pos, long long& value);

}  // namespace abimport
