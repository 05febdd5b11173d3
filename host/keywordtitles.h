// Keyword titles: the airbag keywords the stand-in host recognises with their
// codes, and the title of any keyword line.
#pragma once

#include <cstddef>
#include <string_view>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

struct KeywordTitle {
    unsigned code;
    const char* title;  // canonical, upper case, without the '*'
};

// The eight titles, by ascending code.
const KeywordTitle* keywordTitles(size_t* count);

// The title of a keyword line (first character '*'): the text after the '*'
// up to the first blank, tab, CR, LF or NUL; empty for any other line.
// length is the line's length in bytes.
std::string_view keywordTitleOf(const char* line, size_t length);

// Whether a title is name, compared without regard to case.
bool titleIs(std::string_view title, std::string_view name);

// The airbag keyword of a keyword line, or null for any other line or title.
const KeywordTitle* findKeyword(const char* line, size_t length);

// The title of a code, or null.
const char* keywordTitle(unsigned code);

}  // namespace abimport
