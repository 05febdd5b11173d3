// A card's line read again as the reader reads it: the data line cut into
// words (comma-separated, or ten-column fields, each repaired) for a word
// card, or into the columns of a node or element line, then each field
// turned into its value as the card step does. The edits check every line
// they write with it: the edited field must read as the value written, every
// other field as before.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "../host/readchecks.h"
#include "../model/card.h"

namespace abimport {

// How a card's line is read, field by field in line order.
struct LineLayout {
    static constexpr unsigned kMostFields = EmptyFields::kMostFields;
    bool wordCard = true;  // read as words (repaired), else as columns
    unsigned count = 0;
    unsigned types[kMostFields] = {};   // the type code the layout asks for
    unsigned widths[kMostFields] = {};  // the columns of each field
};

// What the reader makes of one field of a line.
struct ReadField {
    enum Kind { Unread, Empty, Value } kind = Unread;
    unsigned type = 0;  // the value's type code
    double real = 0;
    long long integer = 0;  // an integer, or the hash of a text value's characters
};

// The fields of a line in line order.
struct LineReading {
    unsigned count = 0;
    std::array<ReadField, LineLayout::kMostFields> fields;
    ReadField& operator[](size_t i) { return fields[i]; }
    const ReadField& operator[](size_t i) const { return fields[i]; }
};

// The layout of card's line: its values and its empty fields (gaps, with
// those after the last value) in line order. A card is read as words when
// every field is as wide as a word card's (isWordFieldWidth): the one place
// the edits tell word cards from line cards.
LineLayout layoutOf(const Card& card, const EmptyFields* gaps);

// The fields of card as the import built them, in line order.
LineReading fieldsOf(const Card& card, const EmptyFields* gaps);

// The fields of a line (its text without the newline; newline tells whether
// one follows it in the file) as the reader reads them.
void readLine(std::string_view text, bool newline, const LineLayout& layout, LineReading& reading);

// Whether two readings of a field give the same: both unread, both empty, or
// the same value (any NaN for a NaN, the sign of zero counted).
bool sameField(const ReadField& a, const ReadField& b);

}  // namespace abimport
