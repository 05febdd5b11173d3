// The shortest text of a double that reads back to it, exactly as
// std::to_chars(first, last, value) writes it, with a fast path for the
// doubles decks hold: short decimals. Internal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace abimport::detail {

// Writes the text of a finite value to out (room for 32 characters, no
// terminator); returns its length.
size_t writeShortestDouble(char* out, double value);

// The shortest decimal digits that read back to a finite, positive magnitude
// when rounding to nearest: magnitude is digits * 10^exponent, rounded;
// digits has no trailing zero.
void shortestDigits(double magnitude, uint64_t& digits, int& exponent);

}  // namespace abimport::detail
