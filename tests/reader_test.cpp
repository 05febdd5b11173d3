// The card line reader: line kinds, the keyword flag, fixed and comma forms,
// the exponent repair, long lines and the end of the file.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "deckfile.h"
#include "frame/dataline.h"

namespace {

using Words = std::vector<std::string>;

// A DataLine over a deck held in memory.
class Deck {
public:
    explicit Deck(std::string text) : file_(std::move(text)), line(file_.get()) {}

    // The words one read delivers.
    Words read(unsigned request) {
        unsigned count = request;
        char** words = line.readNextCardAsWords(count);
        EXPECT_EQ(words, line.wordBuffers);
        return Words(words, words + count);
    }
    std::string word(unsigned i) const { return line.wordBuffers[i]; }

private:
    DeckFile file_;

public:
    DataLine line;
};

}  // namespace

TEST(Reader, ClassifiesLinesByFirstCharacter) {
    struct Case {
        const char* label;
        std::string deck;
        Words words;
        unsigned flags;
    } cases[] = {
        {"comments before a data line", "$ one\n$ two\n         1\n", {"         1"}, 0},
        {"blank line", "\n         1\n", {}, 0},
        {"blank before '*'", " *KEY\n", {" *KEY\n"}, 0},
        {"blank before '$'", " $ c\n", {" $ c\n"}, 0},
        {"keyword line", "*KEY\n         1\n", {}, DataLine::kKeywordReached},
        {"keyword after comments", "$ c\n*KEY\n", {}, DataLine::kKeywordReached},
        {"empty deck", "", {}, 0},
        {"only comments", "$ c\n", {}, 0},
        {"line that begins with NUL", std::string("\0                  1\n", 21), {}, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Deck deck(c.deck);
        EXPECT_EQ(deck.read(2), c.words);
        EXPECT_EQ(deck.line.flags, c.flags);
    }
}

TEST(Reader, KeywordFlagIsStickyAndTheLineIsKept) {
    Deck deck("*NEXT KEYWORD\n         1\n");
    EXPECT_EQ(deck.read(1), Words{});
    EXPECT_STREQ(deck.line.lineBuffer, "*NEXT KEYWORD\n");
    EXPECT_STREQ(deck.line.keywordLine, "*NEXT KEYWORD\n");

    // Every further read ends at once, zeroes lineBuffer and reads nothing.
    EXPECT_EQ(deck.read(1), Words{});
    EXPECT_EQ(deck.line.flags, DataLine::kKeywordReached);
    EXPECT_EQ(std::string(deck.line.lineBuffer, DataLine::kLineBufferSize),
              std::string(DataLine::kLineBufferSize, '\0'));
    EXPECT_STREQ(deck.line.keywordLine, "*NEXT KEYWORD\n");

    deck.line.flags &= ~DataLine::kKeywordReached;  // the host starts the next keyword
    EXPECT_EQ(deck.read(1), Words{"         1"});
    EXPECT_EQ(deck.line.flags, 0u);
    EXPECT_STREQ(deck.line.keywordLine, "*NEXT KEYWORD\n");
}

TEST(Reader, FixedFormCutsTenColumnFields) {
    struct Case {
        const char* label;
        std::string line;
        unsigned request;
        unsigned count;
        Words words;  // all requested word buffers
    } cases[] = {
        {"line ends before the last field", "         1         2\n", 3, 2,
         {"         1", "         2", "\n"}},
        {"blank middle field counts", "         1                   3\n", 3, 3,
         {"         1", "          ", "         3"}},
        {"line ends inside a field", "    1\n", 2, 1, {"    1\n", ""}},
        {"no blanks between fields", "abcdefghijklmnopqrstuvwxy\n", 3, 3,
         {"abcdefghij", "klmnopqrst", "uvwxy\n"}},
        {"request of 0", "         1\n", 0, 0, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Deck deck(c.line + "         9\n");
        EXPECT_EQ(deck.read(c.request).size(), c.count);
        for (unsigned i = 0; i < c.request; ++i) EXPECT_EQ(deck.word(i), c.words[i]) << i;
        EXPECT_EQ(deck.line.wordIndex, c.request);
        EXPECT_EQ(deck.line.filledCount, c.count);
        EXPECT_EQ(deck.read(1), Words{"         9"});  // the line was consumed whole
    }
}

TEST(Reader, CommaFormSplitsAtCommasOnly) {
    std::string sixtyFourOnes;
    for (int i = 0; i < 64; ++i) sixtyFourOnes += i ? ",1" : "1";
    const std::string longWord(126, '7');
    struct Case {
        const char* label;
        std::string line;
        Words words;
    } cases[] = {
        {"adjacent commas collapse", "1,,3\n", {"1", "3\n"}},
        {"words keep their blanks", "   1,  a b ,\n", {"   1", "  a b ", "\n"}},
        {"only commas", ",,,\n", {"\n"}},
        {"only commas, no newline", ",,,", {}},
        {"leading comma", ",5,6\n", {"5", "6\n"}},
        {"more words than requested", "1,2,3,4\n", {"1", "2", "3", "4\n"}},
        {"comma inside a fixed field", "         1      a,b          3\n",
         {"         1      a", "b          3\n"}},
        {"64 words in 127 characters", sixtyFourOnes, Words(64, "1")},
        {"126-character word", longWord + ",", {longWord}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        Deck deck(c.line);
        EXPECT_EQ(deck.read(2), c.words);
        EXPECT_EQ(deck.line.wordIndex, c.words.size());
        EXPECT_EQ(deck.line.flags, 0u);
    }
}

TEST(Reader, CommaFormLeavesLaterBuffersButEndsEveryWord) {
    Deck deck("1,2,3,4\nabcdefghijklmnopqrstuvwxyz,\n0123456789ABC,y\n         5\n  1.2345-3\n");
    deck.read(2);
    deck.read(2);
    EXPECT_EQ(deck.read(2), (Words{"0123456789ABC", "y\n"}));  // not "0123456789ABCnop..."
    EXPECT_EQ(deck.word(2), "3");
    EXPECT_EQ(deck.word(3), "4\n");
    EXPECT_EQ(deck.read(1), Words{"         5"});
    EXPECT_EQ(deck.read(1), Words{"  1.2345e-3"});
}

TEST(Reader, ExponentRepair) {
    struct Case {
        const char* line;
        unsigned index;
        const char* word;
    } cases[] = {
        // Fixed form: the sign counts in column 9, else column 8 of the field.
        {"  1.2345-3\n", 0, "  1.2345e-3"},
        {"  1.234-10\n", 0, "  1.234e-10"},
        {"  -1.234-5\n", 0, "  -1.234e-5"},
        {"   -1.5-3\n", 0, "   -1.5e-3\n"},  // the newline stands in column 10
        {"1.5-3     \n", 0, "1.5-3     "},
        {"1.5-3\n", 0, "1.5-3\n"},
        {"  1.234E-3\n", 0, "  1.234E-3"},
        {"  1.234e-3\n", 0, "  1.234e-3"},
        {"   12345-3\n", 0, "   12345-3"},
        {"       -1.\n", 0, "       -1."},  // a number's own leading sign is spared
        {"       -.5\n", 0, "       -.5"},
        {"       +2.\n", 0, "       +2."},
        // Comma form: the word's own last characters, its newline included.
        {"1.5-3,\n", 0, "1.5e-3"},
        {"2.5+12,\n", 0, "2.5e+12"},
        {"-1.5-3,\n", 0, "-1.5e-3"},
        {"0,1.5-3\n", 1, "1.5e-3\n"},
        {"0,1.5-10\n", 1, "1.5-10\n"},
        {"-1.,\n", 0, "-1."},
        {"-.5,\n", 0, "-.5"},
        {"+2.,\n", 0, "+2."},
        {"  -1.,\n", 0, "  -1."},
        {"-.,\n", 0, "-."},
        {"5-3,\n", 0, "5-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Deck deck(c.line);
        deck.read(1);
        EXPECT_EQ(deck.word(c.index), c.word);
    }
}

TEST(Reader, LongLinesAreReadInPiecesClassifiedAlone) {
    const std::string piece = "         1" + std::string(117, 'x');  // 127 characters
    Deck deck(piece + "$ tail\n" + piece + "*KEY\n");
    EXPECT_EQ(deck.read(1), Words{"         1"});
    EXPECT_EQ(deck.read(1), Words{"         1"});  // the "$ tail" piece was a comment
    EXPECT_EQ(deck.read(1), Words{});
    EXPECT_EQ(deck.line.flags, DataLine::kKeywordReached);
    EXPECT_STREQ(deck.line.keywordLine, "*KEY\n");
}

TEST(Reader, EndOfFileLeavesKeywordFlagClear) {
    Deck deck("         1");
    EXPECT_EQ(deck.read(1), Words{"         1"});
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(deck.read(1), Words{});
        EXPECT_EQ(deck.line.flags, 0u);
        EXPECT_TRUE(deck.line.endOfFile);
    }
}

// Each thread reads its own deck; a split with shared state would mix words.
TEST(Reader, SeparateDecksReadOnSeparateThreads) {
    auto readAll = [](char tag, int* wrong) {
        const Words expected = {std::string(1, tag), std::string("aa") + tag,
                                std::string("bbb") + tag + "\n"};
        std::string text;
        for (int i = 0; i < 2000; ++i) text += expected[0] + "," + expected[1] + "," + expected[2];
        Deck deck(text);
        for (int i = 0; i < 2000; ++i) *wrong += deck.read(3) != expected;
    };
    int wrongA = 0, wrongB = 0;
    std::thread a(readAll, 'A', &wrongA), b(readAll, 'B', &wrongB);
    a.join();
    b.join();
    EXPECT_EQ(wrongA + wrongB, 0);
}
