// The airbag interaction keyword: one card and its ID report, whatever the
// flags, short cards and the end of the deck.
#include "importharness.h"

using namespace abimport;

using InteractionTest = ImporterTest;

const std::string kCard = "1 2 1.5 1.0 10 20 0\n";

TEST_F(InteractionTest, ReadsExactlyOneCard) {
    const std::string full =
        "addIDToRefFile 0:1@19/9999 1:2@19/9999 4:10@5/9999 5:20@1/33\n"
        "Interaction AB1=1 AB2=2 AREA=1.5 SF=1.0 PID=10 LCID=20 IFLOW=0\n";
    const std::string none =
        "addIDToRefFile 0:@19/9999 1:@19/9999 4:@5/9999 5:@1/33\nInteraction()\n";
    expectImports(
        importABInteraction,
        {{"words beyond the seventh", "1,2,1.5,1.0,10,20,0,77,88\n", full, ""},
         {"comment lines first", "$ AB1 AB2\n$\n" + kCard, full, ""},
         {"a second card stays unread", kCard + kCard + "*NEXT\n", full, kCard + "*NEXT\n"},
         {"keyword line at once", "*NEXT\n1 2\n", "", "*NEXT\n1 2\n"},
         {"short card", "1 2\n",
          "addIDToRefFile 0:1@19/9999 1:2@19/9999 4:@5/9999 5:@1/33\nInteraction AB1=1 AB2=2\n",
          ""},
         {"blank line: a card without fields", "\n*NEXT\n", none, "*NEXT\n"},
         {"end of the deck before the card", "$ only a comment\n", none, ""}});
}

// The card step reads Card::contFlag again after the host call.
TEST_F(InteractionTest, CardStepSeesAFlagChangedDuringTheReport) {
    for (unsigned flag : {0x10u, 0x14u}) {
        Card::contFlag = flag;
        Transcript host;
        host.onCall = [] { Card::contFlag ^= Card::kBuildCards; };
        runImport(host, importABInteraction, inForm(kCard, {10}));
        EXPECT_EQ(host.lines.size(), flag & Card::kBuildCards ? 1u : 2u) << flag;
    }
}
