// Numbers from field text, exactly as the C library's strtol (base 10) and
// strtod read them, and the exponent repair that the reader applies to the
// words of ten-column fields first. Internal to the library.
//
// Plain decimal text, by far the most common in a deck, takes a short exact
// path; anything else (hex, inf, nan, very long or out-of-range numbers, text
// without digits, spaces only some locales know) goes to the C library.
#pragma once

#include <cfloat>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#if defined(__unix__) || defined(__APPLE__)
#include <langinfo.h>
#endif

#include "digits.h"

namespace abimport::detail {

// The white space that strtol and strtod skip in every locale.
inline bool isPlainSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips plain white space and a sign; returns where the digits should start.
inline const char* skipSpaceAndSign(const char* p, bool& negative) {
    while (isPlainSpace(*p)) ++p;
    negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    return p;
}

// Whether the C locale of the calling thread writes the decimal point as '.'
// alone. It is asked for every number, since a host may change the locale
// between imports, so it must cost next to nothing: nl_langinfo reads the
// thread's locale where POSIX has it (localeconv fills a whole record there,
// several times the cost of parsing the number); elsewhere localeconv, which
// the Windows C runtime answers from the locale's own record.
inline bool decimalPointIsDot() {
#if defined(__unix__) || defined(__APPLE__)
    const char* radix = nl_langinfo(RADIXCHAR);
#else
    const char* radix = std::localeconv()->decimal_point;
#endif
    return radix[0] == '.' && radix[1] == '\0';
}

// strtol in base 10 as it reads on a system with 64-bit long: strtoll, which
// is that wherever long has only 32 bits (Windows).
inline long long textToLong(const char* text) {
    bool negative;
    const char* p = skipSpaceAndSign(text, negative);
    if (!isDigit(*p)) return std::strtoll(text, nullptr, 10);
    // Up to 18 digits cannot overflow; longer runs are left to strtoll.
    long long value = 0;
    for (int n = 0; isDigit(*p); ++p) {
        if (++n > 18) return std::strtoll(text, nullptr, 10);
        value = value * 10 + (*p - '0');
    }
    return negative ? -value : value;
}

// strtod for plain decimal text: [sign] digits [. digits] [e [sign] digits].
// When the significand has at most 19 digits and is at most 2^53, and the
// decimal exponent is within 22, significand and power of ten are exact
// doubles, so one multiplication or division rounds the exact value once, as
// strtod does, in whatever rounding mode is set.
inline double textToDouble(const char* text) {
#if FLT_EVAL_METHOD == 0
    // The locale decides the decimal point; only '.' is read here.
    if (!decimalPointIsDot()) return std::strtod(text, nullptr);
    bool negative;
    const char* p = skipSpaceAndSign(text, negative);
    const bool leadingPoint = *p == '.';
    if (!isDigit(leadingPoint ? p[1] : *p)) return std::strtod(text, nullptr);
    if (*p == '0' && (p[1] == 'x' || p[1] == 'X')) return std::strtod(text, nullptr);

    uint64_t significand = 0;
    int digits = 0;    // significant digits taken, leading zeros not counted
    int exponent = 0;  // decimal exponent of the significand's last digit
    for (; isDigit(*p); ++p) {
        if (significand == 0 && *p == '0') continue;
        if (++digits > 19) return std::strtod(text, nullptr);
        significand = significand * 10 + static_cast<unsigned>(*p - '0');
    }
    if (*p == '.') {
        for (++p; isDigit(*p); ++p) {
            --exponent;
            if (significand == 0 && *p == '0') continue;
            if (++digits > 19) return std::strtod(text, nullptr);
            significand = significand * 10 + static_cast<unsigned>(*p - '0');
        }
    }
    if (*p == 'e' || *p == 'E') {
        // An exponent counts only with at least one digit; strtod stops
        // before the letter otherwise.
        const char* q = p + 1;
        const bool exponentNegative = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        if (isDigit(*q)) {
            int value = 0;
            for (int n = 0; isDigit(*q); ++q) {
                if (++n > 4) return std::strtod(text, nullptr);
                value = value * 10 + (*q - '0');
            }
            exponent += exponentNegative ? -value : value;
        }
    }
    // The sign goes on first, so that the one rounding step rounds the signed
    // value, as strtod does in the directed rounding modes.
    if (significand == 0) return negative ? -0.0 : 0.0;
    if (significand > (uint64_t{1} << 53) || exponent < -22 || exponent > 22) {
        return std::strtod(text, nullptr);
    }
    const double exact =
        negative ? -static_cast<double>(significand) : static_cast<double>(significand);
    return exponent < 0 ? exact / kExactPowersOfTen[-exponent]
                        : exact * kExactPowersOfTen[exponent];
#else
    return std::strtod(text, nullptr);
#endif
}

// strtol cut to its low 32 bits.
inline uint32_t textToU32(const char* text) {
    return static_cast<uint32_t>(static_cast<unsigned long long>(textToLong(text)));
}
inline int32_t textToI32(const char* text) {
    return static_cast<int32_t>(textToU32(text));
}

// The exponent repair: puts back the 'e' of an exponent written without
// its letter (1.5-3 for 1.5e-3), as the reader does for every word of a
// ten-column field before it is read.
//
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
