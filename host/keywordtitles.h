// The airbag keyword titles the stand-in host recognises, and their codes.
#pragma once

#include <cstddef>

struct KeywordTitle {
    unsigned code;
    const char* title;  // canonical, upper case, without the '*'
};

// The eight titles, by ascending code.
const KeywordTitle* keywordTitles(size_t* count);

// The keyword of a keyword line (first character '*'): the text after the '*'
// up to the first blank, tab, CR, LF or NUL, compared without regard to case.
// Null for any other line or title. length is the line's length in bytes.
const KeywordTitle* findKeyword(const char* line, size_t length);

// The title of a code, or null.
const char* keywordTitle(unsigned code);
