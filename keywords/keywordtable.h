// The keyword table: the description of every keyword the library imports
// (frame/carddescription.h), found by type code or title, and what the layers
// above ask of a description: a card by name or role, a field by name or
// role, a field's columns in its line. The registry, the host's keyword
// titles, the reading and model checks, the write-back, the edits, the
// comparison and the Python package all read the keywords from here.
#pragma once

#include <cstddef>
#include <string_view>

#include "../frame/carddescription.h"
#include "../model/export.h"
#include "idkinds.h"

namespace abimport {

// The keywords imported: the library's eight by ascending type code, then
// those added with addKeyword, in the order they were added.
class KeywordList {
public:
    KeywordList(const KeywordDescription* const* first, size_t count)
        : first_(first), count_(count) {}
    const KeywordDescription* const* begin() const { return first_; }
    const KeywordDescription* const* end() const { return first_ + count_; }
    size_t size() const { return count_; }

private:
    const KeywordDescription* const* first_;
    size_t count_;
};
ABIMPORT_API KeywordList keywordList();

// The keyword registered under a type code, or null.
ABIMPORT_API const KeywordDescription* keywordWithCode(unsigned code);
// The keyword of a title (without the '*'), compared without regard to the
// case of ASCII letters, or null.
ABIMPORT_API const KeywordDescription* keywordWithTitle(std::string_view title);

// Adds the description of a keyword of the host's own (or a test's) after
// the library's: from then on the registration inserts its import function
// too, and every layer that reads the keyword table knows it. False, adding
// nothing, when the description does not hold together, its code or title
// is taken, or 56 keywords were added already. The description must live as
// long as the library is used. Call it before any import: the list may be
// read on other threads, but not while one is added.
ABIMPORT_API bool addKeyword(const KeywordDescription& keyword);

// The keyword's card of that name, or null.
inline const CardDescription* cardNamed(const KeywordDescription& keyword, std::string_view name) {
    for (unsigned c = 0; c < keyword.cardCount; ++c) {
        if (name == keyword.cards[c].name) return &keyword.cards[c];
    }
    return nullptr;
}

// The keyword's card with that role, or null.
inline const CardDescription* cardWithRole(const KeywordDescription& keyword, CardRole role) {
    for (unsigned c = 0; c < keyword.cardCount; ++c) {
        if (keyword.cards[c].role == role) return &keyword.cards[c];
    }
    return nullptr;
}

// The card's first field with that role, or null.
inline const FieldDescription* fieldWithRole(const CardDescription& card, FieldRole role) {
    for (unsigned i = 0; i < card.fieldCount; ++i) {
        if (card.fields[i].role == role) return &card.fields[i];
    }
    return nullptr;
}

// The position of the card's field of that name, or -1.
inline int fieldPosition(const CardDescription& card, std::string_view name) {
    for (unsigned i = 0; i < card.fieldCount; ++i) {
        if (name == card.fields[i].name) return static_cast<int>(i);
    }
    return -1;
}

// Whether a value of that width stands in a word card, whose fields the
// reader cuts as ten-column words with the exponent repair. No line card has
// a field of ten columns (the table refuses a description with one), so a
// value's width tells how its field is read.
constexpr bool isWordFieldWidth(unsigned width) {
    return width == kStandardFieldWidth;
}

// The columns of field i in a fixed-form line, 1-based and inclusive: word
// card fields in ten columns each, line card fields one after the other in
// their own widths. In a comma line the field is the i-th word instead.
struct Columns {
    unsigned first;
    unsigned last;
};
inline Columns columnsOf(const CardDescription& card, unsigned i) {
    unsigned first = 1;
    for (unsigned k = 0; k < i && k < card.fieldCount; ++k) first += card.fields[k].width;
    return {first, first + card.fields[i].width - 1};
}

// The columns a card reads from a fixed-form line: the last column of its
// last field.
inline unsigned columnsRead(const CardDescription& card) {
    return columnsOf(card, card.fieldCount - 1).last;
}

}  // namespace abimport
