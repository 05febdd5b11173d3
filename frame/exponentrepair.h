// Puts back the 'e' of an exponent written without its letter (1.5-3 for
// 1.5e-3). Internal to the reader.
#pragma once

#include <cstring>

namespace abimport::detail {

// word holds n examined characters and has room for n + 2 bytes. A word
// qualifies when it holds a '.' and neither 'e' nor 'E'. A sign at the
// second-last place, else at the third-last place, becomes 'e' followed by the
// sign and the characters after it. A sign counts only when some non-blank
// character stands before it, so short numbers such as -1. and -.5 keep their
// own sign. Returns the new length (n or n + 1).
inline unsigned repairExponent(char* word, unsigned n) {
    if (n < 2) return n;
    bool hasPoint = false;
    for (unsigned i = 0; i < n; ++i) {
        const char c = word[i];
        if (c == 'e' || c == 'E') return n;
        if (c == '.') hasPoint = true;
    }
    if (!hasPoint) return n;

    auto signedAfterText = [word](unsigned pos) {
        if (word[pos] != '+' && word[pos] != '-') return false;
        for (unsigned i = 0; i < pos; ++i)
            if (word[i] != ' ') return true;
        return false;
    };

    unsigned pos;
    if (signedAfterText(n - 2)) {
        pos = n - 2;
    } else if (n >= 3 && signedAfterText(n - 3)) {
        pos = n - 3;
    } else {
        return n;
    }
    std::memmove(word + pos + 1, word + pos, n - pos);
    word[pos] = 'e';
    word[n + 1] = '\0';
    return n + 1;
}

}  // namespace abimport::detail
