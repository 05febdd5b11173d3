// Sameness of the library's number conversions with the C library: words to
// numbers against strtol/strtod, value texts against the printf formats, over
// hand-picked awkward inputs and many random ones.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/data.h"
#include "model/numbertext.h"

namespace {

using abimport_detail::textToDouble;
using abimport_detail::textToLong;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Random text that looks like a number more or less: spaces, sign, digits with
// leading zeros, a point, an exponent with or without digits, trailing text.
std::string randomNumberText(std::mt19937_64& rng) {
    static const char* const kLeads[] = {"", "", "", " ", "   ", "\t", "\n", "+", "-", " -"};
    static const char* const kTails[] = {"", "", "", "\n", " ", "e", "E+", "e-", "x", ",3", "-3"};
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    auto digits = [&](unsigned n) {
        std::string s;
        for (unsigned i = 0; i < n; ++i) s += static_cast<char>('0' + pick(10));
        return s;
    };
    std::string text = kLeads[pick(10)];
    if (pick(4) == 0) text += std::string(pick(25), '0');
    text += digits(pick(4) == 0 ? pick(26) : pick(10));
    if (pick(3) != 0) text += '.' + digits(pick(4) == 0 ? pick(26) : pick(9));
    if (pick(3) == 0) {
        text += pick(2) ? 'e' : 'E';
        if (pick(2)) text += pick(2) ? '-' : '+';
        text += digits(pick(4) == 0 ? pick(6) : pick(3));
    }
    return text + kTails[pick(11)];
}

// The Double text, made only with the C library: "%.14f" with its trailing
// zeros stripped when it fits the width, else "%*.*e" without its 'e' when
// still too wide.
std::string referenceDoubleText(double value, int width) {
    char fixed[400];
    int len = std::snprintf(fixed, sizeof fixed, "%.14f", value);
    if (std::strchr(fixed, '.')) {
        while (fixed[len - 1] == '0') --len;
    }
    fixed[len] = '\0';
    char out[128];
    if (len <= width) {
        std::snprintf(out, sizeof out, "%*.*s", width, 100, fixed);
        return out;
    }
    len = std::snprintf(out, sizeof out, "%*.*e", width, width - 6, value);
    std::string text = out;
    if (len > width) text.erase(text.rfind('e'), 1);
    return text;
}

std::string doubleText(double value, unsigned width) {
    Double d(width, value);
    char out[Object::kTextBufferSize];
    d.tostring(out);
    return out;
}

// Doubles of every kind a deck or a computation gives: coordinates with six
// decimals, values at and around powers of ten, exact ties at the 14th
// decimal and at the last printed digit, and arbitrary bit patterns.
std::vector<double> awkwardDoubles(std::mt19937_64& rng, size_t randomCount) {
    std::vector<double> values = {0.0, -0.0, 1.5, -1.5e-100, 0.5e-14, 1.5e-14, 2.5e-14,
                                  9.999999999999995, 99999.99999999999, 0.1, 1e15, 1e16,
                                  9.2e18, 1e19, 1e22, 1e23, 1e300, 4.9e-324, 2.2250738585072014e-308,
                                  12345678901.5, 12345678902.5, 99999.5, 9.9999999999e10,
                                  INFINITY, -INFINITY, NAN};
    for (int k = -30; k <= 30; ++k) {
        const double p = std::pow(10.0, k);
        values.insert(values.end(), {p, -p, std::nextafter(p, 0.0), std::nextafter(p, INFINITY)});
    }
    for (size_t i = 0; i < randomCount; ++i) {
        values.push_back(static_cast<double>(rng() % 2000000000ULL) / 1e6 - 1000.0);
        values.push_back(static_cast<double>(rng() % (1ULL << 40)) * std::ldexp(1.0, -15));
        values.push_back(static_cast<double>(rng() % 100000000000ULL) + 0.5);
        values.push_back(std::ldexp(static_cast<double>(rng() % (1ULL << 53)),
                                    static_cast<int>(rng() % 140) - 120));
        const uint64_t bits = rng();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
    }
    return values;
}

TEST(NumberText, WordsReadExactlyAsTheCLibraryReadsThem) {
    std::vector<std::string> texts = {
        "", " ", "-", "+", ".", "-.", ".5", "-.5", "5.", "0", "-0", "-0.0", "00012", "1e5",
        "1e", "1e+", "1E-2x", "1.5-3", "0x1A", "0X1p3", "-0x10", "inf", "-Infinity", "nan",
        "NAN(123)", "9223372036854775807", "9223372036854775808", "-9223372036854775809",
        "99999999999999999999999", "123456789012345678", "1234567890123456789",
        "9007199254740993", "9007199254740992.5", "1e22", "1e23", "1e-22", "1e-23",
        "4.9e-324", "1e-400", "1e400", "1.7976931348623157e308", "1e99999", "0e99999",
        "2.2250738585072011e-308", "0.000000000000000000000000000001", "   \t\n12\n",
        "1 2", "--1", "+-1", "1e 5", "\v\f\r7", "\xa0" "5", "12345678.123456789",
        "      -123.456789", "1,5", "0.1000000000000000055511151231257827",
    };
    std::mt19937_64 rng(20240611);
    for (int i = 0; i < 300000; ++i) texts.push_back(randomNumberText(rng));

    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const std::string& text : texts) {
            const double expected = std::strtod(text.c_str(), nullptr);
            const double got = textToDouble(text.c_str());
            ASSERT_TRUE(sameBits(got, expected) || (std::isnan(got) && std::isnan(expected)))
                << '"' << text << "\" mode " << mode << ": " << got << " vs " << expected;
            if (mode == FE_TONEAREST) {
                ASSERT_EQ(textToLong(text.c_str()), std::strtol(text.c_str(), nullptr, 10))
                    << '"' << text << '"';
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(NumberText, DoubleTextsAreThePrintfForms) {
    std::mt19937_64 rng(7);
    const std::vector<double> values = awkwardDoubles(rng, 15000);
    for (int mode : {FE_TONEAREST, FE_UPWARD}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (double value : values) {
            for (unsigned width : {6u, 8u, 10u, 16u, 23u}) {
                ASSERT_EQ(doubleText(value, width), referenceDoubleText(value, static_cast<int>(width)))
                    << "value " << value << " width " << width << " mode " << mode;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(NumberText, IntegerTextsAreThePrintfForms) {
    std::mt19937_64 rng(11);
    std::vector<uint32_t> values = {0, 1, 9, 10, 99, 100, 2147483647u, 2147483648u, 4294967295u};
    for (int i = 0; i < 100000; ++i) values.push_back(static_cast<uint32_t>(rng() >> (rng() % 32)));
    char expected[64];
    char got[Object::kTextBufferSize];
    for (uint32_t v : values) {
        for (unsigned width : {1u, 8u, 10u, 16u}) {
            UInteger u(width, v);
            u.tostring(got);
            std::snprintf(expected, sizeof expected, "%*u", static_cast<int>(width), v);
            ASSERT_STREQ(got, expected);
            Integer s(width, static_cast<int32_t>(v));
            s.tostring(got);
            std::snprintf(expected, sizeof expected, "%*d", static_cast<int>(width), static_cast<int32_t>(v));
            ASSERT_STREQ(got, expected);
        }
    }
}

}  // namespace
