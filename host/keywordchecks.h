// Checks of the keyword lines that the deck loop does not import: an empty
// title, and a title that misspells one of the airbag keywords.
#pragma once

#include <cstddef>
#include <string_view>

namespace abimport {

// The edit distance between a and b, compared without regard to case: the
// fewest insertions, deletions, substitutions and swaps of two neighbouring
// characters that turn one into the other; at most limit + 1 (any larger
// distance reads as limit + 1).
size_t titleDistance(std::string_view a, std::string_view b, size_t limit);

// Whether the title names an airbag keyword: it begins with "AIRBAG_".
bool isAirbagTitle(std::string_view title);

// The airbag keyword that the title of an airbag keyword line not imported
// misspells: the nearest of the imported ones within two edits, or null when
// none is that near (another airbag keyword).
const char* misspelledAirbagKeyword(std::string_view title);

}  // namespace abimport
