// Tests on deck text for the reading checks: whether a field reads as it is
// written, where a line piece ends, which control characters it holds, and a
// printable quotation of deck text for messages.
#pragma once

#include <cstddef>
#include <string>

namespace abimport {

// Whether a field's text, blanks and the line end aside, is empty or wholly a
// number of the kind its type code asks for: an integer within 32 bits (code
// 1 signed, code 0 unsigned) or a double (code 2). Other codes are not read as
// numbers and always pass.
// text holds length bytes; the field ends there or at a NUL before.
bool readsAsWritten(const char* text, size_t length, unsigned typeCode);

// The length of a piece that the reader stored in its zero-filled line buffer
// of bufferSize bytes: up to and with its newline, or the whole piece when it
// has none. NUL bytes inside the piece count.
size_t pieceLength(const char* buffer, size_t bufferSize);

// Where the first byte of each kind stands in text[0, length), or npos.
struct ControlCharacters {
    static constexpr size_t npos = static_cast<size_t>(-1);
    size_t nul = npos;
    size_t tab = npos;
    size_t loneCr = npos;  // a carriage return not followed by a newline
    bool any() const { return nul != npos || tab != npos || loneCr != npos; }
};
ControlCharacters findControlCharacters(const char* text, size_t length);

// Whether the character counts as blank when looking for text that is not
// read: space, tab, carriage return, newline.
inline bool isBlankOrLineEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// text in single quotes without its leading and trailing blanks and line end,
// other bytes that are not printable ASCII as \xNN, cut after 40 characters.
std::string quoted(const char* text, size_t length);
std::string quoted(const char* text);

}  // namespace abimport
