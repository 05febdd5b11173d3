// The write-back's card lines: each value as a text that fits its field's
// columns and reads back exactly (the number texts come from
// model/numbers/fieldfit.h): the same bits for a double (the sign of zero
// included, any NaN for a NaN), the same 32 bits for an integer, the same
// characters for a text.
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
#include "../model/numbers/fieldfit.h"

namespace abimport {

namespace exact_text {

// The longest field handled; wider fields are cut to it.
constexpr unsigned kMostColumns = abimport::detail::kMostFitColumns;

// The text of a value of a card for its field: exact where one fits, else
// the closest decimal that fits (a number) or the card text cut to the
// columns (a text); blank placeholders are blanks.
abimport::detail::NumberText valueText(const Data& value);

// A field of a card that has no exact text: what it is written as, and what
// that reads back as.
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

// Appends the card's values line: each value's text right-aligned in its
// columns, an empty field between values as a tab in its first column
// (which reads as empty), nothing for empty fields at the end. A value
// without an exact text is written as the closest text that fits and, when
// inexact is given, listed there.
void appendValues(std::string& out, const Card& card, const Gaps* gaps,
                  std::vector<InexactField>* inexact);

}  // namespace exact_text

}  // namespace abimport
