// Field values: text forms in their field width, type codes and getters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

#include "../model/data.h"
#include "valuetext.h"

using namespace abimport;

TEST(DoubleText, WorkedTableAtWidths10And16) {
    struct Row {
        double value;
        const char *at10, *at16;
    } rows[] = {
        {1.5, "       1.5", "             1.5"},
        {3.0, "        3.", "              3."},
        {0.0, "        0.", "              0."},
        {4e-15, "        0.", "              0."},
        {-1.5e-100, "       -0.", "             -0."},
        {0.25, "      0.25", "            0.25"},
        {12345678.0, " 12345678.", "       12345678."},
        {100.0, "      100.", "            100."},
        {1.0 / 3, "3.3333e-01", "0.33333333333333"},
        {-1.0 / 3, "-3.3333-01", "-3.3333333333-01"},
        {123456.789, "1.2346e+05", "1.2345678900e+05"},
        {1e200, "1.0000+200", "1.0000000000+200"},
        {2.5e-7, "0.00000025", "      0.00000025"},
        {-2.5e-7, "-2.5000-07", "     -0.00000025"},
        {-1e300, "-1.0000+300", "-1.0000000000+300"},  // still too wide: only the 'e' goes
        {INFINITY, "       inf", "             inf"},
        {-INFINITY, "      -inf", "            -inf"},
        {NAN, "       nan", "             nan"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(textOf(Double(10, row.value)), row.at10) << row.value;
        EXPECT_EQ(textOf(Double(16, row.value)), row.at16) << row.value;
    }
}

// Each row: a value, its text (nullptr: not checked), what the four getters
// give (text nullptr: a null pointer) and the message standard output must
// show, if any: "wrong data type sent to get <message>".
TEST(ValueText, TextRightAlignedNeverCutAndGettersOfTheMatchingClassOnly) {
    // A stored code that no longer matches the class.
    auto tampered = [](Data* v) {
        v->typeCode = kBlankCode;
        return std::unique_ptr<Data>(v);
    };
    using std::make_unique;
    struct Case {
        std::unique_ptr<Data> value;
        const char* text;
        unsigned u;
        int i;
        double d;
        const char* got;
        std::string message;
    } cases[] = {
        {make_unique<UInteger>(10, 7u), "         7", 7, 0, 0.0, "", ""},
        {make_unique<UInteger>(8, 4294967295u), "4294967295", 4294967295u, 0, 0.0, "", ""},
        {make_unique<Integer>(8, -42), "     -42", 0, -42, 0.0, "", ""},
        {make_unique<Integer>(8, INT32_MIN), "-2147483648", 0, INT32_MIN, 0.0, "", ""},
        {make_unique<Double>(16, 2.5), "             2.5", 0, 0, 2.5, "", ""},
        {make_unique<CharArray>(10, "abc"), "       abc", 0, 0, 0.0, "abc", ""},
        {make_unique<CharArray>(4, "too wide"), "too wide", 0, 0, 0.0, "too wide", ""},
        {make_unique<CharArray>(10, "ab\n"), "       ab\n", 0, 0, 0.0, "ab\n", ""},
        {make_unique<BlankObject>(10), "          ", 0, 0, 0.0, "", ""},
        {make_unique<BlankObject>(16), "                ", 0, 0, 0.0, "", ""},
        {tampered(new UInteger(10, 7u)), nullptr, 0, 0, 0.0, "", "unsigned int value"},
        {tampered(new Integer(10, 7)), nullptr, 0, 0, 0.0, "", "int value"},
        {tampered(new Double(10, 7.0)), nullptr, 0, 0, 0.0, "", "double value"},
        {tampered(new CharArray(10, "w")), nullptr, 0, 0, 0.0, nullptr, "char array"},
    };
    char* empty = nullptr;  // the one static empty text of every class but CharArray
    BlankObject(1).value(&empty);
    for (Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        if (c.text) {
            EXPECT_EQ(textOf(*c.value), c.text);
        }
        unsigned u = 99;
        int i = 99;
        double d = 99.0;
        char* got = nullptr;
        testing::internal::CaptureStdout();
        c.value->value(&u), c.value->value(&i), c.value->value(&d), c.value->value(&got);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  c.message.empty() ? "" : "wrong data type sent to get " + c.message + "\n");
        EXPECT_EQ(std::make_tuple(u, i, d), std::make_tuple(c.u, c.i, c.d));
        EXPECT_STREQ(got, c.got);
        auto* word = dynamic_cast<CharArray*>(c.value.get());
        EXPECT_EQ(got, !c.got ? nullptr : word ? word->val : empty);  // never a copy
    }
}
