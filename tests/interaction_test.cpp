// The airbag interaction keyword: one card, its ID report, and the frame's
// handling of Card::contFlag, short cards and the end of the deck.
#include "importharness.h"

namespace {

using InteractionTest = ImporterTest;

const std::string kCard = "1 2 1.5 1.0 10 20 0\n";
const std::string kFullCard = "Interaction AB1=1 AB2=2 AREA=1.5 SF=1.0 PID=10 LCID=20 IFLOW=0";
const std::string kReport = "addIDToRefFile 0:1@19/9999 1:2@19/9999 4:10@5/9999 5:20@1/33";

}  // namespace

TEST_F(InteractionTest, ReadsExactlyOneCard) {
    Card::contFlag = 0x16;
    expectCards(importABInteraction,
                {
                    {"fixed form", fixedDeck(kCard + "*NEXT\n"), {kFullCard}, {kReport}, "*NEXT\n"},
                    {"comma form", commaDeck(kCard + "*NEXT\n"), {kFullCard}, {kReport}, "*NEXT\n"},
                    {"comma words beyond the seventh are dropped",
                     "1,2,1.5,1.0,10,20,0,77,88\n",
                     {kFullCard},
                     {kReport},
                     ""},
                    {"comment lines first",
                     "$ AB1 AB2\n$\n" + fixedDeck(kCard),
                     {kFullCard},
                     {kReport},
                     ""},
                    {"a second card stays unread",
                     fixedDeck(kCard + kCard + "*NEXT\n"),
                     {kFullCard},
                     {kReport},
                     fixedDeck(kCard) + "*NEXT\n"},
                    {"keyword line at once", "*NEXT\n1,2\n", {}, {}, "1,2\n"},
                    {"short fixed card",
                     fixedRow({"1", "2"}),
                     {"Interaction AB1=1 AB2=2"},
                     {"addIDToRefFile 0:1@19/9999 1:2@19/9999 4:@5/9999 5:@1/33"},
                     ""},
                    {"blank line is a card without fields",
                     "\n*NEXT\n",
                     {"Interaction"},
                     {"addIDToRefFile 0:@19/9999 1:@19/9999 4:@5/9999 5:@1/33"},
                     "*NEXT\n"},
                    {"end of the deck before the card",
                     "$ only a comment\n",
                     {"Interaction"},
                     {"addIDToRefFile 0:@19/9999 1:@19/9999 4:@5/9999 5:@1/33"},
                     ""},
                },
                {asWritten});
}

TEST_F(InteractionTest, FlagWordSelectsReportCardAndNames) {
    const std::string valuesOnly = "Interaction 1 2 1.5 1.0 10 20 0";
    struct Case {
        unsigned flag;
        Lines cards, calls;
    } cases[] = {
        {0x0, {}, {}},
        {0x4, {valuesOnly}, {}},
        {0x10, {}, {kReport}},
        {0x14, {valuesOnly}, {kReport}},
        {0x16, {kFullCard}, {kReport}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flag);
        Card::contFlag = c.flag;
        ImportRun run = runImport(importABInteraction, fixedDeck(kCard + "*NEXT\n"));
        EXPECT_EQ(run.cards, c.cards);
        EXPECT_EQ(run.calls, c.calls);
        EXPECT_EQ(run.rest, "*NEXT\n");  // the card is read whatever the flags
    }
}

TEST_F(InteractionTest, CardStepSeesAFlagChangedDuringTheReport) {
    ActingRecorder host;
    host.onCall = [] { Card::contFlag ^= 0x4; };
    for (unsigned flag : {0x10u, 0x14u}) {
        SCOPED_TRACE(flag);
        Card::contFlag = flag;
        host.calls.clear();
        ImportRun run = runImport(importABInteraction, fixedDeck(kCard), &host);
        EXPECT_EQ(run.calls, Lines{kReport});
        EXPECT_EQ(run.cards.size(), flag & 0x4 ? 0u : 1u);
    }
}
