// Card: both addFields forms (words, raw lines) and the card's deck text.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

#include "model/card.h"

namespace {

// Restores the host's flag word after each test.
struct CardTest : testing::Test {
    unsigned saved = Card::contFlag;
    void TearDown() override { Card::contFlag = saved; }
};

// "code/width=content" per value, content read through the getter of the
// value's class ("_" for a placeholder, text in quotes), then the field names
// and the empty field names in brackets: "1/10=7 5/10='a' [F0,F1] [F2]".
std::string describe(const Card& card) {
    std::ostringstream out;
    for (Data* value : card.fields) {
        auto put = [&](auto content) { value->value(&content), out << content; };
        out << (value == card.fields[0] ? "" : " ") << value->typeCode << '/' << value->width << '=';
        switch (value->typeCode) {
        case kUnsignedCode: put(0u); break;
        case kIntegerCode: put(0); break;
        case kDoubleCode: put(0.0); break;
        case kTextCode: out << '\''; put(static_cast<char*>(nullptr)); out << '\''; break;
        default: out << '_';
        }
    }
    for (const std::vector<std::string>* names : {&card.fieldNames, &card.emptyFieldNames}) {
        out << " [";
        for (const std::string& name : *names) out << (&name == &names->front() ? "" : ",") << name;
        out << ']';
    }
    return out.str();
}

const char* kNames[] = {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"};

}  // namespace

// Each row: flag word, type codes, field widths, input, card. Without widths
// the input holds the words, '|'-separated, for the word-list form (width 10);
// with widths it is a raw line, in fixed columns or comma words.
TEST_F(CardTest, AddFieldsConvertsByCodeAndRecordsNames) {
    const std::vector<unsigned> nodeTypes = {1, 2, 2, 2}, nodeWidths = {8, 16, 16, 16};
    const std::string node = "       1             1.5             2.5             3.5\n";
    struct Case { unsigned flag; std::vector<unsigned> types, widths; std::string input;
                  const char* want; } cases[] = {
        {0x2, {1, 2, 5}, {}, "7|2.5|text\n", "1/10=7 2/10=2.5 5/10='text\n' [F0,F1,F2] []"},
        {0x4, {1, 2, 5}, {}, "7|2.5|text\n", "1/10=7 2/10=2.5 5/10='text\n' [] []"},
        // Empty words, whatever the code; a placeholder ignores its word; codes
        // without a class leave no trace; only count words are taken.
        {0x2, {1, 2, 5, 7, 3}, {}, "|\n|\tx|\r|", " [] [F0,F1,F2,F3,F4]"},
        {0x2, {7, 7}, {}, "anything| ", "8/10=_ 8/10=_ [ , ] []"},
        {0x2, {3, 4, 6, 9, 1}, {}, "1|2|3|4|5|6", "1/10=5 [F4] []"},
        // Numbers as the C library reads them.
        {0x0, {0, 1, 2, 1, 2, 5, 1, 1, 1}, {}, "-1|2.9|1.5e-3|   |abc|  |4294967297| 12abc\n|010",
         "0/10=4294967295 1/10=2 2/10=0.0015 1/10=0 2/10=0 5/10='  ' 1/10=1 1/10=12 1/10=10 [] []"},
        {0x2, nodeTypes, nodeWidths, node, "1/8=1 2/16=1.5 2/16=2.5 2/16=3.5 [F0,F1,F2,F3] []"},
        {0x4, nodeTypes, nodeWidths, node, "1/8=1 2/16=1.5 2/16=2.5 2/16=3.5 [] []"},
        {0x2, nodeTypes, nodeWidths, "       1\n", "1/8=1 [F0] [F1,F2,F3]"},
        {0x2, nodeTypes, nodeWidths, "\n", " [] [F0,F1,F2,F3]"},
        // Fields of spaces are not empty; a tab or carriage return first is.
        {0x2, {1, 2, 5}, {4, 4, 4}, "            \n", "1/4=0 2/4=0 5/4='    ' [F0,F1,F2] []"},
        {0x2, {1, 1, 1}, {4, 4, 4}, "   1\t  2\r  3\n", "1/4=1 [F0] [F1,F2]"},
        {0x2, {7, 7, 7}, {8, 16, 8}, "     abc\n", "8/8=_ [ ] [F1,F2]"},  // placeholder widths
        {0x2, {1, 3, 1}, {4, 4, 4}, "   1   2   3\n", "1/4=1 1/4=3 [F0,F2] []"},  // code 3 skips
        {0x2, {2}, {8}, "   1.5-3\n", "2/8=1.5 [F0] []"},  // no exponent repair
        // Comma form: empty words drop, a comma anywhere switches the line,
        // a skipped code takes its word, a newline after the last comma is a word.
        {0x2, nodeTypes, nodeWidths, "17,1.5,,2.5\n", "1/8=17 2/16=1.5 2/16=2.5 [F0,F1,F2] []"},
        {0x2, {5, 1}, {8, 8}, "  a,b       1\n", "5/8='  a' 1/8=0 [F0,F1] []"},
        {0x2, {1, 3, 1}, {4, 4, 4}, "1,2,3\n", "1/4=1 1/4=3 [F0,F2] []"},
        {0x2, {1, 5}, {8, 8}, "5,\n", "1/8=5 5/8='\n' [F0,F1] []"},
        {0x2, {2, 1}, {8, 8}, "1.5-3,4,5,6\n", "2/8=1.5 1/8=4 [F0,F1] []"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.input);
        Card::contFlag = c.flag;
        Card card;
        std::vector<char> line(c.input.begin(), c.input.end());
        line.resize(128, '\0');  // as the reader's zero-filled line buffer
        std::vector<char*> words = {line.data()};
        unsigned count = static_cast<unsigned>(c.types.size());
        if (!c.widths.empty()) {
            card.addFields(count, c.types.data(), c.widths.data(), kNames, line.data());
        } else {
            for (char& ch : line) {
                if (ch == '|') ch = '\0', words.push_back(&ch + 1);
            }
            card.addFields(count, c.types.data(), kNames, words.data());
        }
        EXPECT_EQ(describe(card), c.want);
    }
}

// A second call appends and takes only count words; a missing name throws and
// keeps what came before.
TEST_F(CardTest, AddFieldsAppendsAndAMissingNameKeepsEarlierValues) {
    Card::contFlag = 0x2;
    Card card;
    unsigned types[] = {1, 1}, one = 1, two = 2;
    const char* names[] = {"A", nullptr};
    char first[] = "1", second[] = "2", third[] = "3";
    char* words[] = {first, second, third};
    card.addFields(one, types, names, words);
    EXPECT_THROW(card.addFields(two, types, names, words + 1), std::logic_error);
    EXPECT_EQ(describe(card), "1/10=1 1/10=2 [A,A] []");
}

TEST_F(CardTest, TextHasHeaderOnlyWithNamesAndOneLineEnd) {
    using Fields = std::vector<std::pair<Data*, const char*>>;
    // Column widths 16 (the '$' takes one), 8 and 10; a name wider than its
    // column; a placeholder.
    auto mixed = [] {
        return Fields{{new Double(16, 1.5), "X"}, {new Integer(8, 2), "N"},
                      {new Integer(10, 1), "AVERYLONGNAME"}, {new BlankObject(10), " "},
                      {new Integer(10, 5), "A"}};
    };
    const std::string values = "             1.5       2         1                   5\n";
    struct Case { Fields fields; bool names; std::string text; } cases[] = {
        {mixed(), true, "$              X       NAVERYLONGNAME                   A\n" + values},
        {mixed(), false, values},
        // The last value's own newline ends the line; one inside the line does not.
        {{{new Integer(10, 1), "A"}, {new CharArray(10, "ab\n"), "T"}}, false, "         1       ab\n"},
        {{{new CharArray(10, "ab\n"), "T"}, {new Integer(10, 1), "A"}}, false, "       ab\n         1\n"},
        {{}, false, "\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.text);
        Card card;
        for (const auto& [value, name] : c.fields) {
            card.fields.push_back(value);
            if (c.names) card.fieldNames.emplace_back(name);
        }
        std::string out = "kept:";
        card.tostring(out);
        EXPECT_EQ(out, "kept:" + c.text);
        char scratch[8] = "intact";
        card.tostring(scratch);  // a card writes nothing into a scratch buffer
        EXPECT_STREQ(scratch, "intact");
    }
}
