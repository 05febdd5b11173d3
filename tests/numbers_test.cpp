// Sameness of the library's number conversions with the C library: words to
// numbers against strtol/strtod, value texts against the printf formats, over
// hand-picked awkward inputs and many random ones, in several rounding modes.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../model/data.h"
#include "../model/numbers/fieldfit.h"
#include "../model/numbers/reading.h"
#include "valuetext.h"

using namespace abimport;

namespace {

// Random text that looks like a number more or less: spaces, sign, digits with
// leading zeros, a point, an exponent with or without digits, trailing text.
std::string randomNumberText(std::mt19937_64& rng) {
    static const char* const kLeads[] = {"", "", "", " ", "   ", "\t", "\n", "+", "-", " -"};
    static const char* const kExponents[] = {"e", "E", "e", "E", "e-", "E-", "e+", "E+"};
    static const char* const kTails[] = {"", "", "", "\n", " ", "e", "E+", "e-", "x", ",3", "-3"};
    auto pick = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    auto digits = [&](unsigned n) {
        std::string s;
        while (n--) s += char('0' + rng() % 10);
        return s;
    };
    std::string text = kLeads[pick(10)] + std::string(pick(4) ? 0 : pick(25), '0');
    text += digits(pick(4) == 0 ? pick(26) : pick(10));
    if (pick(3) != 0) text += '.' + digits(pick(4) == 0 ? pick(26) : pick(9));
    if (pick(3) == 0) text += kExponents[pick(8)] + digits(pick(4) == 0 ? pick(6) : pick(3));
    return text + kTails[pick(11)];
}

// The Double text made with the C library only: "%.14f" stripped of trailing
// zeros when it fits the width, else "%*.*e" without its 'e' when still too wide.
std::string referenceDoubleText(double value, int width) {
    char fixed[400], out[128];
    int len = std::snprintf(fixed, sizeof fixed, "%.14f", value);
    while (std::strchr(fixed, '.') && fixed[len - 1] == '0') fixed[--len] = '\0';
    if (len <= width) return std::string(static_cast<size_t>(width - len), ' ') + fixed;
    len = std::snprintf(out, sizeof out, "%*.*e", width, width - 6, value);
    std::string text = out;
    if (len > width) text.erase(text.rfind('e'), 1);
    return text;
}

}  // namespace

// Words read as strtod and strtol read them, and Double, UInteger and Integer
// texts as printf writes them, in every rounding mode. The doubles are of every
// kind a deck or a computation gives: values at and around powers of ten, exact
// ties at the 14th decimal and at the last printed digit, coordinates with six
// decimals, and arbitrary bit patterns; each is printed at every width beside
// an integer of random magnitude.
TEST(NumberText, SameAsTheCLibraryInEveryRoundingMode) {
    std::vector<std::string> texts = {"",
                                      " ",
                                      "-",
                                      "+",
                                      ".",
                                      "-.",
                                      ".5",
                                      "-.5",
                                      "5.",
                                      "0",
                                      "-0",
                                      "-0.0",
                                      "00012",
                                      "1e5",
                                      "1e",
                                      "1e+",
                                      "1E-2x",
                                      "1.5-3",
                                      "0x1A",
                                      "0X1p3",
                                      "-0x10",
                                      "inf",
                                      "-Infinity",
                                      "nan",
                                      "NAN(123)",
                                      "9223372036854775807",
                                      "9223372036854775808",
                                      "-9223372036854775809",
                                      "99999999999999999999999",
                                      "123456789012345678",
                                      "1234567890123456789",
                                      "9007199254740993",
                                      "9007199254740992.5",
                                      "1e22",
                                      "1e23",
                                      "1e-22",
                                      "1e-23",
                                      "4.9e-324",
                                      "1e-400",
                                      "1e400",
                                      "1.7976931348623157e308",
                                      "1e99999",
                                      "0e99999",
                                      "   \t\n12\n",
                                      "2.2250738585072011e-308",
                                      "0.000000000000000000000000000001",
                                      "1 2",
                                      "--1",
                                      "+-1",
                                      "1e 5",
                                      "\v\f\r7",
                                      "\2405",
                                      "12345678.123456789",
                                      "      -123.456789",
                                      "1,5",
                                      "0.1000000000000000055511151231257827"};
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5e-14,
                                  1.5e-14,
                                  2.5e-14,
                                  9.999999999999995,
                                  0.1,
                                  99999.99999999999,
                                  9.2e18,
                                  1e22,
                                  1e23,
                                  4.9e-324,
                                  99999.5,
                                  2.2250738585072014e-308,
                                  12345678901.5,
                                  12345678902.5,
                                  9.9999999999e10,
                                  INFINITY,
                                  -INFINITY,
                                  NAN};
    for (int k = -30; k <= 300; k += k < 30 ? 1 : 90) {
        const double p = std::pow(10.0, k);
        values.insert(values.end(), {p, -p, std::nextafter(p, 0.0), std::nextafter(p, INFINITY)});
    }
    std::mt19937_64 rng(7);
    auto fromBits = [](uint64_t bits) {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    for (int i = 0; i < 8000; ++i) {
        values.insert(
            values.end(),
            {static_cast<double>(rng() % 2000000000) / 1e6 - 1000.0,
             static_cast<double>(rng() % 100000000000) + 0.5, std::ldexp(rng() % (1ULL << 40), -15),
             std::ldexp(rng() % (1ULL << 53), int(rng() % 140) - 120), fromBits(rng())});
    }
    for (int i = 0; i < 300000; ++i) texts.push_back(randomNumberText(rng));
    char want[64];
#if defined(_WIN32)
    // The Windows C library reads to nearest whatever the rounding mode; only
    // that mode can be compared with it.
    const int modes[] = {FE_TONEAREST};
#else
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
#endif
    for (int mode : modes) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const std::string& word : texts) {
            const char* text = word.c_str();
            const double expected = std::strtod(text, nullptr);
            const double got = abimport::detail::textToDouble(text);
            ASSERT_TRUE(std::memcmp(&got, &expected, sizeof got) == 0 ||
                        (std::isnan(got) && std::isnan(expected)))
                << '"' << word << "\" mode " << mode << ": " << got << " vs " << expected;
            ASSERT_EQ(abimport::detail::textToLong(text), std::strtoll(text, nullptr, 10)) << word;
        }
        for (double value : values) {
            const uint32_t n = static_cast<uint32_t>(rng()) >> (rng() % 32);
            for (int width : {6, 8, 10, 16, 23}) {
                ASSERT_EQ(textOf(Double(static_cast<uint32_t>(width), value)),
                          referenceDoubleText(value, width))
                    << "value " << value << " width " << width << " mode " << mode;
                std::snprintf(want, sizeof want, "%*u", width, n);
                ASSERT_EQ(textOf(UInteger(static_cast<uint32_t>(width), n)), want);
                std::snprintf(want, sizeof want, "%*d", width, static_cast<int32_t>(n));
                ASSERT_EQ(textOf(Integer(static_cast<uint32_t>(width), static_cast<int32_t>(n))),
                          want);
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

// The numbers a user may give an edit: every text the field's reading reads
// as a number, and integers within the field's range.
TEST(NumberText, TextsAnEditTakesAsNumbers) {
    struct Case {
        const char* text;
        bool repair;  // a ten-column field
        bool number;
        double value;
    };
    const Case cases[] = {
        {"0.000010000000000000000818030539140313095458623138256371021270751953125", false, true,
         1e-5},
        {"0x1.4f8b588e368f1p-17", true, true, 1e-5},
        {"-46541.-325", true, true, -46541e-325},
        {"1.5-3", true, true, 1.5e-3},
        {"1.5-3", false, false, 0},
        {"15-3", true, false, 0},
        {"inf", false, true, INFINITY},
        {" 1", false, false, 0},
        {"1.5e", true, false, 0},
    };
    for (const Case& c : cases) {
        double value = 0;
        EXPECT_EQ(abimport::detail::parseNumber(c.text, c.repair, value), c.number) << c.text;
        if (c.number) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    long long n = 0;
    EXPECT_TRUE(abimport::detail::parseInteger("+0000000020", INT32_MIN, INT32_MAX, n));
    EXPECT_EQ(n, 20);
    EXPECT_FALSE(abimport::detail::parseInteger("2147483648", INT32_MIN, INT32_MAX, n));
    EXPECT_TRUE(abimport::detail::parseInteger("4294967295", 0, UINT32_MAX, n));
    EXPECT_FALSE(abimport::detail::parseInteger("-1", 0, UINT32_MAX, n));
    EXPECT_FALSE(abimport::detail::parseInteger("99999999999999999999", INT32_MIN, INT32_MAX, n));
    EXPECT_FALSE(abimport::detail::parseInteger("20.0", INT32_MIN, INT32_MAX, n));
}
