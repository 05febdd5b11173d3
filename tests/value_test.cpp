// Field values: text forms in their field width, type codes and getters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "model/data.h"

namespace {

std::string textOf(Data& value) {
    char out[Object::kTextBufferSize];
    std::memset(out, 'X', sizeof out);
    value.tostring(out);
    return out;
}

std::string blanks(size_t n) { return std::string(n, ' '); }

}  // namespace

TEST(DoubleText, WorkedTableAtWidths10And16) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        const char* at10;
        const char* at16;
    } rows[] = {
        {1.5, "       1.5", "             1.5"},
        {3.0, "        3.", "              3."},
        {0.0, "        0.", "              0."},
        {4e-15, "        0.", "              0."},  // rounds to zero at 14 decimals
        {-1.5e-100, "       -0.", "             -0."},
        {12345678.0, " 12345678.", "       12345678."},
        {1.0 / 3, "3.3333e-01", "0.33333333333333"},
        {-1.0 / 3, "-3.3333-01", "-3.3333333333-01"},
        {123456.789, "1.2346e+05", "1.2345678900e+05"},
        {2.5e-7, "0.00000025", "      0.00000025"},
        {-2.5e-7, "-2.5000-07", "     -0.00000025"},
        {1e200, "1.0000+200", "1.0000000000+200"},
        {0.25, "      0.25", "            0.25"},
        {100.0, "      100.", "            100."},
        {-1e300, "-1.0000+300", "-1.0000000000+300"},  // still too wide: the 'e' alone goes
        {inf, "       inf", "             inf"},
        {-inf, "      -inf", "            -inf"},
        {std::nan(""), "       nan", "             nan"},
    };
    for (const Row& row : rows) {
        Double at10(10, row.value), at16(16, row.value);
        EXPECT_EQ(textOf(at10), row.at10) << row.value;
        EXPECT_EQ(textOf(at16), row.at16) << row.value;
    }
}

TEST(ValueText, RightAlignedInWidthAndNeverCut) {
    struct Row {
        std::unique_ptr<Data> value;
        std::string text;
    };
    Row rows[] = {
        {std::make_unique<UInteger>(10, 7u), blanks(9) + "7"},
        {std::make_unique<UInteger>(10, 4294967295u), "4294967295"},
        {std::make_unique<Integer>(8, -42), blanks(5) + "-42"},
        {std::make_unique<Integer>(8, -2147483647 - 1), "-2147483648"},
        {std::make_unique<CharArray>(10, "abc"), blanks(7) + "abc"},
        {std::make_unique<CharArray>(4, "longer than four"), "longer than four"},
        {std::make_unique<CharArray>(10, "ab\n"), blanks(7) + "ab\n"},
        {std::make_unique<BlankObject>(10), blanks(10)},
        {std::make_unique<BlankObject>(16), blanks(16)},
    };
    for (Row& row : rows) EXPECT_EQ(textOf(*row.value), row.text);
}

TEST(ValueText, EachClassStoresItsCodeAndWidth) {
    struct Row {
        std::unique_ptr<Data> value;
        unsigned code;
        unsigned width;
    } rows[] = {
        {std::make_unique<UInteger>(8, 1u), kUnsignedCode, 8},
        {std::make_unique<Integer>(10, 1), kIntegerCode, 10},
        {std::make_unique<Double>(16, 1.0), kDoubleCode, 16},
        {std::make_unique<CharArray>(10, "x"), kTextCode, 10},
        {std::make_unique<BlankObject>(10), kBlankCode, 10},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.value->typeCode, row.code);
        EXPECT_EQ(row.value->width, row.width);
    }
}

// Every getter of every class; `message` is what standard output must show.
struct GetterCase {
    const char* label;
    std::unique_ptr<Data> value;
    unsigned u;
    int i;
    double d;
    const char* text;  // nullptr: a null pointer is expected
    std::string message;
};

TEST(ValueGetters, MatchingClassGivesValueOthersGiveDefaultsSilently) {
    auto tampered = [](Data* value) {
        value->typeCode = kBlankCode;  // a stored code that no longer matches the class
        return std::unique_ptr<Data>(value);
    };
    GetterCase cases[] = {
        {"UInteger", std::make_unique<UInteger>(10, 7u), 7, 0, 0.0, "", ""},
        {"Integer", std::make_unique<Integer>(10, -3), 0, -3, 0.0, "", ""},
        {"Double", std::make_unique<Double>(10, 2.5), 0, 0, 2.5, "", ""},
        {"CharArray", std::make_unique<CharArray>(10, "word"), 0, 0, 0.0, "word", ""},
        {"BlankObject", std::make_unique<BlankObject>(10), 0, 0, 0.0, "", ""},
        {"UInteger with a foreign code", tampered(new UInteger(10, 7u)), 0, 0, 0.0, "",
         "wrong data type sent to get unsigned int value\n"},
        {"Integer with a foreign code", tampered(new Integer(10, 7)), 0, 0, 0.0, "",
         "wrong data type sent to get int value\n"},
        {"Double with a foreign code", tampered(new Double(10, 7.0)), 0, 0, 0.0, "",
         "wrong data type sent to get double value\n"},
        {"CharArray with a foreign code", tampered(new CharArray(10, "w")), 0, 0, 0.0, nullptr,
         "wrong data type sent to get char array\n"},
    };
    for (GetterCase& c : cases) {
        SCOPED_TRACE(c.label);
        unsigned u = 99;
        int i = 99;
        double d = 99.0;
        char* text = nullptr;
        testing::internal::CaptureStdout();
        c.value->value(&u);
        c.value->value(&i);
        c.value->value(&d);
        c.value->value(&text);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
        EXPECT_EQ(u, c.u);
        EXPECT_EQ(i, c.i);
        EXPECT_EQ(d, c.d);
        if (c.text) {
            ASSERT_NE(text, nullptr);
            EXPECT_STREQ(text, c.text);
        } else {
            EXPECT_EQ(text, nullptr);
        }
    }
}

TEST(ValueGetters, TextGetterHandsOutStoredOrStaticPointer) {
    CharArray word(10, "abc");
    Integer number(10, 1);
    char *first = nullptr, *second = nullptr, *empty1 = nullptr, *empty2 = nullptr;
    word.value(&first);
    word.value(&second);
    number.value(&empty1);
    number.value(&empty2);
    EXPECT_EQ(first, word.val);  // no copy: the value keeps ownership
    EXPECT_EQ(first, second);
    ASSERT_NE(empty1, nullptr);
    EXPECT_EQ(empty1, empty2);
    EXPECT_STREQ(empty1, "");
}
