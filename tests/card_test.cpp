// Card: both addFields forms (words, raw lines) and the card's deck text.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/card.h"

namespace {

// Restores the host's flag word after each test that changes it.
class CardTest : public testing::Test {
protected:
    void TearDown() override { Card::contFlag = saved_; }

private:
    unsigned saved_ = Card::contFlag;
};

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : "|") + item;
    return out;
}

// A value's content through the getter for T, printed with format.
template <typename T>
std::string got(Data* value, const char* format) {
    T content{};
    value->value(&content);
    char text[64];
    std::snprintf(text, sizeof text, format, content);
    return text;
}

// One entry per value: "code/width=content", content read through the getter
// of the value's class ("_" for a placeholder, text in quotes).
std::string describe(const Card& card) {
    std::string out;
    for (Data* value : card.fields) {
        std::string content = "_";
        switch (value->typeCode) {
        case kUnsignedCode: content = got<unsigned>(value, "%u"); break;
        case kIntegerCode: content = got<int>(value, "%d"); break;
        case kDoubleCode: content = got<double>(value, "%g"); break;
        case kTextCode: content = got<char*>(value, "'%s'"); break;
        }
        out += (out.empty() ? "" : " ") + std::to_string(value->typeCode) + "/" +
               std::to_string(value->width) + "=" + content;
    }
    return out;
}

// Field names F0, F1, ... for a layout of n fields.
std::vector<const char*> fieldNamesFor(size_t n) {
    static const char* all[] = {"F0", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"};
    return std::vector<const char*>(all, all + n);
}

// Word-list addFields with as many words taken as there are types.
void addWords(Card& card, std::vector<unsigned> types, std::vector<const char*> names,
              const std::vector<const char*>& words) {
    std::vector<char*> list;
    for (const char* w : words) list.push_back(const_cast<char*>(w));
    unsigned count = static_cast<unsigned>(types.size());
    card.addFields(count, types.data(), names.data(), list.data());
}

struct Expected {
    const char* values;
    const char* names;
    const char* emptyNames;
};

void expectCard(const Card& card, const Expected& want) {
    EXPECT_EQ(describe(card), want.values);
    EXPECT_EQ(joined(card.fieldNames), want.names);
    EXPECT_EQ(joined(card.emptyFieldNames), want.emptyNames);
}

}  // namespace

TEST_F(CardTest, WordListFormConvertsByCodeAndRecordsNames) {
    struct Case {
        const char* label;
        unsigned flag;
        std::vector<unsigned> types;
        std::vector<const char*> words;
        Expected want;
    } cases[] = {
        {"names kept", 0x2, {1, 2, 5}, {"7", "2.5", "text\n"},
         {"1/10=7 2/10=2.5 5/10='text\n'", "F0|F1|F2", ""}},
        {"names dropped", 0x4, {1, 2, 5}, {"7", "2.5", "text\n"},
         {"1/10=7 2/10=2.5 5/10='text\n'", "", ""}},
        {"empty words, whatever the code", 0x2, {0, 1, 2, 5, 7, 3},
         {nullptr, "", "\n", "\tx", "\r", ""},
         {"", "", "F0|F1|F2|F3|F4|F5"}},
        {"placeholder ignores its word", 0x2, {7, 7}, {"anything", " "},
         {"8/10=_ 8/10=_", " | ", ""}},
        {"codes without a class leave no trace", 0x2, {3, 4, 6, 9, 1}, {"1", "2", "3", "4", "5"},
         {"1/10=5", "F4", ""}},
        {"parsers as the C library reads them", 0x0, {0, 1, 2, 1, 2, 5, 1, 1, 1},
         {"-1", "2.9", "1.5e-3", "   ", "abc", "  ", "4294967297", " 12abc\n", "010"},
         {"0/10=4294967295 1/10=2 2/10=0.0015 1/10=0 2/10=0 5/10='  ' 1/10=1 1/10=12 1/10=10", "",
          ""}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Card::contFlag = c.flag;
        Card card;
        addWords(card, c.types, fieldNamesFor(c.types.size()), c.words);
        expectCard(card, c.want);
    }
}

TEST_F(CardTest, AddFieldsAppendsAndTakesOnlyCountWords) {
    Card::contFlag = 0x2;
    Card card;
    addWords(card, {1}, {"A"}, {"1", "2"});
    addWords(card, {1, 1}, {"A", "B"}, {"1", "2"});
    expectCard(card, {"1/10=1 1/10=1 1/10=2", "A|A|B", ""});
}

TEST_F(CardTest, MissingNameThrowsAndKeepsEarlierValues) {
    Card::contFlag = 0x2;
    Card card;
    EXPECT_THROW(addWords(card, {1, 1}, {"A", nullptr}, {"1", "2"}), std::logic_error);
    expectCard(card, {"1/10=1", "A", ""});
}

TEST_F(CardTest, RawLineFormCutsColumnsOrCommaWords) {
    const std::vector<unsigned> nodeTypes = {1, 2, 2, 2}, nodeWidths = {8, 16, 16, 16};
    const std::string node = "       1             1.5             2.5             3.5\n";
    struct Case {
        const char* label;
        unsigned flag;
        std::vector<unsigned> types, widths;
        std::string line;
        Expected want;
    } cases[] = {
        {"node line", 0x2, nodeTypes, nodeWidths, node,
         {"1/8=1 2/16=1.5 2/16=2.5 2/16=3.5", "F0|F1|F2|F3", ""}},
        {"names dropped", 0x4, nodeTypes, nodeWidths, node,
         {"1/8=1 2/16=1.5 2/16=2.5 2/16=3.5", "", ""}},
        {"short line", 0x2, nodeTypes, nodeWidths, "       1\n", {"1/8=1", "F0", "F1|F2|F3"}},
        {"only a newline", 0x2, nodeTypes, nodeWidths, "\n", {"", "", "F0|F1|F2|F3"}},
        {"fields of spaces are not empty", 0x2, {1, 2, 5}, {4, 4, 4}, "            \n",
         {"1/4=0 2/4=0 5/4='    '", "F0|F1|F2", ""}},
        {"tab or carriage return first is empty", 0x2, {1, 1, 1}, {4, 4, 4}, "   1\t  2\r  3\n",
         {"1/4=1", "F0", "F1|F2"}},
        {"-1 as unsigned", 0x2, {0}, {8}, "      -1\n", {"0/8=4294967295", "F0", ""}},
        {"placeholder keeps its width", 0x2, {7, 7, 7}, {8, 16, 8}, "     abc\n",
         {"8/8=_", " ", "F1|F2"}},
        {"skipped code still advances", 0x2, {1, 3, 1}, {4, 4, 4}, "   1   2   3\n",
         {"1/4=1 1/4=3", "F0|F2", ""}},
        {"count 0", 0x2, {}, {}, "   1\n", {"", "", ""}},
        {"no exponent repair", 0x2, {2}, {8}, "   1.5-3\n", {"2/8=1.5", "F0", ""}},
        {"comma form drops empty words", 0x2, nodeTypes, nodeWidths, "17,1.5,,2.5\n",
         {"1/8=17 2/16=1.5 2/16=2.5", "F0|F1|F2", ""}},
        {"a comma inside a field switches the line", 0x2, {5, 1}, {8, 8}, "  a,b       1\n",
         {"5/8='  a' 1/8=0", "F0|F1", ""}},
        {"skipped code consumes its word", 0x2, {1, 3, 1}, {4, 4, 4}, "1,2,3\n",
         {"1/4=1 1/4=3", "F0|F2", ""}},
        {"newline after a trailing comma is a word", 0x2, {1, 5}, {8, 8}, "5,\n",
         {"1/8=5 5/8='\n'", "F0|F1", ""}},
        {"no repair in comma form", 0x2, {2, 1}, {8, 8}, "1.5-3,4,5,6\n",
         {"2/8=1.5 1/8=4", "F0|F1", ""}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Card::contFlag = c.flag;
        Card card;
        std::vector<char> line(c.line.begin(), c.line.end());
        line.resize(128, '\0');  // as the reader's zero-filled line buffer
        std::vector<const char*> names = fieldNamesFor(c.types.size());
        unsigned count = static_cast<unsigned>(c.types.size());
        card.addFields(count, c.types.data(), c.widths.data(), names.data(), line.data());
        expectCard(card, c.want);
    }
}

TEST_F(CardTest, TextHasHeaderOnlyWithNamesAndOneLineEnd) {
    struct Field {
        Data* value;
        const char* name;
    };
    struct Case {
        const char* label;
        std::vector<Field> fields;
        bool names;
        std::string text;
    } cases[] = {
        {"header and values",
         {{new Integer(10, 10), "NODEID"},
          {new Integer(10, 3), "VECID"},
          {new Double(10, 0.25), "ORIFARE"}},
         true,
         "$   NODEID     VECID   ORIFARE\n        10         3      0.25\n"},
        {"values only", {{new Integer(10, 10), "NODEID"}, {new Double(10, 0.25), "ORIFARE"}}, false,
         "        10      0.25\n"},
        {"first column of width 16", {{new Double(16, 1.5), "X"}, {new Integer(8, 2), "N"}}, true,
         "$              X       N\n             1.5       2\n"},
        {"name wider than its column",
         {{new Integer(10, 1), "AVERYLONGNAME"}, {new Integer(10, 2), "B"}}, true,
         "$AVERYLONGNAME         B\n         1         2\n"},
        {"placeholder", {{new BlankObject(10), " "}, {new Integer(10, 5), "A"}}, true,
         "$                  A\n                   5\n"},
        {"last text keeps its newline",
         {{new Integer(10, 1), "A"}, {new CharArray(10, "ab\n"), "T"}}, false,
         "         1       ab\n"},
        {"newline inside the line",
         {{new CharArray(10, "ab\n"), "T"}, {new Integer(10, 1), "A"}}, false,
         "       ab\n         1\n"},
        {"neither names nor values", {}, false, "\n"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Card card;
        for (const Field& f : c.fields) {
            card.fields.push_back(f.value);
            if (c.names) card.fieldNames.emplace_back(f.name);
        }
        std::string out = "kept:";
        card.tostring(out);
        EXPECT_EQ(out, "kept:" + c.text);
    }
}

TEST_F(CardTest, PlaceholderFromWordsWritesBlankColumns) {
    Card::contFlag = 0x2;
    Card card;
    addWords(card, {1, 7}, {"A", "B"}, {"5", "x"});
    std::string out;
    card.tostring(out);
    EXPECT_EQ(out, "$        A          \n         5          \n");

    char buffer[8] = "intact";
    card.tostring(buffer);  // a card writes nothing into a scratch buffer
    EXPECT_STREQ(buffer, "intact");
}
