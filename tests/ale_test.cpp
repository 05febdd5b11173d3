// The ALE airbag keyword: its card layouts, the two host lookups, the mesh
// point test and the counted air, gas and orifice cards.
#include "importharness.h"

namespace {

using AleTest = ImporterTest;

const std::string kHead =
    "5 1 9 9 9 9 28.9 1.0\n300.0 101325.0 9 8.314 1.0 2.0 3.0\n"
    "4 2 0.1 0.2 0.3 1 2 0.5\n7 1 0 0.6\n";
const std::string kPoints = "0.0 0.0 0.0 1.0 1.0 1.0 3 4\n2.0 2.0 2.0 3.0 3.0 3.0\n";
const std::string kAir = "9 9 9 28.9 1.2 3.0 4.0 5.0\n";
const std::string kGas = "20 9 9 44.0 9 1.0 2.0 3.0\n";
const std::string kOrif = "100 9 0.25\n";
std::string toCV(const std::string& counts) {
    return "0.01 9 0.5 " + counts + " 15 16\n";
}

const std::string kHeadNames = "SetInfo AmbientCard Coupling VentHole ALEMesh";
const std::string kHeadCalls = "airbagFind airbagVentHoleFind";
const std::string kFullDeck = kHead + "10 10 1 0 1\n" + kPoints + toCV("1 2 1") + kAir + kGas +
                              "21 9 9 45.0 9 1.5 2.5 3.5\n" + kOrif + "*END\n";

}  // namespace

TEST_F(AleTest, BuildsEveryCardAndMakesEveryCallInBothForms) {
    const Lines cards = {
        "SetInfo SID=5 SIDTYP=1 _ _ _ _ MWD=28.9 SPSF=1.0",
        "AmbientCard ATMOST=300.0 ATMOSP=101325.0 _ GC=8.314 CC=1.0 TNKVOL=2.0 TNKFINP=3.0",
        "Coupling NQUAD=4 CTYPE=2 PFAC=0.1 FRIC=0.2 FRCMIN=0.3 NORMTYP=1 ILEAK=2 PLEAK=0.5",
        "VentHole IVSETID=7 IVTYPE=1 IBLOCK=0 VNTCOF=0.6",
        "ALEMesh NX=10 NY=10 NZ=1 MOVERN=0 ZOOM=1",
        "Card5a X0=0.0 Y0=0.0 Z0=0.0 X1=1.0 Y1=1.0 Z1=1.0 IPAIR=3 IPGAS=4",
        "Card5b X2=2.0 Y2=2.0 Z2=2.0 X3=3.0 Y3=3.0 Z3=3.0",
        "ALEToCV SWTIME=0.01 _ HG=0.5 NAIR=1 NGAS=2 NORIF=1 LCVEL=15 LCT=16",
        "AirCard _ _ _ MWAIR=28.9 INITM=1.2 AIRA=3.0 AIRB=4.0 AIRC=5.0",
        "GasCard LCMF=20 _ _ MWGAS=44.0 _ GASA=1.0 GASB=2.0 GASC=3.0",
        "GasCard LCMF=21 _ _ MWGAS=45.0 _ GASA=1.5 GASB=2.5 GASC=3.5",
        "OrifCard NODEID=100 VECID=9 ORIFARE=0.25",
    };
    const Lines calls = {
        "airbagFind 8 5|1|9|9|9|9|28.9|1.0",  "airbagVentHoleFind 4 7|1|0|0.6",
        "addIDToRefFile 6:15@1/33 7:16@1/33", "addIDToRefFile 0:20@1/33",
        "addIDToRefFile 0:21@1/33",           "addIDToRefFile 0:100@7/9999 1:9@1/39",
    };
    Card::contFlag = 0x16;
    // The complete layout stops short of the next keyword line.
    expectCards(importABALE, {{"every card", kFullDeck, cards, calls, "*END\n"}}, kBothForms);
}

TEST_F(AleTest, FlagWordDoesNotChangeWhichLinesAreRead) {
    expectFlagsOnlySelect(
        importABALE, commaDeck(kFullDeck),
        kHeadNames + " Card5a Card5b ALEToCV AirCard GasCard GasCard OrifCard",
        kHeadCalls + " addIDToRefFile addIDToRefFile addIDToRefFile addIDToRefFile", "*END\n");
}

TEST_F(AleTest, MeshTestAndCountsSteerTheCards) {
    const std::string ids = " addIDToRefFile";
    Card::contFlag = 0x16;
    expectFlows(
        importABALE,
        {
            {"no data card", "*END\n1\n", "", "", "1\n"},
            {"ends after the first card", "5 1\n*END\n", "SetInfo", "airbagFind", ""},
            {"NZ 0", kHead + "10 10 0\n" + toCV("0 0 0") + "*END\n", kHeadNames + " ALEToCV",
             kHeadCalls + ids, "*END\n"},
            {"NZ -1", kHead + "10 10 -1\n" + toCV("0 0 0") + "*END\n", kHeadNames + " ALEToCV",
             kHeadCalls + ids, "*END\n"},
            {"NZ not a number", kHead + "10 10 x\n" + toCV("0 0 0"), kHeadNames + " ALEToCV",
             kHeadCalls + ids, ""},
            {"NZ 1", kHead + "10 10 1\n" + kPoints + toCV("0 0 0") + "*END\n",
             kHeadNames + " Card5a Card5b ALEToCV", kHeadCalls + ids, "*END\n"},
            {"NAIR 0 NGAS 2 NORIF 1",
             kHead + "0 0 0\n" + toCV("0 2 1") + kGas + kGas + kOrif + kOrif,
             kHeadNames + " ALEToCV GasCard GasCard OrifCard", kHeadCalls + ids + ids + ids + ids,
             kOrif},
            {"keyword within the air cards", kHead + "0 0 0\n" + toCV("3 2 1") + kAir + "*END\n1\n",
             kHeadNames + " ALEToCV AirCard", kHeadCalls + ids, "1\n"},
            {"NAIR -1 reads up to the keyword",
             kHead + "0 0 0\n" + toCV("-1 1 1") + kAir + kAir + "*END\n1\n",
             kHeadNames + " ALEToCV AirCard AirCard", kHeadCalls + ids, "1\n"},
            {"-1 counts and the deck ends", kHead + "0 0 0\n" + toCV("-1 -1 -1"),
             kHeadNames + " ALEToCV AirCard() GasCard() OrifCard()", kHeadCalls + ids + ids + ids,
             ""},
            {"comment and blank lines", "5 1\n\n$ c\n4 2\n$\n7 1\n0 0 0\n" + toCV("0 0 0"),
             "SetInfo AmbientCard() Coupling VentHole ALEMesh ALEToCV", kHeadCalls + ids, ""},
            // The chain goes on at the end of the deck; the mesh test and the
            // counts read the words the last line left: NZ 9 and three counts 9.
            {"deck ends after the first card", "5 1 9 9 9 9 28.9 1.0\n",
             "SetInfo AmbientCard() Coupling() VentHole() ALEMesh() Card5a() Card5b() ALEToCV() "
             "AirCard() GasCard() OrifCard()",
             kHeadCalls + ids + ids + ids, ""},
        });
}

TEST_F(AleTest, LookupsGetTheDeliveredWordCount) {
    Card::contFlag = 0x16;
    ImportRun run =
        runImport(importABALE, "5,1,9,9,9,9,28.9,1.0,7,8\n\n\n" + fixedRow({"7", "1"}) + "*END\n");
    EXPECT_EQ(run.calls,
              (Lines{"airbagFind 10 5|1|9|9|9|9|28.9|1.0|7|8", "airbagVentHoleFind 2 7|1"}));
    ASSERT_EQ(run.cards.size(), 4u);
    EXPECT_EQ(run.cards[0], "SetInfo SID=5 SIDTYP=1 _ _ _ _ MWD=28.9 SPSF=1.0");
    EXPECT_EQ(run.cards[3], "VentHole IVSETID=7 IVTYPE=1");
}
