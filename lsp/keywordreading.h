// One airbag keyword of a file read again, on demand, exactly as the library
// reads it: which card each of its data lines is, and where each field of
// that card stands in the line, with the text the reader cut and the value
// the card step made of it. The server keeps no card of a model; hover,
// definitions and formatting read the keyword they look at again from the
// text the editor holds. What a card and a field are (names, widths, types,
// kinds of ID) comes from the keyword table; what this adds is where the
// reading found them in the line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../frame/hostinterface.h"
#include "../host/parametertable.h"
#include "../keywords/keywordtable.h"

namespace abimport::lsp {

// One field of a card line.
struct FieldPlace {
    // Its name, type code, width and kind of ID, as the keyword table gives them.
    const FieldDescription* description = nullptr;
    unsigned index = 0;  // its position in the card
    // Where it stands: byte columns of the physical line, [begin, end). In
    // fixed form the field's columns (cut to the line's text); in comma form
    // its word. begin == end for a field past the end of the line.
    size_t begin = 0, end = 0;
    std::string text;  // the field's text in the line
    // What the reader cut (the exponent repaired), after a parameter the
    // field names gave it its value.
    std::string read;
    const Data* value = nullptr;  // what the card step made of it; null: empty

    const char* name() const { return description->name; }
    unsigned type() const { return description->type; }
    unsigned width() const { return description->width; }
    // The kind of ID it holds; null: none.
    const IdKind* idKind() const { return description->id; }
};

// One card as a data line gave it.
struct CardPlace {
    const CardDescription* description = nullptr;  // as the keyword table gives it
    unsigned long long line = 0;                   // 1-based, in the file
    size_t pieceOffset = 0;  // the byte of the line where the piece read begins
    bool commaForm = false;
    std::vector<FieldPlace> fields;  // in line order
    const Card* built = nullptr;     // the card as the library built it

    const char* name() const { return description->name; }
};

// The parameters that a keyword's fields may name: the model's, as the
// file the keyword stands in sees them.
struct FileParameters {
    const ParameterTable* table = nullptr;  // null: fields are read as written
    size_t file = 0;                        // the file's index in the model
};

class KeywordReading {
public:
    // Reads the keyword whose keyword line begins at byte keywordOffset of
    // text and is line keywordLine (1-based): from the next line to the next
    // keyword line or the end of text, as the model's reading reads it: the
    // end of text ends the keyword as the end of a file does, and a field
    // that names a parameter takes its value. Nothing is read when that line
    // is no airbag keyword that the registry imports.
    KeywordReading(const ABImport& registry, std::string_view text, size_t keywordOffset,
                   unsigned long long keywordLine, FileParameters parameters = {});
    ~KeywordReading();
    KeywordReading(const KeywordReading&) = delete;
    KeywordReading& operator=(const KeywordReading&) = delete;

    bool read() const { return keyword_ != nullptr; }
    std::string title() const { return keyword_ ? keyword_->title : ""; }
    // The keyword read; null when nothing was.
    const KeywordDescription* keyword() const { return keyword_; }
    const std::vector<CardPlace>& cards() const { return cards_; }
    // The card that byte column of line gave (a line longer than a read
    // gives a card of each piece), or null.
    const CardPlace* cardAt(unsigned long long line, size_t byteColumn = 0) const;

private:
    class Observer;
    const KeywordDescription* keyword_ = nullptr;
    std::vector<CardPlace> cards_;
    std::unique_ptr<ImportObject> target_;
};

// The field of a card that stands at a byte column, or null.
const FieldPlace* fieldAt(const CardPlace& card, size_t byteColumn);

// The titles of the airbag keywords that the registry imports, by code.
std::vector<std::string> importedTitles(const ABImport& registry);

}  // namespace abimport::lsp
