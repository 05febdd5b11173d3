// Keyword titles: the title of any keyword line, and the airbag keyword of
// the keyword table that a line or a code names.
#pragma once

#include <cstddef>
#include <string_view>

#include "../keywords/keywordtable.h"

namespace abimport {

// The title of a keyword line (first character '*'): the text after the '*'
// up to the first blank, tab, CR, LF or NUL; empty for any other line.
// length is the line's length in bytes.
std::string_view keywordTitleOf(const char* line, size_t length);

// Whether a title is name, compared without regard to case.
bool titleIs(std::string_view title, std::string_view name);

// The airbag keyword of a keyword line, or null for any other line or title.
const KeywordDescription* findKeyword(const char* line, size_t length);

// The title of a code, or null.
const char* keywordTitle(unsigned code);

}  // namespace abimport
