// Checks of the keyword lines that the deck loop does not import: an empty
// title, a title that misspells one of the airbag keywords, and one that
// names one of them with an option the library does not import.
#pragma once

#include <cstddef>
#include <string_view>

namespace abimport {

// The edit distance between a and b, compared without regard to case: the
// fewest insertions, deletions, substitutions and swaps of two neighbouring
// characters that turn one into the other; at most limit + 1 (any larger
// distance reads as limit + 1).
size_t titleDistance(std::string_view a, std::string_view b, size_t limit);

// Whether the title names an airbag keyword: it begins with "AIRBAG", with
// or without the underscore after it.
bool isAirbagTitle(std::string_view title);

// What the title of an airbag keyword line not imported says of the eight
// imported ones.
struct AirbagTitle {
    enum Kind {
        Other,       // another airbag keyword
        Misspelled,  // a prefix of one, or within two edits of one
        WithOption,  // one of them, then '_' and an option
    };
    Kind kind = Other;
    const char* keyword = nullptr;  // the one meant
};
// The underscore after "AIRBAG" may be missing. A title that is one of the
// eight with an option is WithOption unless it is within one edit of another
// of them (*AIRBAG_REFERENCE_GEOMETRY_RTD misspells the _RDT form).
AirbagTitle airbagTitleOf(std::string_view title);

}  // namespace abimport
