#include "fieldfit.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "../linefields.h"
#include "digits.h"
#include "reading.h"
#include "shortest.h"

namespace abimport::detail {

namespace {

constexpr int kMostDigits = 17;  // every double has an exact text of 17 digits

// A decimal: negative, digits (no trailing zero, not zero) times 10^exponent.
struct Decimal {
    bool negative;
    char digits[24];
    int count;
    int exponent;
};

Decimal decimalOf(bool negative, uint64_t digits, int exponent) {
    Decimal d{negative, {}, 0, exponent};
    while (digits != 0 && digits % 10 == 0) {
        digits /= 10;
        ++d.exponent;
    }
    d.count = static_cast<int>(writeDigits(d.digits, digits));
    return d;
}

// The digits of |value| rounded to precision significant digits, as a
// decimal (to nearest, ties to even, whatever the rounding mode).
void roundedDigits(double magnitude, int precision, uint64_t& digits, int& exponent) {
    char text[48];
    char* end = std::to_chars(text, text + sizeof text - 1, magnitude,
                              std::chars_format::scientific, precision - 1)
                    .ptr;
    *end = '\0';
    digits = 0;
    const char* p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (*p != '.') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    exponent = std::atoi(p + 1) - (precision - 1);
}

// Builds texts in a small buffer; longer texts than any field are marked
// with a length past kMostFitColumns and never chosen.
struct Text {
    char buffer[kMostFitColumns + 32];
    size_t length = 0;
    void put(char c) { buffer[length++] = c; }
    void put(const char* s, size_t n) {
        std::memcpy(buffer + length, s, n);
        length += n;
    }
    void zeros(int n) {
        for (int i = 0; i < n; ++i) put('0');
    }
    void number(int value, bool plusSign) {
        if (value < 0)
            put('-');
        else if (plusSign)
            put('+');
        length += writeDigits(buffer + length, static_cast<uint64_t>(std::abs(value)));
    }
};

// The plain decimal in one of its forms, plainest first: "15.0" and "0.5"
// (form 0), "15." and ".5" (form 1), "15" (form 2, for whole numbers).
Text plainText(const Decimal& d, int form) {
    Text t;
    const int point = d.count + d.exponent;  // digits before the point
    const int length = (d.negative ? 1 : 0) + 2 +
                       (d.exponent >= 0 ? point
                        : point > 0     ? d.count
                                        : d.count + 1 - point);
    if (length > static_cast<int>(kMostFitColumns)) {
        t.length = kMostFitColumns + 1;
        return t;
    }
    if (d.negative) t.put('-');
    if (d.exponent >= 0) {
        t.put(d.digits, static_cast<size_t>(d.count));
        t.zeros(d.exponent);
        if (form < 2) t.put('.');
        if (form == 0) t.put('0');
    } else if (point > 0) {
        t.put(d.digits, static_cast<size_t>(point));
        t.put('.');
        t.put(d.digits + point, static_cast<size_t>(d.count - point));
    } else {
        if (form == 0) t.put('0');
        t.put('.');
        t.zeros(-point);
        t.put(d.digits, static_cast<size_t>(d.count));
    }
    return t;
}

// The mantissa with `before` digits before the point (0: ".15", count:
// "15" or, with a point wanted, "15."), then the exponent that makes it the
// value; letterless: the exponent without its letter and always signed.
Text exponentText(const Decimal& d, int before, bool point, bool letterless) {
    Text t;
    if (d.negative) t.put('-');
    t.put(d.digits, static_cast<size_t>(before));
    if (point || before < d.count) t.put('.');
    t.put(d.digits + before, static_cast<size_t>(d.count - before));
    if (!letterless) t.put('e');
    t.number(d.exponent + d.count - before, letterless);
    return t;
}

// The best text of d within limit columns: the plain decimal in its
// plainest form that fits, the scientific form "1.5e-3", then the shortest
// exponent form; 0 length when none fits.
Text bestText(const Decimal& d, FieldReading reading, size_t limit) {
    Text best;
    for (int form = 0; form < 3; ++form) {
        best = plainText(d, form);
        if (best.length <= limit) return best;
    }
    best = exponentText(d, 1, false, false);
    if (best.length <= limit) return best;
    auto consider = [&](const Text& t) {
        if (t.length < best.length) best = t;
    };
    const int magnitudes[] = {1, 0, d.count};
    for (int before : magnitudes) {
        if (before > d.count) continue;
        consider(exponentText(d, before, false, false));
        // The exponent repair puts the letter back before a sign at the
        // second- or third-last column of a word with a point.
        const int exponent = d.exponent + d.count - before;
        if (reading.repair && exponent != 0 && std::abs(exponent) < 100) {
            consider(exponentText(d, before, true, true));
        }
    }
    if (best.length > limit) best.length = 0;
    return best;
}

NumberText toNumberText(const Text& t, bool exact) {
    NumberText out;
    std::memcpy(out.text, t.buffer, t.length);
    out.length = t.length;
    out.exact = exact;
    return out;
}

// The exact text of d within limit columns, or 0 length.
Text exactDecimalText(const Decimal& d, double value, FieldReading reading, size_t limit) {
    Text t = bestText(d, reading, limit);
    if (t.length != 0 && !sameDouble(readDouble(t.buffer, t.length, reading), value)) t.length = 0;
    return t;
}

// The exact text of a finite, non-zero value within limit columns.
Text exactText(double value, FieldReading reading, size_t limit) {
    const bool negative = std::signbit(value);
    uint64_t digits;
    int exponent;
    shortestDigits(std::fabs(value), digits, exponent);
    const Decimal shortest = decimalOf(negative, digits, exponent);
    Text t = exactDecimalText(shortest, value, reading, limit);
    // In a directed rounding mode the shortest digits may read back as a
    // neighbour: try the digits on either side of the value at each
    // precision.
    for (int precision = shortest.count; precision <= kMostDigits && t.length == 0; ++precision) {
        uint64_t rounded;
        int scale;
        roundedDigits(std::fabs(value), precision, rounded, scale);
        for (uint64_t candidate : {rounded, rounded - 1, rounded + 1}) {
            if (candidate == 0 || t.length != 0) continue;
            t = exactDecimalText(decimalOf(negative, candidate, scale), value, reading, limit);
        }
    }
    return t;
}

// Texts for what has no decimal digits: zeros, infinities, NaN.
NumberText nonDecimalText(double value, FieldReading reading) {
    const char* candidates[3];
    size_t n = 0;
    if (std::isnan(value)) {
        candidates[n++] = "nan";
    } else if (std::isinf(value)) {
        candidates[n++] = value < 0 ? "-inf" : "inf";
    } else if (std::signbit(value)) {
        candidates[n++] = "-0.0";
        candidates[n++] = "-0.";
        candidates[n++] = "-0";
    } else {
        candidates[n++] = "0.0";
        candidates[n++] = "0.";
        candidates[n++] = "0";
    }
    NumberText out;
    for (size_t limit :
         {static_cast<size_t>(reading.width) - 1, static_cast<size_t>(reading.width)}) {
        for (size_t i = 0; i < n; ++i) {
            const size_t length = std::strlen(candidates[i]);
            if (length <= limit && sameDouble(readDouble(candidates[i], length, reading), value)) {
                std::memcpy(out.text, candidates[i], length);
                out.length = length;
                out.exact = true;
                return out;
            }
        }
    }
    return out;
}

// The closest decimal to a finite value that fits the field: the most
// significant digits that fit give the nearest value; among the texts that
// read as that value, the shortest (with a blank before it where it fits).
NumberText closestText(double value, FieldReading reading) {
    const bool negative = std::signbit(value);
    const size_t width = reading.width;
    bool found = false;
    double best = 0, bestDistance = 0;
    Text bestText_;
    for (int precision = kMostDigits; precision >= 1 && !found; --precision) {
        uint64_t rounded;
        int scale;
        roundedDigits(std::fabs(value), precision, rounded, scale);
        for (uint64_t candidate : {rounded, rounded - 1, rounded + 1}) {
            if (candidate == 0) continue;
            const Text t = bestText(decimalOf(negative, candidate, scale), reading, width);
            if (t.length == 0) continue;
            const double back = readDouble(t.buffer, t.length, reading);
            if (!std::isfinite(back)) continue;
            const double distance = std::fabs(back - value);
            if (!found || distance < bestDistance ||
                (distance == bestDistance && t.length < bestText_.length)) {
                found = true;
                best = back;
                bestDistance = distance;
                bestText_ = t;
            }
        }
    }
    if (!found) {
        // Not even one digit fits: zero is the nearest decimal then.
        NumberText zero = nonDecimalText(negative ? -0.0 : 0.0, reading);
        if (zero.length == 0) zero = nonDecimalText(0.0, reading);
        zero.exact = false;
        return zero;
    }
    if (best != 0) {
        for (size_t limit : {width - 1, width}) {
            const Text shortest = exactText(best, reading, limit);
            if (shortest.length != 0 && shortest.length <= bestText_.length) {
                return toNumberText(shortest, false);
            }
        }
    }
    return toNumberText(bestText_, false);
}

bool isDigitText(const char*& p, const char* end) {
    const char* start = p;
    while (p < end && isDigit(*p)) ++p;
    return p > start;
}

}  // namespace

void fieldColumns(const char* text, size_t length, FieldReading reading, char* out) {
    unsigned width = reading.width > kMostFitColumns ? kMostFitColumns : reading.width;
    if (length > width) length = width;
    const size_t pad = width - length;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, text, length);
    out[width] = out[width + 1] = out[width + 2] = '\0';
    if (reading.repair) repairExponent(out, width);
}

double readDouble(const char* text, size_t length, FieldReading reading) {
    char columns[kMostFitColumns + 3];
    fieldColumns(text, length, reading, columns);
    return textToDouble(columns);
}

int32_t readInteger(const char* text, size_t length, FieldReading reading) {
    char columns[kMostFitColumns + 3];
    fieldColumns(text, length, reading, columns);
    return textToI32(columns);
}

uint32_t readUnsigned(const char* text, size_t length, FieldReading reading) {
    char columns[kMostFitColumns + 3];
    fieldColumns(text, length, reading, columns);
    return textToU32(columns);
}

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

NumberText fitDouble(double value, FieldReading reading) {
    if (reading.width > kMostFitColumns) reading.width = kMostFitColumns;
    if (reading.width == 0) return {};
    if (value == 0 || !std::isfinite(value)) return nonDecimalText(value, reading);
    for (size_t limit :
         {static_cast<size_t>(reading.width) - 1, static_cast<size_t>(reading.width)}) {
        const Text t = exactText(value, reading, limit);
        if (t.length != 0) return toNumberText(t, true);
    }
    return closestText(value, reading);
}

NumberText fitInteger(long long value, FieldReading reading) {
    NumberText out;
    size_t length = 0;
    char text[24];
    if (value < 0) text[length++] = '-';
    length += writeDigits(
        text + length, value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    if (length > reading.width || length > kMostFitColumns) return out;
    std::memcpy(out.text, text, length);
    out.length = length;
    out.exact = true;
    return out;
}

bool isDeckNumber(const char* text, size_t length, bool integer, bool repair) {
    const char* p = text;
    const char* end = text + length;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    if (integer) return isDigitText(p, end) && p == end;
    if (!integer && (std::string(p, end) == "inf" || std::string(p, end) == "nan")) {
        return p == text || *text == '-';
    }
    const bool whole = isDigitText(p, end);
    bool point = false, fraction = false;
    if (p < end && *p == '.') {
        point = true;
        ++p;
        fraction = isDigitText(p, end);
    }
    if (!whole && !fraction) return false;
    if (p == end) return true;
    const bool letter = *p == 'e' || *p == 'E';
    if (letter) ++p;
    if (!letter && !(repair && point && (*p == '+' || *p == '-'))) return false;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    return isDigitText(p, end) && p == end;
}

bool parseNumber(const std::string& text, bool repair, double& value) {
    if (text.empty() || isPlainSpace(text[0])) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size()) return true;
    if (!repair) return false;
    // A decimal whose exponent stands without its letter after a point.
    const size_t sign = text.find_first_of("+-", 1);
    if (sign == std::string::npos || text.find('.') > sign ||
        text.find_first_of("eExXpP") != std::string::npos) {
        return false;
    }
    std::string repaired = text;
    repaired.insert(sign, 1, 'e');
    if (!isDeckNumber(repaired.data(), repaired.size(), false, false)) return false;
    value = std::strtod(repaired.c_str(), &end);
    return end == repaired.c_str() + repaired.size();
}

bool parseInteger(const std::string& text, long long least, long long most, long long& value) {
    if (!isDeckNumber(text.data(), text.size(), true, false)) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && value >= least && value <= most;
}

}  // namespace abimport::detail
