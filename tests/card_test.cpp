// Card: both addFields forms (words, raw lines) and the card's deck text.
#include "../model/card.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace abimport;

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
        out << ' ' << value->typeCode << '/' << value->width << '=';
        switch (value->typeCode) {
            case kUnsignedCode: put(0u); break;
            case kIntegerCode: put(0); break;
            case kDoubleCode: put(0.0); break;
            case kTextCode:
                out << '\'';
                put(static_cast<char*>(nullptr));
                out << '\'';
                break;
            default: out << '_';
        }
    }
    for (const std::vector<std::string>* names : {&card.fieldNames, &card.emptyFieldNames}) {
        out << " [";
        for (const std::string& name : *names) out << (&name == &names->front() ? "" : ",") << name;
        out << ']';
    }
    return out.str().substr(1);
}

const char* kNames[] = {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"};

// A card filled under a flag word from a layout of type codes and widths, with
// field names F0, F1, ... Without widths the input holds the words,
// '|'-separated, for the word-list form (width 10); with widths it is a raw
// line, in fixed columns or comma words. `want` is what the test expects.
struct Case {
    unsigned flag;
    std::vector<unsigned> types, widths;
    std::string input, want;
};

void fill(Card& card, Case c) {
    Card::contFlag = c.flag;
    std::vector<char> line(c.input.begin(), c.input.end());
    line.resize(128, '\0');  // as the reader's zero-filled line buffer
    std::vector<char*> words = {line.data()};
    for (char& ch : line) {
        if (ch == '|') ch = '\0', words.push_back(&ch + 1);
    }
    unsigned count = static_cast<unsigned>(c.types.size());
    if (c.widths.empty()) return card.addFields(count, c.types.data(), kNames, words.data());
    card.addFields(count, c.types.data(), c.widths.data(), kNames, line.data());
}

// Fills a card for each case and compares what `show` makes of it.
template <typename Show>
void expectEach(const std::vector<Case>& cases, Show show) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        Card card;
        fill(card, c);
        EXPECT_EQ(show(card), c.want);
    }
}

}  // namespace

TEST_F(CardTest, AddFieldsConvertsByCodeAndRecordsNames) {
    const std::vector<unsigned> nodeTypes = {1, 2, 2, 2}, nodeWidths = {8, 16, 16, 16};
    const std::string node = "       1             1.5             2.5             3.5\n";
    expectEach(
        {
            {0x2, {1, 2, 5}, {}, "7|2.5|text\n", "1/10=7 2/10=2.5 5/10='text\n' [F0,F1,F2] []"},
            {0x4, {1, 2, 5}, {}, "7|2.5|text\n", "1/10=7 2/10=2.5 5/10='text\n' [] []"},
            // Empty words, whatever the code; a placeholder ignores its word; codes
            // without a class leave no trace; only count words are taken.
            {0x2, {1, 2, 5, 7, 3}, {}, "|\n|\tx|\r|", "[] [F0,F1,F2,F3,F4]"},
            {0x2, {7, 7}, {}, "anything| ", "8/10=_ 8/10=_ [ , ] []"},
            {0x2, {3, 4, 6, 9, 1}, {}, "1|2|3|4|5|6", "1/10=5 [F4] []"},
            // Numbers as the C library reads them.
            {0x0,
             {0, 1, 2, 1, 2, 5, 1, 1, 1},
             {},
             "-1|2.9|1.5e-3|   |abc|  |4294967297| 12abc\n|010",
             "0/10=4294967295 1/10=2 2/10=0.0015 1/10=0 2/10=0 5/10='  ' 1/10=1 1/10=12 1/10=10 [] "
             "[]"},
            {0x2, nodeTypes, nodeWidths, node, "1/8=1 2/16=1.5 2/16=2.5 2/16=3.5 [F0,F1,F2,F3] []"},
            {0x4, nodeTypes, nodeWidths, node, "1/8=1 2/16=1.5 2/16=2.5 2/16=3.5 [] []"},
            {0x2, nodeTypes, nodeWidths, "       1\n", "1/8=1 [F0] [F1,F2,F3]"},
            {0x2, nodeTypes, nodeWidths, "\n", "[] [F0,F1,F2,F3]"},
            // Fields of spaces are not empty; a tab or carriage return first is.
            {0x2, {1, 2, 5}, {4, 4, 4}, "            \n", "1/4=0 2/4=0 5/4='    ' [F0,F1,F2] []"},
            {0x2, {1, 1, 1}, {4, 4, 4}, "   1\t  2\r  3\n", "1/4=1 [F0] [F1,F2]"},
            {0x2, {7, 7, 7}, {8, 16, 8}, "     abc\n", "8/8=_ [ ] [F1,F2]"},  // placeholder widths
            {0x2, {1, 3, 1}, {4, 4, 4}, "   1   2   3\n", "1/4=1 1/4=3 [F0,F2] []"},  // code 3
                                                                                      // skips
            {0x2, {2}, {8}, "   1.5-3\n", "2/8=1.5 [F0] []"},  // no exponent repair
            // Comma form: empty words drop, a comma anywhere switches the line,
            // a skipped code takes its word, a newline after the last comma is a word.
            {0x2, nodeTypes, nodeWidths, "17,1.5,,2.5\n", "1/8=17 2/16=1.5 2/16=2.5 [F0,F1,F2] []"},
            {0x2, {5, 1}, {8, 8}, "  a,b       1\n", "5/8='  a' 1/8=0 [F0,F1] []"},
            {0x2, {1, 3, 1}, {4, 4, 4}, "1,2,3\n", "1/4=1 1/4=3 [F0,F2] []"},
            {0x2, {1, 5}, {8, 8}, "5,\n", "1/8=5 5/8='\n' [F0,F1] []"},
            {0x2, {2, 1}, {8, 8}, "1.5-3,4,5,6\n", "2/8=1.5 1/8=4 [F0,F1] []"},
        },
        describe);
}

// A second call appends; a missing name throws and keeps what came before.
TEST_F(CardTest, AddFieldsAppendsAndAMissingNameKeepsEarlierValues) {
    Card card;
    fill(card, {0x2, {1}, {}, "1|9", ""});
    unsigned types[] = {1, 1}, two = 2;
    const char* names[] = {"A", nullptr};
    char word[] = "2";
    char* words[] = {word, word};
    EXPECT_THROW(card.addFields(two, types, names, words), std::logic_error);
    EXPECT_EQ(describe(card), "1/10=1 1/10=2 [F0,A] []");
}

// The header line only with names: '$' takes the first column, a name wider
// than its column (F2 in width 1) is written whole. The last value's own
// newline ends the line; one inside the line does not. The text is appended
// to what the string holds.
TEST_F(CardTest, TextHasHeaderOnlyWithNamesAndOneLineEnd) {
    const std::vector<unsigned> types = {2, 1, 1, 7, 1}, widths = {16, 8, 1, 10, 10};
    const std::string header = "$             F0      F1F2                  F4\n";
    const std::string values = "             1.5       21                   5\n";
    expectEach(
        {
            {0x2, types, widths, "1.5,2,1,x,5\n", header + values},
            {0x0, types, widths, "1.5,2,1,x,5\n", values},
            {0x0, {1, 5}, {10, 10}, "1,ab\n", "         1       ab\n"},
            {0x0, {5, 1}, {10, 10}, "ab\n,1", "       ab\n         1\n"},
            {0x0, {}, {}, "", "\n"},
        },
        [](Card& card) {
            std::string out = "kept:";
            card.tostring(out);
            return out.substr(5);
        });
}
