// Hostile decks through the host loop: odd line lengths, NUL and high bytes,
// comma floods, odd line ends, huge counts, odd keyword lines. Where the
// reading rules fix the outcome it is checked exactly; every deck is also run
// through every keyword under several flag words with bounds on what comes out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deckrun.h"

using namespace abimport;

namespace {

using Cards = std::vector<std::string>;

std::string repeat(const std::string& text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

const std::string kInteraction = "*AIRBAG_INTERACTION\n";
// A second interaction after the hostile line shows the host loop found its way on.
const std::string kNext = "*AIRBAG_INTERACTION\n         9\n";
const std::string kOnes = repeat("         1", 12);  // 120 characters
const std::string kNode = "       1             1.5             2.5             3.5";  // 56
const std::string kSevenOnes = "Interaction 1 1 1.0 1.0 1 1 1";
const std::string kBigNode =
    "NodeInfo 11111111:8 1.11111111111111e+15:16 1.11111111111111e+15:16 1.11111111111111e+15:16";

// The ALE airbag up to its ALEToCV card with the given NAIR, NGAS and NORIF
// fields, then two air card lines.
std::string aleWithCounts(const std::string& counts) {
    return "*AIRBAG_ALE\n       100         1\n       1.0\n         4\n        30\n"
           "         4         4         0\n"
           "       0.0                 0.0" +
           counts + "\n         1\n         1\n";
}
const Cards kAleCards = {"SetInfo 100 1", "AmbientCard 1.0", "Coupling 4", "VentHole 30",
                         "ALEMesh 4 4 0"};

Cards plus(Cards cards, const Cards& more) {
    cards.insert(cards.end(), more.begin(), more.end());
    return cards;
}

struct Hostile {
    const char* label;
    std::string deck;
    size_t keywords;
    Cards cards;
};

std::vector<Hostile> hostileDecks() {
    using std::string;
    return {
        // Line lengths: the library reads 127 characters; the host skips the rest.
        // Node and element importers read to the next keyword line; at the end
        // of the file they give one more card without fields.
        {"127-character line",
         kInteraction + kOnes + "      1\n" + kNext,
         2,
         {kSevenOnes, "Interaction 9"}},
        {"128-character line",
         kInteraction + kOnes + "       1\n" + kNext,
         2,
         {kSevenOnes, "Interaction 9"}},
        {"line of 4000 characters",
         kInteraction + repeat("         1", 400) + "\n" + kNext,
         2,
         {kSevenOnes, "Interaction 9"}},
        {"node line of 127 characters: its newline is a line of its own",
         "*AIRBAG_REFERENCE_GEOMETRY\n" + kNode + string(71, ' ') + "\n",
         1,
         {"NodeInfo 1:8 1.5:16 2.5:16 3.5:16", "NodeInfo empty=[NID,X,Y,Z]", "NodeInfo"}},
        {"node line of 128 characters: its last character is a line of its own",
         "*AIRBAG_REFERENCE_GEOMETRY\n" + kNode + string(71, ' ') + "7\n",
         1,
         {"NodeInfo 1:8 1.5:16 2.5:16 3.5:16", "NodeInfo 7:8 empty=[X,Y,Z]", "NodeInfo"}},
        {"node line of 3000 characters: 24 pieces",
         "*AIRBAG_REFERENCE_GEOMETRY_RDT\n" + string(3000, '1') + "\n", 1,
         plus(Cards(24, kBigNode), {"NodeInfo"})},
        // NUL bytes end a line's text; the count is of filled fields.
        {"NUL inside a field line",
         kInteraction + "         1" + string(1, '\0') + "        2         3\n" + kNext,
         2,
         {"Interaction 1 empty=[AB2]", "Interaction 9"}},
        {"NUL starts a line",
         kInteraction + string(1, '\0') + "         1\n" + kNext,
         2,
         {"Interaction", "Interaction 9"}},
        {"NUL inside a node line",
         "*AIRBAG_REFERENCE_GEOMETRY\n       1" + string(1, '\0') + "             1.5\n",
         1,
         {"NodeInfo 1:8 empty=[X,Y,Z]", "NodeInfo"}},
        // Comma floods and long comma words.
        {"200 commas",
         kInteraction + string(200, ',') + "\n" + kNext,
         2,
         {"Interaction", "Interaction 9"}},
        {"200 commas in a shell line: two pieces",
         "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n" + string(200, ',') + "\n",
         1,
         {"ShellInfo", "ShellInfo 0:8", "ShellInfo"}},
        {"100 comma words",
         kInteraction + repeat("1,", 99) + "1\n" + kNext,
         2,
         {kSevenOnes, "Interaction 9"}},
        {"64 comma words in a node line, 36 in the next piece",
         "*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n2.5\n" + repeat("1,", 99) + "1\n",
         1,
         {"BirthCard 2.5", "NodeInfo 1:8 1.0:16 1.0:16 1.0:16", "NodeInfo 1:8 1.0:16 1.0:16 1.0:16",
          "NodeInfo"}},
        {"126-character word: strtol saturates, low 32 bits kept",
         kInteraction + string(126, '1') + ",2\n" + kNext,
         2,
         {"Interaction -1", "Interaction 9"}},
        {"126-character word in a node line",
         "*AIRBAG_REFERENCE_GEOMETRY\n" + string(126, '1') + ",\n",
         1,
         {"NodeInfo -1:8", "NodeInfo empty=[NID,X,Y,Z]", "NodeInfo"}},
        // Missing and odd line ends.
        {"empty file", "", 0, {}},
        {"only comments", "$ one\n$ two", 0, {}},
        {"comments up to the end of the file", kInteraction + "$ one\n$ two\n", 1, {"Interaction"}},
        {"no newline anywhere", "*AIRBAG_INTERACTION", 1, {"Interaction"}},
        {"last line without newline",
         kInteraction + "         1         2",
         1,
         {"Interaction 1 2"}},
        {"shell line without newline",
         "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n       1       2",
         1,
         {"ShellInfo 1:8 2:8 empty=[N1,N2,N3,N4]", "ShellInfo"}},
        {"CRLF: the CR fills a field that is empty",
         "*AIRBAG_INTERACTION\r\n         1         2\r\n*AIRBAG_INTERACTION\r\n         9\r\n",
         2,
         {"Interaction 1 2 empty=[AREA]", "Interaction 9 empty=[AB2]"}},
        {"CRLF in comma form", kInteraction + "1,2\r\n", 1, {"Interaction 1 2"}},
        {"CRLF in a node line",
         "*AIRBAG_REFERENCE_GEOMETRY\n       1             1.5\r\n",
         1,
         {"NodeInfo 1:8 1.5:16 empty=[Y,Z]", "NodeInfo"}},
        {"lone CR: the whole deck is one keyword line",
         "*AIRBAG_INTERACTION\r         1         2\r*AIRBAG_INTERACTION\r         9\r",
         1,
         {"Interaction"}},
        {"tab starts a line", kInteraction + "\t1\t2\t3\n", 1, {"Interaction empty=[AB1]"}},
        {"tab starts a field",
         kInteraction + "         1\t        2\n",
         1,
         {"Interaction 1 empty=[AB2]"}},
        {"tab starts a comma word", kInteraction + "1,\t2\n", 1, {"Interaction 1 empty=[AB2]"}},
        {"bytes of 0x80 and above read as no number",
         kInteraction + "         1         2" + string(10, '\xe9') + "\xff\x80\n",
         1,
         {"Interaction 1 2 0.0 0.0"}},
        // Counts of -1 and 4294967295: cards until the keyword or the file ends;
        // at the end of the file each open loop gives one card without fields.
        {"NAIR -1 before a keyword line", aleWithCounts("        -14294967295         0") + kNext,
         2,
         plus(kAleCards, {"ALEToCV 0.0 _ 0.0 -1 -1 0", "AirCard _", "AirCard _", "Interaction 9"})},
        {"NAIR -1, NGAS 4294967295 up to the end of the file",
         aleWithCounts("        -14294967295         0"), 1,
         plus(kAleCards,
              {"ALEToCV 0.0 _ 0.0 -1 -1 0", "AirCard _", "AirCard _", "AirCard", "GasCard"})},
        {"advanced NAIR 4294967295 up to the end of the file",
         "*AIRBAG_ADVANCED_ALE\n         1\n         2\n         3\n         0\n       1.0\n"
         "       0.0                 0.04294967295\n         1\n         1\n",
         1,
         {"BagIDs 1", "HoleIDs 2", "InflIDs 3", "ALEMesh 0", "CVCard1 1.0", "CVCard2 0.0 _ 0.0 -1",
          "AirCard _", "AirCard _", "AirCard"}},
        {"advanced NAIR -1 before a keyword line",
         "*AIRBAG_ADVANCED_ALE\n\n\n\n\n\n       0.0                 0.0        -1\n         1\n" +
             kNext,
         2,
         {"BagIDs", "HoleIDs", "InflIDs", "ALEMesh", "CVCard1", "CVCard2 0.0 _ 0.0 -1", "AirCard _",
          "Interaction 9"}},
        // Keyword lines: long ones, mixed case, trailing text (a title in lower
        // case or with text after a blank: NinthKeyword's findKeyword).
        {"keyword line of 220 characters",
         "*AIRBAG_INTERACTION " + string(200, 'x') + "\n         1\n",
         1,
         {"Interaction 1"}},
        {"keyword line of 220 characters ends an import",
         kInteraction + "         1\n*AIRBAG_INTERACTION " + string(200, 'x') + "\n         5\n",
         2,
         {"Interaction 1", "Interaction 5"}},
        {"the rest of a long keyword line is no keyword",
         kInteraction + "         1\n*X" + string(130, 'x') + "*AIRBAG_INTERACTION\n         5\n",
         1,
         {"Interaction 1"}},
        {"title in mixed case with a tab and text",
         "*Airbag_Interaction\tabc\n         1\n",
         1,
         {"Interaction 1"}},
        {"longer title is another keyword", "*AIRBAG_INTERACTION_ID\n         1\n", 0, {}},
        {"title with a high byte is another keyword",
         "*AIRBAG_INTERACTION\xe9\n         1\n",
         0,
         {}},
    };
}

using HostileDecks = ImporterTest;

}  // namespace

TEST_F(HostileDecks, ImportExactlyAsTheReadingRulesSay) {
    Card::contFlag = Card::kBuildCards | Card::kReportIds;
    for (const Hostile& h : hostileDecks()) {
        SCOPED_TRACE(h.label);
        const DeckRun run = runDeck(h.deck);
        EXPECT_EQ(run.keywords, h.keywords);
        EXPECT_EQ(run.cards, h.cards);
    }
}

// Each deck behind every keyword title, under flag words with and without each
// bit: what comes out follows the flags and stays bounded by the deck's size.
TEST_F(HostileDecks, EveryKeywordTakesEveryDeckWithinBounds) {
    const unsigned flagWords[] = {0x0, 0x2, 0x4, 0x10, 0x16, 0xffffffff};
    for (const Hostile& h : hostileDecks()) {
        for (const KeywordDescription* keyword : keywordList()) {
            const std::string deck = "*" + std::string(keyword->title) + "\n" + h.deck;
            for (unsigned flags : flagWords) {
                SCOPED_TRACE(std::string(h.label) + " behind " + keyword->title + " flags " +
                             std::to_string(flags));
                Card::contFlag = flags;
                const DeckRun run = runDeck(deck);
                EXPECT_GE(run.keywords, 1u);
                // One card per line piece read, plus at most one chain of cards
                // without fields per keyword when the file ends inside it.
                EXPECT_LE(run.cards.size(), deck.size() + 11 * run.keywords);
                EXPECT_TRUE((flags & Card::kBuildCards) || run.cards.empty());
                EXPECT_TRUE((flags & Card::kReportIds) || run.calls.empty());
                EXPECT_TRUE(run.text.empty() || run.text.back() == '\n');
            }
        }
    }
}
