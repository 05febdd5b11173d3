// Cuts a raw deck line into field texts: fixed columns of given widths, or
// comma-separated words when the line holds a comma anywhere. Internal.
#pragma once

#include <cstring>

namespace abimport_detail {

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
    // strtok semantics on the delimiter set ",": adjacent commas and a leading
    // comma yield no word. Re-entrant, so decks can be read on many threads.
    const char* nextWord() {
        while (*cursor_ == ',') ++cursor_;
        if (*cursor_ == '\0') return nullptr;
        char* word = cursor_;
        while (*cursor_ != '\0' && *cursor_ != ',') ++cursor_;
        if (*cursor_ == ',') *cursor_++ = '\0';
        return word;
    }

    char emptyLine_[1] = {'\0'};
    char* line_;
    size_t length_;
    bool commaForm_;
    char* cursor_;
    size_t offset_ = 0;
    char field_[kFieldBufferSize];
};

}  // namespace abimport_detail
