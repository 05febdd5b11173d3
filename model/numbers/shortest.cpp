#include "shortest.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "digits.h"

namespace abimport::detail {

namespace {

constexpr int kMostDecimals = 17;
// Digit strings up to this value are found exactly: the product value * 10^k
// is then off by far less than half a unit from the integer it stands for.
constexpr double kLargestDigits = 1e15;

// The text of +-digits * 10^exponent, whichever of the fixed and the
// scientific forms is shorter (the fixed one on a tie), as std::to_chars
// chooses. digits holds no trailing zero.
size_t writeForm(char* out, bool negative, uint64_t digits, int exponent) {
    char d[20];
    const size_t n = writeDigits(d, digits);
    const int point = static_cast<int>(n) + exponent;  // digits before the point
    const size_t fixed = exponent >= 0 ? n + static_cast<size_t>(exponent)
                         : point > 0   ? n + 1
                                       : n + 2 + static_cast<size_t>(-point);
    const int scientificExponent = point - 1;
    const size_t exponentDigits = digitCount(static_cast<uint64_t>(std::abs(scientificExponent)));
    const size_t scientific = n + (n > 1 ? 1 : 0) + 2 + (exponentDigits < 2 ? 2 : exponentDigits);

    char* p = out;
    if (negative) *p++ = '-';
    if (fixed <= scientific) {
        if (exponent >= 0) {
            std::memcpy(p, d, n);
            p += n;
            std::memset(p, '0', static_cast<size_t>(exponent));
            p += exponent;
        } else if (point > 0) {
            std::memcpy(p, d, static_cast<size_t>(point));
            p += point;
            *p++ = '.';
            std::memcpy(p, d + point, n - static_cast<size_t>(point));
            p += n - static_cast<size_t>(point);
        } else {
            *p++ = '0';
            *p++ = '.';
            std::memset(p, '0', static_cast<size_t>(-point));
            p += -point;
            std::memcpy(p, d, n);
            p += n;
        }
    } else {
        *p++ = d[0];
        if (n > 1) {
            *p++ = '.';
            std::memcpy(p, d + 1, n - 1);
            p += n - 1;
        }
        *p++ = 'e';
        *p++ = scientificExponent < 0 ? '-' : '+';
        const uint64_t magnitude = static_cast<uint64_t>(std::abs(scientificExponent));
        if (magnitude < 10) *p++ = '0';
        p += writeDigits(p, magnitude);
    }
    return static_cast<size_t>(p - out);
}

// The fast path for short decimals: the fewest decimals k for which some
// integer m has m / 10^k == magnitude; its text is the shortest that reads
// back (the decimal m * 10^-k rounds to the same double as the division does).
bool shortDecimalDigits(double magnitude, uint64_t& digits, int& exponent) {
    // The test below divides, which rounds as the program's rounding mode
    // says; the digits must not depend on it.
    if (magnitude == 0 || magnitude >= kLargestDigits || std::fegetround() != FE_TONEAREST) {
        return false;
    }
    for (int k = 0; k <= kMostDecimals; ++k) {
        const double scaled = magnitude * kExactPowersOfTen[k];
        if (scaled >= kLargestDigits) break;
        const double integer = std::nearbyint(scaled);
        if (integer == 0 || integer / kExactPowersOfTen[k] != magnitude) continue;
        digits = static_cast<uint64_t>(integer);
        exponent = -k;
        while (digits % 10 == 0) {
            digits /= 10;
            ++exponent;
        }
        return true;
    }
    return false;
}

}  // namespace

void shortestDigits(double magnitude, uint64_t& digits, int& exponent) {
    if (shortDecimalDigits(magnitude, digits, exponent)) return;
    // d.ddde[+-]x from the scientific form.
    char text[48];
    char* end =
        std::to_chars(text, text + sizeof text - 1, magnitude, std::chars_format::scientific).ptr;
    *end = '\0';
    digits = 0;
    exponent = 0;
    const char* p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (*p == '.') continue;
        digits = digits * 10 + static_cast<uint64_t>(*p - '0');
        --exponent;
    }
    ++exponent;  // the first digit stands before the point
    exponent += std::atoi(p + 1);
    while (digits != 0 && digits % 10 == 0) {
        digits /= 10;
        ++exponent;
    }
}

size_t writeShortestDouble(char* out, double value) {
    uint64_t digits;
    int exponent;
    if (shortDecimalDigits(std::fabs(value), digits, exponent)) {
        return writeForm(out, std::signbit(value), digits, exponent);
    }
    return static_cast<size_t>(std::to_chars(out, out + 32, value).ptr - out);
}

}  // namespace abimport::detail
