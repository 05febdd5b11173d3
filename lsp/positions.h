// Positions in a deck's lines as the Language Server Protocol counts them.
// A deck line is bytes: mostly ASCII, but comments may hold UTF-8 or another
// encoding, and any byte may stand anywhere. The protocol counts a position's
// character in UTF-16 code units by default (or in bytes, or in code points,
// when both sides agree). A byte sequence that is valid UTF-8 counts as its
// code point does: one unit, or two for a code point past U+FFFF in UTF-16.
// Each byte that is not part of a valid sequence counts as one unit, as an
// editor that shows it as one replacement character counts it.
#pragma once

#include <cstddef>
#include <string_view>

namespace abimport::lsp {

enum class PositionEncoding { Utf16, Utf8, Utf32 };

// The protocol's name of an encoding: "utf-16", "utf-8", "utf-32".
const char* encodingName(PositionEncoding encoding);

// The units of line before byte column (clamped to the line's length).
size_t unitsBefore(std::string_view line, size_t byteColumn, PositionEncoding encoding);

// The byte column of a position's character. A position inside a character
// (the second unit of a surrogate pair) stands before it; one past the end
// of the line stands at its end.
size_t byteColumnOf(std::string_view line, size_t units, PositionEncoding encoding);

}  // namespace abimport::lsp
