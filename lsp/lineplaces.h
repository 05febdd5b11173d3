// Where a position of a document stands in the deck: the keyword line above
// it and, in an airbag keyword, the card and field of its line.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "documents.h"
#include "keywordreading.h"
#include "session.h"

namespace abimport::lsp {

// The keyword line at or above line (0-based), or false when none is.
bool keywordLineAbove(const TextDocument& document, size_t line, size_t& keywordLine);

// The byte offset of line (0-based) in the document's text.
size_t offsetOfLine(const TextDocument& document, size_t line);

// A card line of an airbag keyword and the field at a column of it.
struct FieldAt {
    std::unique_ptr<KeywordReading> keyword;  // the keyword read again
    size_t keywordLine = 0;                   // 0-based
    const CardPlace* card = nullptr;          // null: not a card line of it
    const FieldPlace* field = nullptr;        // null: no field there
};

// Reads the airbag keyword above line again (up to that line only) and
// finds its card and field at byteColumn.
FieldAt fieldAt(const Session& session, const TextDocument& document, size_t line,
                size_t byteColumn);

// The value as the library reads it: "0.0015", "12", "'text'", "empty".
std::string valueText(const Data* value);

// An ID in a field's value: a non-zero integer within 32 bits.
bool idOf(const FieldPlace& field, int32_t& id);

// The digits of the ID on a defining line: [begin, end), or the whole line.
void idColumns(std::string_view line, size_t& begin, size_t& end);

}  // namespace abimport::lsp
