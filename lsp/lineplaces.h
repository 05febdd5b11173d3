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

// Reads the airbag keyword above line again (up to that line only), with
// the parameters of the document's file, and finds its card and field at
// byteColumn.
FieldAt fieldAt(const Session& session, const TextDocument& document, size_t line,
                size_t byteColumn, const FileParameters& parameters);

// The parameters as the file at path sees them in its model (read now when
// it is stale).
FileParameters parametersOf(Session& session, const std::string& path);

// A line of a file of the model as the server shows it: "parts.k:4".
std::string shownPlace(const Session& session, const ModelReading& model, size_t file,
                       unsigned long long line);

// The value as the library reads it: "0.0015", "12", "'text'", "empty".
std::string valueText(const Data* value);

// An ID in a field's value: a non-zero integer within 32 bits.
bool idOf(const FieldPlace& field, int32_t& id);

// The kind of ID a field of a card holds: the kind the ID report gives it,
// or, for a field that names an ID through a host lookup, the kind its
// card's type field chooses; null for none.
const IdKind* fieldIdKind(const CardPlace& card, const FieldPlace& field);

// Whether two kinds are one (a description's kind points into the library's
// own copy of the list; each kind has a label of its own).
bool sameKind(const IdKind* a, const IdKind* b);

// The ID a defining line gives in its first field (its first comma word, or
// its first width columns): false when it gives none.
bool idOnLine(std::string_view line, unsigned width, int32_t& id);

// The digits of the ID on a defining line: [begin, end), or the whole line.
void idColumns(std::string_view line, size_t& begin, size_t& end);

}  // namespace abimport::lsp
