// The four reference geometry keywords and the shell reference geometry: node
// and element lines of 8 and 16 columns read whole until the next keyword.
#include "importharness.h"

namespace {

using GeometryTest = ImporterTest;

std::string nodeColumns(const std::string& deck) {
    return fixedDeck(deck, {8, 16});
}
std::string shellColumns(const std::string& deck) {
    return fixedDeck(deck, {8});
}

struct Variant {
    const char* name;
    ImportFunction import;
    bool birth;
} const kVariants[] = {
    {"plain", importABReferenceGeometry, false},
    {"birth", importABRefGeometryBirth, true},
    {"birth RDT", importABRefGeoBirthRDT, true},
    {"RDT", importABRefGeometryRDT, false},
};

const std::string kNode1 = "NodeInfo NID=1:8 X=0.5:16 Y=1.5:16 Z=2.5:16";
const std::string kNode2 = "NodeInfo NID=2:8 X=-1.0:16 Y=0.0:16 Z=3.25:16";
const std::string kNodes = "1 0.5 1.5 2.5\n2 -1.0 0.0 3.25\n";
const std::string kNoNode = "addIDToRefFile 0:@7/9999";
const Lines kNodeIds = {"addIDToRefFile 0:1@7/9999", "addIDToRefFile 0:2@7/9999"};

}  // namespace

TEST_F(GeometryTest, EveryVariantReadsNodesUntilTheKeywordOrTheEnd) {
    struct Case {
        const char* label;
        std::string birthLine, body;
        std::string birthCard;  // what the birth variants build first ("": nothing)
        Lines nodes, calls;
        std::string rest, keyword;
    } cases[] = {
        {"nodes up to the keyword",
         "0.001\n",
         kNodes + "*NEXT\n3 1.0\n",
         "BirthCard BIRTH=0.001",
         {kNode1, kNode2},
         kNodeIds,
         "3 1.0\n",
         "*NEXT\n"},
        {"comment and blank lines",
         "0.001\n",
         "$ c\n1 0.5 1.5 2.5\n\n$\n2 -1.0 0.0 3.25\n*NEXT\n",
         "BirthCard BIRTH=0.001",
         {kNode1, "NodeInfo empty=[NID,X,Y,Z]", kNode2},
         {kNodeIds[0], kNoNode, kNodeIds[1]},
         "",
         "*NEXT\n"},
        {"deck ends after the nodes",
         "0.001\n",
         kNodes,
         "BirthCard BIRTH=0.001",
         {kNode1, kNode2, "NodeInfo"},
         {kNodeIds[0], kNodeIds[1], kNoNode},
         "",
         ""},
        {"keyword at once", "", "*NEXT\n3 1.0\n", "", {}, {}, "3 1.0\n", "*NEXT\n"},
        {"empty deck", "", "", "BirthCard", {"NodeInfo"}, {kNoNode}, "", ""},
    };
    Card::contFlag = 0x16;
    for (const Variant& v : kVariants) {
        for (const Case& c : cases) {
            for (DeckForm form : {DeckForm(nodeColumns), DeckForm(commaDeck)}) {
                const std::string deck = form((v.birth ? c.birthLine : "") + c.body);
                SCOPED_TRACE(std::string(v.name) + ", " + c.label + "\n" + deck);
                Lines cards = c.nodes;
                if (v.birth && !c.birthCard.empty()) cards.insert(cards.begin(), c.birthCard);
                ImportRun run = runImport(v.import, deck);
                EXPECT_EQ(run.result, 0u);
                EXPECT_EQ(run.cards, cards);
                EXPECT_EQ(run.calls, c.calls);  // the birth card is never reported
                EXPECT_EQ(run.rest, form(c.rest));
                EXPECT_EQ(run.keywordLine, c.keyword);
            }
        }
    }
}

TEST_F(GeometryTest, FlagWordDoesNotChangeWhichLinesAreRead) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.name);
        expectFlagsOnlySelect(v.import,
                              commaDeck((v.birth ? "0.001\n" : "") + kNodes + "*NEXT\n1\n"),
                              v.birth ? "BirthCard NodeInfo NodeInfo" : "NodeInfo NodeInfo",
                              "addIDToRefFile addIDToRefFile", "1\n");
    }
}

TEST_F(GeometryTest, ShellReadsElementsUntilTheKeywordOrTheEnd) {
    const std::string element = "100 1 11 12 13 14\n";
    const std::string card = "ShellInfo EID=100:8 PID=1:8 N1=11:8 N2=12:8 N3=13:8 N4=14:8";
    const std::string ids =
        "addIDToRefFile 0:100@6/41 1:1@5/9999 2:11@7/9999 3:12@7/9999 4:13@7/9999 5:14@7/9999";
    const std::string noIds =
        "addIDToRefFile 0:@6/41 1:@5/9999 2:@7/9999 3:@7/9999 4:@7/9999 5:@7/9999";
    Card::contFlag = 0x16;
    expectCards(
        importABShellRefGeometry,
        {
            {"elements up to the keyword",
             element + element + "*NEXT\n1\n",
             {card, card},
             {ids, ids},
             "1\n"},
            {"comment and blank lines",
             "$ c\n" + element + "\n$\n*NEXT\n",
             {card, "ShellInfo empty=[EID,PID,N1,N2,N3,N4]"},
             {ids, noIds},
             ""},
            {"deck ends after the elements", element, {card, "ShellInfo"}, {ids, noIds}, ""},
            {"keyword at once", "*NEXT\n" + element, {}, {}, element},
        },
        {shellColumns, commaDeck});
    expectFlagsOnlySelect(importABShellRefGeometry, shellColumns(element + element) + "*NEXT\n1\n",
                          "ShellInfo ShellInfo", "addIDToRefFile addIDToRefFile", "1\n");
}

TEST_F(GeometryTest, ShellFieldPastTheLineEndIsEmptyAndBlanksReadAsZero) {
    const std::string first5 = "ShellInfo EID=100:8 PID=1:8 N1=11:8 N2=12:8 N3=13:8 ";
    const std::string ids =
        "addIDToRefFile 0:100@6/41 1:1@5/9999 2:11@7/9999 3:12@7/9999 4:13@7/9999 5:@7/9999";
    Card::contFlag = 0x16;
    for (bool blanks : {false, true}) {
        Lines texts = {"100", "1", "11", "12", "13"};
        if (blanks) texts.push_back("");
        ImportRun run = runImport(importABShellRefGeometry, fixedRow(texts, {8}));
        ASSERT_EQ(run.cards.size(), 2u);  // the second: the end of the deck
        EXPECT_EQ(run.cards[0], first5 + (blanks ? "N4=0:8" : "empty=[N4]"));
        EXPECT_EQ(run.calls[0], ids);
    }
}
