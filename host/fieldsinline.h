// A card's fields in the order they stand in its line: its values, with the
// empty fields that the values leave out where they stood.
#pragma once

#include <string>

#include "../model/card.h"
#include "../model/linefields.h"
#include "readchecks.h"

namespace abimport {

// One field of a card in line order: a value, or an empty field.
struct FieldInLine {
    const Data* value;        // null for an empty field
    size_t index;             // into Card::fields for a value, else Card::emptyFieldNames
    unsigned position;        // in the line, counting empty fields
    unsigned width;           // its columns
    unsigned emptyType;       // the type code of an empty field
    const std::string* name;  // its name, null when the card kept none
};

// Calls visit(const FieldInLine&) for each field of card in line order: each
// value after the empty fields before it (gaps: null when there are none),
// then, when trailing is set, the empty fields after the last value. A null
// entry of Card::fields holds its place but is not visited.
template <class Visit>
void forEachFieldInLine(const Card& card, const EmptyFields* gaps, bool trailing, Visit visit) {
    const uint32_t before = gaps ? gaps->mask : 0;
    unsigned position = 0;
    size_t empty = 0;
    auto visitEmpty = [&](unsigned at) {
        const std::string* name =
            empty < card.emptyFieldNames.size() ? &card.emptyFieldNames[empty] : nullptr;
        visit(FieldInLine{nullptr, empty++, at, gaps->widths[at], gaps->types[at], name});
    };
    for (size_t i = 0; i < card.fields.size(); ++i) {
        for (; position < EmptyFields::kMostFields && (before >> position & 1); ++position) {
            visitEmpty(position);
        }
        const Data* value = card.fields[i];
        ++position;
        if (!value) continue;
        visit(FieldInLine{value, i, position - 1, value->width, 0,
                          i < card.fieldNames.size() ? &card.fieldNames[i] : nullptr});
    }
    if (!trailing || !gaps) return;
    for (; position < EmptyFields::kMostFields; ++position) {
        if (gaps->trailing >> position & 1) visitEmpty(position);
    }
}

}  // namespace abimport
