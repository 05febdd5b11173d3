// JSON text of the tool's events: doubles exactly as std::to_chars writes
// them, strings escaped to printable ASCII; cards written in order from
// chunks that two threads prepare.
#include "../output/jsontext.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../model/numbers/shortest.h"
#include "../output/orderedchunks.h"

using namespace abimport;

namespace {

std::string shortest(double value) {
    char text[32];
    return std::string(text, abimport::detail::writeShortestDouble(text, value));
}

std::string library(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

// Short decimals of every length and scale (the deck's doubles), round
// numbers, and random bit patterns, in the default and a directed rounding
// mode: the same text as std::to_chars, which reads back exactly.
TEST(ShortestDouble, SameTextAsTheStandardLibrary) {
    std::mt19937_64 random(12345);
    std::vector<double> values = {1,
                                  -1,
                                  0.1,
                                  0.3,
                                  100,
                                  1e14,
                                  1e15,
                                  1e16,
                                  0.001,
                                  1e-4,
                                  1e-5,
                                  1e-7,
                                  123456789012345.0,
                                  1.5e-20,
                                  2.5e22,
                                  5e-324,
                                  1.7976931348623157e308,
                                  0.1 + 0.2,
                                  1.0 / 3,
                                  999999999999999.9,
                                  9.5,
                                  0.05,
                                  12345678.0,
                                  -0.000123};
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 16);
        const int shift = static_cast<int>(random() % 30) - 15;
        const double mantissa =
            static_cast<double>(random() % 10000000000000000ULL) / std::pow(10.0, 16 - digits);
        values.push_back(std::nearbyint(mantissa) * std::pow(10.0, shift) * (i % 2 ? -1 : 1));
        const uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
    }
    for (int mode : {FE_TONEAREST, FE_UPWARD}) {
        std::fesetround(mode);
        size_t wrong = 0;
        for (double value : values) {
            if (shortest(value) != library(value) && ++wrong < 10) {
                ADD_FAILURE() << library(value) << " written as " << shortest(value);
            }
        }
        EXPECT_EQ(wrong, 0u) << "rounding mode " << mode;
    }
    std::fesetround(FE_TONEAREST);
}

TEST(JsonText, StringsEscapedToPrintableAscii) {
    std::string out;
    {
        JsonText json(out);
        json.string(std::string("a\"b\\c\n\r\t\x01\x7f\xe9 ~", 13));
        json.raw(',');
        json.number(-9223372036854775807LL - 1);
        json.raw(',');
        json.number(18446744073709551615ULL);
        json.raw(',');
        json.real(-0.0);
        json.raw(',');
        json.real(-INFINITY);
        json.raw(',');
        json.string(std::string(700, 'x'));  // more than the buffer holds
    }
    EXPECT_EQ(out,
              "\"a\\\"b\\\\c\\n\\r\\t\\u0001\\u007F\\uDCE9 ~\",-9223372036854775808,"
              "18446744073709551615,-0,\"-inf\",\"" +
                  std::string(700, 'x') + "\"");
}

// Valid UTF-8 becomes its code points (a pair of surrogates above U+FFFF);
// every byte that is no part of valid UTF-8 becomes \uDCXX, the escape that
// Python's surrogateescape turns back into that byte.
TEST(JsonText, Utf8AsCodePointsOtherBytesAsSurrogateEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"si\xc3\xa8ge.k", "si\\u00E8ge.k"},
        {"\xe2\x82\xac \xf0\x9f\x8e\x88", "\\u20AC \\uD83C\\uDF88"},
        {"\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf", "\\u07FF\\uFFFF\\uDBFF\\uDFFF"},
        {"caf\xe9", "caf\\uDCE9"},                                        // Latin-1
        {"\xc3", "\\uDCC3"},                                              // cut at the end
        {"\xc3(", "\\uDCC3("},                                            // no continuation
        {"\xe2\x82", "\\uDCE2\\uDC82"},                                   // cut three-byte sequence
        {"\xc0\xaf\xe0\x80\xaf", "\\uDCC0\\uDCAF\\uDCE0\\uDC80\\uDCAF"},  // overlong
        {"\xed\xa0\x80", "\\uDCED\\uDCA0\\uDC80"},                        // a surrogate
        {"\xf4\x90\x80\x80\xf5", "\\uDCF4\\uDC90\\uDC80\\uDC80\\uDCF5"},  // past U+10FFFF
        {"\x80\xbf\xff", "\\uDC80\\uDCBF\\uDCFF"},                        // stray bytes
    };
    for (const auto& [bytes, escaped] : cases) {
        std::string out;
        appendJsonString(out, bytes);
        EXPECT_EQ(out, "\"" + escaped + "\"") << escaped;
    }
}

// Chunks prepared on two threads are used in the order of the items, each
// item once, for lists on both sides of the two-thread threshold.
TEST(OrderedChunks, TwoThreadsKeepTheOrder) {
    for (size_t count : {size_t{0}, size_t{1}, kChunkItems + 1, kTwoThreadsFrom - 1,
                         kTwoThreadsFrom, 10 * kChunkItems + 7}) {
        std::vector<size_t> used;
        forChunksInOrder<std::vector<size_t>>(
            count,
            [](size_t begin, size_t end, std::vector<size_t>& chunk) {
                for (size_t i = begin; i < end; ++i) chunk.push_back(i);
            },
            [&](std::vector<size_t>& chunk) {
                used.insert(used.end(), chunk.begin(), chunk.end());
                chunk.clear();
            });
        std::vector<size_t> expected(count);
        for (size_t i = 0; i < count; ++i) expected[i] = i;
        EXPECT_EQ(used, expected) << count;
    }
}
