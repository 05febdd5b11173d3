// Field texts that read back exactly. A value is written as a text that fits
// its field's columns and that the reading of that field turns back into the
// same value: the same bits for a double (the sign of zero included, any NaN
// for a NaN), the same 32 bits for an integer, the same characters for a
// text. Ten-column fields are the word fields, read with the exponent repair;
// other widths are line fields (nodes, elements), read as they stand.
//
// Where a text one column narrower than the field exists, the value keeps a
// blank before it, so that values do not touch in the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../host/readchecks.h"
#include "../model/card.h"

namespace abimport {

namespace exact_text {

// The longest field handled; wider fields are cut to it.
constexpr unsigned kMostColumns = 64;

// What a text of length characters, right-aligned in a field of width
// columns, reads back as.
double readDouble(const char* text, size_t length, unsigned width);
int32_t readInteger(const char* text, size_t length, unsigned width);
uint32_t readUnsigned(const char* text, size_t length, unsigned width);
// A text value: the field's characters as the card step keeps them.
std::string readText(const char* text, size_t length, unsigned width);

// Writes an exact text of value for a field of width columns to out (room
// for kMostColumns characters, no terminator) and returns its length; 0 when
// no exact text fits. Chooses among plain decimals ("-1523.123456", ".5",
// "1."), exponent forms ("1.5e-3", "15e-4", ".15e-9", for word fields also
// "1.5-3", which the exponent repair reads as 1.5e-3) and hexadecimal ones.
size_t doubleText(double value, unsigned width, char* out);

// The same for any value of a card; blank placeholders are blanks.
size_t valueText(const Data& value, char* out);

// A field of a card that has no exact text: the value as the library's card
// text writes it, and what that reads back as.
struct InexactField {
    size_t field;         // index into Card::fields
    std::string message;  // "NAME: VALUE is written as 'TEXT', which reads back as X"
};

// Where a card's values stand in its line: null when each value follows the
// one before; otherwise the empty fields that stand between them.
using Gaps = EmptyFields;

// Whether two cards are written under the same "$" header: same name, same
// field names, widths and empty fields.
bool sameLayout(const Card& a, const Gaps* aGaps, const Card& b, const Gaps* bGaps);

// Appends the "$" line of field names (only when the card keeps names):
// each name right-aligned over its field, empty fields between values
// included.
void appendHeader(std::string& out, const Card& card, const Gaps* gaps);

// Appends the card's values line: each value's exact text right-aligned in
// its columns, an empty field between values as a tab in its first column
// (which reads as empty), nothing for empty fields at the end. A value
// without an exact text is written as the card text writes it and, when
// inexact is given, listed there.
void appendValues(std::string& out, const Card& card, const Gaps* gaps,
                  std::vector<InexactField>* inexact);

}  // namespace exact_text

}  // namespace abimport
