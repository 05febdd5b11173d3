// The card line reader: line kinds, the keyword flag, fixed and comma forms,
// the exponent repair, long lines and the end of the file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../frame/dataline.h"
#include "deckfile.h"

using namespace abimport;

namespace {

using Words = std::vector<std::string>;
constexpr unsigned kKeyword = DataLine::kKeywordReached;
constexpr unsigned kEnd = 0x100;  // not a flag: the reader met the end of the file

// A DataLine over a deck held in memory.
struct Deck {
    explicit Deck(std::string text) : file(std::move(text)), line(file.get()) {}
    // The words one read delivers and the flags after it, with kEnd once the
    // file has ended.
    std::pair<Words, unsigned> read(unsigned count) {
        char** words = line.readNextCardAsWords(count);
        EXPECT_EQ(words, line.wordBuffers);
        return {Words(words, words + count), line.flags | (line.endOfFile ? kEnd : 0)};
    }
    std::string word(unsigned i) const { return line.wordBuffers[i]; }
    DeckFile file;
    DataLine line;
};

}  // namespace

// Each row: the words and flags of the first two reads of a deck, two fields
// requested. Comments are skipped; a blank line is a fixed-form line of no
// words; a blank before '*' or '$' makes a data line; a keyword line sets the
// flag, and the next read ends at once; commas alone without a newline give no
// word; a line that begins with NUL gives no word; lines over 127 characters
// come in pieces, each classified alone.
TEST(Reader, ClassifiesLinesAndEndsAtKeywordOrEndOfFile) {
    const std::string piece = "         1" + std::string(117, 'x');  // 127 characters
    const Words cut = {"         1", "xxxxxxxxxx"};
    struct Case {
        std::string deck;
        Words first;
        unsigned flags1;
        Words second;
        unsigned flags2;
    };
    const Case cases[] = {
        {"$ one\n$ two\n         1\n", {"         1"}, 0, {}, kEnd},
        {"", {}, kEnd, {}, kEnd},
        {"\n         1\n", {}, 0, {"         1"}, 0},
        {",,,", {}, 0, {}, kEnd},
        {"$ c\n*KEY\n         1\n", {}, kKeyword, {}, kKeyword},
        {"$ c\n", {}, kEnd, {}, kEnd},
        {" *KEY\n $\n", {" *KEY\n"}, 0, {" $\n"}, 0},
        {"         1", {"         1"}, 0, {}, kEnd},
        {std::string("\0                  1\n", 21), {}, 0, {}, kEnd},
        {piece + "$ tail\n" + piece, cut, 0, cut, 0},
        {piece + "*KEY\n", cut, 0, {}, kKeyword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deck);
        Deck deck(c.deck);
        EXPECT_EQ(deck.read(2), std::make_pair(c.first, c.flags1));
        EXPECT_EQ(deck.read(2), std::make_pair(c.second, c.flags2));
    }
}

TEST(Reader, KeywordLineIsKeptUntilTheHostClearsTheFlag) {
    Deck deck("*NEXT KEYWORD\n         1\n");
    deck.read(1);
    EXPECT_STREQ(deck.line.lineBuffer, "*NEXT KEYWORD\n");
    deck.read(1);  // ends at once and zeroes lineBuffer
    EXPECT_EQ(std::string(deck.line.lineBuffer, DataLine::kLineBufferSize),
              std::string(DataLine::kLineBufferSize, '\0'));
    deck.line.flags &= ~kKeyword;  // the host starts the next keyword
    EXPECT_EQ(deck.read(1), std::make_pair(Words{"         1"}, 0u));
    EXPECT_STREQ(deck.line.keywordLine, "*NEXT KEYWORD\n");
}

// Each row: a data line, the count requested, the words delivered, wordIndex
// after the read, and the word buffers that must hold what the row says. A
// fixed-form read rewrites all requested buffers; a comma-form read ignores the
// request and delivers every word.
TEST(Reader, CutsFixedColumnsOrCommaWordsAndConsumesTheLine) {
    std::string sixtyFourOnes = "1";
    for (int i = 1; i < 64; ++i) sixtyFourOnes += ",1";
    const std::string longWord(126, '7');
    struct Case {
        std::string line;
        unsigned request, count, index;
        Words buffers;
    } cases[] = {
        {"         1         2\n", 3, 2, 3, {"         1", "         2", "\n"}},
        {"         1                   3\n", 3, 3, 3, {"         1", "          ", "         3"}},
        {"abcdefghijklmnopqrstuvwxy\n", 3, 3, 3, {"abcdefghij", "klmnopqrst", "uvwxy\n"}},
        {"    1\n", 2, 1, 2, {"    1\n", ""}},
        {"         1\n", 0, 0, 0, {}},
        {"1,,3\n", 1, 2, 2, {"1", "3\n"}},
        {"   1,  a b ,\n", 2, 3, 3, {"   1", "  a b ", "\n"}},
        {"         1      a,b          3\n", 2, 2, 2, {"         1      a", "b          3\n"}},
        {sixtyFourOnes, 2, 64, 64, Words(64, "1")},
        {longWord + ",", 2, 1, 1, {longWord}},
        {",5,6\n", 2, 2, 2, {"5", "6\n"}},
        {",,,\n", 2, 1, 1, {"\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Deck deck(c.line + "         9\n");
        EXPECT_EQ(deck.read(c.request).first.size(), c.count);
        EXPECT_EQ(deck.line.wordIndex, c.index);
        for (unsigned i = 0; i < c.buffers.size(); ++i) EXPECT_EQ(deck.word(i), c.buffers[i]) << i;
        EXPECT_EQ(deck.read(1).first, Words{"         9"});  // the line was consumed whole
    }
}

TEST(Reader, CommaFormLeavesLaterBuffersButEndsEveryWord) {
    Deck deck("1,2,3,4\nabcdefghijklmnopqrstuvwxyz,\n0123456789ABC,y\n");
    deck.read(2);
    deck.read(2);
    EXPECT_EQ(deck.read(2).first, (Words{"0123456789ABC", "y\n"}));  // not "0123456789ABCnop..."
    EXPECT_EQ(deck.word(2) + deck.word(3), "34\n");
}

// Fixed form: the sign counts in column 9, else column 8 of the field, and a
// number's own leading sign is spared. Comma form: the word's own last
// characters, its newline included.
TEST(Reader, ExponentRepair) {
    struct Case {
        const char* line;
        const char* word;
    } cases[] = {
        {"  1.2345-3\n", "  1.2345e-3"},
        {"  1.234-10\n", "  1.234e-10"},
        {"  -1.234-5\n", "  -1.234e-5"},
        {"   -1.5-3\n", "   -1.5e-3\n"},
        {"1.5-3     \n", "1.5-3     "},
        {"1.5-3\n", "1.5-3\n"},
        {"  1.234E-3\n", "  1.234E-3"},
        {"  1.234e-3\n", "  1.234e-3"},
        {"   12345-3\n", "   12345-3"},
        {"       -1.\n", "       -1."},
        {"       -.5\n", "       -.5"},
        {"       +2.\n", "       +2."},
        {"1.5-3,\n", "1.5e-3"},
        {"2.5+12,\n", "2.5e+12"},
        {"-1.5-3,\n", "-1.5e-3"},
        {",1.5-3\n", "1.5e-3\n"},
        {",1.5-10\n", "1.5-10\n"},
        {"-1.,\n", "-1."},
        {"-.5,\n", "-.5"},
        {"+2.,\n", "+2."},
        {"  -1.,\n", "  -1."},
        {"-.,\n", "-."},
        {"1.5+-3,\n", "1.5+e-3"},
        {"5-3,\n", "5-3"},
    };
    for (const Case& c : cases) {
        Deck deck(c.line);
        deck.read(1);
        EXPECT_EQ(deck.word(0), c.word) << c.line;
    }
}

// Two readers cut two comma decks on two threads at once: the comma split
// keeps its place per reader, so each thread gets exactly its own words.
TEST(Reader, ThreadsCutTwoCommaDecksAtOnce) {
    auto deckOf = [](char tag) {
        std::string text;
        for (int line = 0; line < 2000; ++line)
            text += std::string(1, tag) + ",1.5-3,,2" + tag + "\n";
        return text;
    };
    std::vector<unsigned> wrong(2, 0);
    auto readAll = [&](char tag, unsigned& mismatches) {
        Deck deck(deckOf(tag));
        const Words expected = {std::string(1, tag), "1.5e-3", std::string("2") + tag + "\n"};
        for (int line = 0; line < 2000; ++line)
            if (deck.read(4).first != expected) ++mismatches;
    };
    std::thread first(readAll, 'a', std::ref(wrong[0]));
    std::thread second(readAll, 'b', std::ref(wrong[1]));
    first.join();
    second.join();
    EXPECT_EQ(wrong, std::vector<unsigned>(2, 0));
}
