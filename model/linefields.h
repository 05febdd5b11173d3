// Cuts a raw deck line into field texts: fixed columns of given widths, or
// comma-separated words when the line holds a comma anywhere. Internal.
#pragma once

#include <cstring>

namespace abimport::detail {

// The next comma-separated word at cursor, with strtok semantics on the
// delimiter set ",": adjacent commas and a leading comma yield no word, and
// the comma that ends a word becomes NUL. Null when no word is left; length
// receives the word's length. Re-entrant, so decks can be read on many threads.
inline char* nextCommaWord(char*& cursor, size_t& length) {
    while (*cursor == ',') ++cursor;
    if (*cursor == '\0') return nullptr;
    char* word = cursor;
    while (*cursor != '\0' && *cursor != ',') ++cursor;
    length = static_cast<size_t>(cursor - word);
    if (*cursor == ',') *cursor++ = '\0';
    return word;
}

class LineFields {
public:
    static constexpr unsigned kFieldBufferSize = 128;

    // The line must stay alive while fields are taken; in comma form it is
    // split in place (each comma that ends a word becomes NUL).
    LineFields(const LineFields&) = delete;
    LineFields& operator=(const LineFields&) = delete;

    explicit LineFields(char* line)
        : line_(line ? line : emptyLine_),
          length_(std::strlen(line_)),
          commaForm_(std::strchr(line_, ',') != nullptr),
          cursor_(line_) {}

    bool commaForm() const { return commaForm_; }

    // The text of the next field of the given width. Fixed form: the field's
    // characters up to the end of the line's text, NUL-terminated in a buffer
    // that stays valid until the next call. Comma form: the next word, or null when
    // no word is left.
    const char* next(unsigned width) {
        if (commaForm_) return nextWord();
        if (width > kFieldBufferSize - 1) width = kFieldBufferSize - 1;
        size_t n = 0;
        if (offset_ < length_) {
            n = length_ - offset_;
            if (n > width) n = width;
            std::memcpy(field_, line_ + offset_, n);
        }
        field_[n] = '\0';
        offset_ += width;
        return field_;
    }

private:
    const char* nextWord() {
        size_t length;
        return nextCommaWord(cursor_, length);
    }

    char emptyLine_[1] = {'\0'};
    char* line_;
    size_t length_;
    bool commaForm_;
    char* cursor_;
    size_t offset_ = 0;
    char field_[kFieldBufferSize];
};

}  // namespace abimport::detail
