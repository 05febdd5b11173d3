// The shortest text of a double that reads back to it, exactly as
// std::to_chars(first, last, value) writes it, with a fast path for the
// doubles decks hold: short decimals.
#pragma once

#include <cstddef>

// Writes the text of a finite value to out (room for 32 characters, no
// terminator); returns its length.
size_t writeShortestDouble(char* out, double value);
