// The card text of a double in a field of W columns, as printf writes it.
//
// Both printf forms it uses ("%.14f", and "%*.*e" when that is too wide) have
// an exact integer path here for the magnitudes a deck holds: the double is
// m * 2^e with an integer m, so its decimal digits at a given place are an
// integer quotient, rounded half to even as printf rounds in the default
// rounding mode. Everything else (inf, nan, huge or tiny magnitudes, another
// rounding mode, a compiler without 128-bit integers) goes to snprintf.
#include "printfdouble.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "../aligntext.h"
#include "../object.h"
#include "digits.h"

using abimport::detail::writeDigits;
using abimport::detail::writeDigitsPadded;

namespace {

constexpr int kFixedDecimals = 14;

#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 Wide;

// A finite double as negative, m and e with |value| = m * 2^e, m < 2^53.
struct BinaryParts {
    bool negative;
    uint64_t m;
    int e;
};

bool splitFinite(double value, BinaryParts& parts) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0x7ff) return false;
    parts.negative = (bits >> 63) != 0;
    parts.m = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0) {
        parts.e = -1074;
    } else {
        parts.m |= uint64_t{1} << 52;
        parts.e = biased - 1075;
    }
    return true;
}

// 5^n for n up to 27, the largest below 2^63.
Wide powerOfFive(int n) {
    static constexpr uint64_t kPowers[28] = {1ULL,
                                             5ULL,
                                             25ULL,
                                             125ULL,
                                             625ULL,
                                             3125ULL,
                                             15625ULL,
                                             78125ULL,
                                             390625ULL,
                                             1953125ULL,
                                             9765625ULL,
                                             48828125ULL,
                                             244140625ULL,
                                             1220703125ULL,
                                             6103515625ULL,
                                             30517578125ULL,
                                             152587890625ULL,
                                             762939453125ULL,
                                             3814697265625ULL,
                                             19073486328125ULL,
                                             95367431640625ULL,
                                             476837158203125ULL,
                                             2384185791015625ULL,
                                             11920928955078125ULL,
                                             59604644775390625ULL,
                                             298023223876953125ULL,
                                             1490116119384765625ULL,
                                             7450580596923828125ULL};
    return kPowers[n];
}

// round(m * 2^e * 10^t), half to even, when every intermediate fits 128
// bits; false otherwise.
bool scaledRounded(const BinaryParts& parts, int t, Wide& out) {
    if (t > 27 || t < -27) return false;
    const int shift = parts.e + t;  // binary exponent left after taking out 5^t
    Wide num = parts.m;
    Wide den = 1;
    if (t >= 0)
        num *= powerOfFive(t);  // below 2^53 * 2^63
    else
        den = powerOfFive(-t);  // below 2^63
    if (shift >= 0) {
        if (shift > 126 || (num >> (127 - shift)) != 0) return false;
        num <<= shift;
        if (den == 1) {
            out = num;
            return true;
        }
    } else if (den == 1) {
        // Division by a power of two: a shift, and the bits shifted out.
        const int s = -shift;
        if (s >= 127) {
            out = 0;  // below one half: m * 5^t < 2^116
            return true;
        }
        const Wide q = num >> s;
        const Wide rest = num - (q << s);
        const Wide half = Wide{1} << (s - 1);
        out = q + ((rest > half || (rest == half && (q & 1))) ? 1 : 0);
        return true;
    } else {
        if (-shift > 62) return false;
        den <<= -shift;  // below 2^125, so twice a remainder still fits
    }
    const Wide q = num / den;
    const Wide rest2 = (num - q * den) * 2;
    out = q + ((rest2 > den || (rest2 == den && (q & 1))) ? 1 : 0);
    return true;
}

// The length of "%.14f" of value without its trailing zeros (the decimal
// point stays); the text goes to out only when that length is at most width,
// since a wider one is not used. 0 when this path does not take the value.
size_t fixedText(double value, size_t width, char* out) {
    BinaryParts parts;
    if (!splitFinite(value, parts) || parts.e > 10) return 0;  // |value| < 2^63
    Wide scaled;
    if (!scaledRounded(parts, kFixedDecimals, scaled)) return 0;
    constexpr uint64_t kUnit = 100000000000000ULL;  // 10^14
    // 64-bit division where it fits: it is much cheaper than 128-bit.
    const bool narrow = (scaled >> 64) == 0;
    const uint64_t whole =
        narrow ? static_cast<uint64_t>(scaled) / kUnit : static_cast<uint64_t>(scaled / kUnit);
    uint64_t fraction =
        narrow ? static_cast<uint64_t>(scaled) % kUnit : static_cast<uint64_t>(scaled % kUnit);
    size_t decimals = fraction == 0 ? 0 : kFixedDecimals;
    if (fraction != 0) {
        while (fraction % 10 == 0) {
            fraction /= 10;
            --decimals;
        }
    }
    const size_t wholeDigits = abimport::detail::digitCount(whole);
    const size_t length = (parts.negative ? 1 : 0) + wholeDigits + 1 + decimals;
    if (length > width) return length;
    size_t n = 0;
    if (parts.negative) out[n++] = '-';
    writeDigitsPadded(out + n, whole, wholeDigits);
    n += wholeDigits;
    out[n++] = '.';
    writeDigitsPadded(out + n, fraction, decimals);
    return length;
}

// floor(a * log10(2)) for |a| up to 1650.
int floorLog10OfPowerOfTwo(int a) {
    // 78913 / 2^18 is log10(2) closely enough over that range; a * log10(2)
    // is an integer only for a = 0.
    return a >= 0 ? (a * 78913) >> 18 : -(((-a) * 78913) >> 18) - 1;
}

// "%.<precision>e" of value into out (no padding); returns the length, or 0
// when this path does not take the value.
size_t exponentText(double value, int precision, char* out) {
    BinaryParts parts;
    if (precision > 17 || !splitFinite(value, parts) || parts.m == 0) return 0;
    const uint64_t low = abimport::detail::kPowersOfTen[static_cast<size_t>(precision)];
    const uint64_t high = low * 10;

    // The decimal exponent k puts the rounded digits in [10^p, 10^(p+1)).
    // The estimate from the binary exponent of the leading bit is k or one
    // less, never more: digits from a k one too large could round up to
    // exactly 10^p and be taken. The loop raises an estimate one too small.
    const int leadingBit = parts.e + 63 - __builtin_clzll(parts.m);
    int k = floorLog10OfPowerOfTwo(leadingBit);
    Wide digits = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 3 || !scaledRounded(parts, precision - k, digits)) return 0;
        if (digits < low) {
            --k;
        } else if (digits > high) {
            ++k;
        } else if (digits == high) {
            // Either the estimate was one too small or rounding carried over:
            // both give 10^p with the next exponent.
            digits = low;
            ++k;
            break;
        } else {
            break;
        }
    }
    const uint64_t d = static_cast<uint64_t>(digits);
    size_t n = 0;
    if (parts.negative) out[n++] = '-';
    out[n++] = static_cast<char>('0' + d / low);
    if (precision > 0) {
        out[n++] = '.';
        writeDigitsPadded(out + n, d % low, static_cast<size_t>(precision));
        n += static_cast<size_t>(precision);
    }
    out[n++] = 'e';
    out[n++] = k < 0 ? '-' : '+';
    const unsigned magnitude = static_cast<unsigned>(k < 0 ? -k : k);
    if (magnitude < 10) out[n++] = '0';
    return n + writeDigits(out + n, magnitude);
}
#else
size_t fixedText(double, size_t, char*) {
    return 0;
}
size_t exponentText(double, int, char*) {
    return 0;
}
#endif

}  // namespace

namespace abimport::detail {

void writePrintfDouble(double val, uint32_t width, char* out) {
    constexpr auto kTextBufferSize = Object::kTextBufferSize;
    const int w = static_cast<int>(width);
    const bool exactPath = std::fegetround() == FE_TONEAREST;

    // Fixed notation with 14 decimals and no trailing zeros. The largest
    // doubles need over 300 digits, so this text has scratch space of its own.
    char fixed[400];
    int len = exactPath ? static_cast<int>(fixedText(val, width, fixed)) : 0;
    if (len == 0) {
        len = std::snprintf(fixed, sizeof fixed, "%.14f", val);
        if (len < 0) len = 0;
        if (len >= static_cast<int>(sizeof fixed)) len = sizeof fixed - 1;
        // The decimal point stops the strip and stays.
        if (std::memchr(fixed, '.', static_cast<size_t>(len))) {
            while (len > 0 && fixed[len - 1] == '0') --len;
        }
    }

    if (len <= w) {
        abimport::detail::writeAligned(out, fixed, static_cast<size_t>(len), width);
        return;
    }

    // Too wide: exponent form whose mantissa fills the field for a positive
    // value with a two-digit exponent.
    const int precision = w >= 6 ? w - 6 : 0;
    char exponent[64];
    int elen = exactPath ? static_cast<int>(exponentText(val, precision, exponent)) : 0;
    if (elen > 0) {
        abimport::detail::writeAligned(out, exponent, static_cast<size_t>(elen), width);
    } else {
        elen = std::snprintf(out, kTextBufferSize, "%*.*e", w, precision, val);
    }
    if (elen > static_cast<int>(kTextBufferSize) - 1) elen = kTextBufferSize - 1;
    if (elen > w) {
        // One character over (a sign or a three-digit exponent): drop the 'e',
        // the form the line reader repairs on input.
        char* e = std::strrchr(out, 'e');
        if (e) std::memmove(e, e + 1, std::strlen(e + 1) + 1);
    }
}

}  // namespace abimport::detail
