// A card's line read again as the reader reads it: the data line cut into
// words (comma-separated, or ten-column fields, each repaired) for a word
// card, or into the columns of a node or element line, then each field
// turned into its value as the card step does. The edits check every line
// they write with it: the edited field must read as the value written, every
// other field as before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../host/readchecks.h"
#include "../model/card.h"

namespace abimport {

// How a card's line is read, field by field in line order.
struct LineLayout {
    bool wordCard = true;          // read as words (repaired), else as columns
    std::vector<unsigned> types;   // the type code the layout asks for
    std::vector<unsigned> widths;  // the columns of each field
};

// What the reader makes of one field of a line.
struct ReadField {
    enum Kind { Unread, Empty, Value } kind = Unread;
    unsigned type = 0;  // the value's type code
    double real = 0;
    long long integer = 0;
    std::string text;  // a text value
};

// Whether a card is read as words: every field ten columns wide. (The one
// place the edits tell word cards from node and element lines.)
bool isWordCard(const Card& card, const EmptyFields* gaps);

// The layout of card's line: its values and its empty fields (gaps, with
// those after the last value) in line order.
LineLayout layoutOf(const Card& card, const EmptyFields* gaps);

// The fields of card as the import built them, in line order.
std::vector<ReadField> fieldsOf(const Card& card, const EmptyFields* gaps);

// The fields of a line (its text without the newline; newline tells whether
// one follows it in the file) as the reader reads them.
std::vector<ReadField> readLine(const std::string& text, bool newline, const LineLayout& layout);

// Whether two readings of a field give the same: both unread, both empty, or
// the same value (any NaN for a NaN, the sign of zero counted).
bool sameField(const ReadField& a, const ReadField& b);

}  // namespace abimport
