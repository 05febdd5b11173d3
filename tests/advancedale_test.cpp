// The advanced ALE airbag keyword: its card layouts and ID steps, the mesh
// details test, the counted air cards and the chain at the end of the deck.
#include "importharness.h"

namespace {

using AdvancedAleTest = ImporterTest;

const std::string kIdCards = "1 2 3 4 5 6 7 8\n11 12 13 14 15 16 17 18\n21 22 23 24 25 26 27 28\n";
const std::string kMesh = "10 10 10 9 1 2 3\n";
const std::string kDetails = "1.5 2.5 3.5 4 5\n";
const std::string kCV1 = "300.0 1.0e5 9 8.5 1.25 9 28.9 1.0\n";
const std::string kAir = "9 9 9 28.9 1.2 3.0 4.0 5.0\n";
std::string cv2(const std::string& nAir) {
    return "0.01 9 0.5 " + nAir + "\n";
}

const std::string kFullDeck = kIdCards + kMesh + kDetails + kCV1 + cv2("2") + kAir +
                              "9 9 9 29.0 1.3 3.5 4.5 5.5\n*END\n9 9\n";
const std::string kChain = "BagIDs HoleIDs InflIDs ALEMesh";
const std::string kIdReports = "addIDToRefFile addIDToRefFile addIDToRefFile airbagAdvancedAle";

}  // namespace

TEST_F(AdvancedAleTest, BuildsEveryCardAndMakesEveryCallInBothForms) {
    const Lines cards = {
        "BagIDs BAGID1=1 BAGID2=2 BAGID3=3 BAGID4=4 BAGID5=5 BAGID6=6 BAGID7=7 BAGID8=8",
        "HoleIDs HOLEID1=11 HOLEID2=12 HOLEID3=13 HOLEID4=14 HOLEID5=15 HOLEID6=16 HOLEID7=17 "
        "HOLEID8=18",
        "InflIDs INFLID1=21 INFLID2=22 INFLID3=23 INFLID4=24 INFLID5=25 INFLID6=26 INFLID7=27 "
        "INFLID8=28",
        "ALEMesh NX=10 NY=10 NZ=10 _ ARSNID=1 IDCENT=2 EXSID=3",
        "MeshDetails LX=1.5 LY=2.5 LZ=3.5 ITRANS=4 UIDAIR=5",
        "CVCard1 ATMOST=300.0 ATMOSP=100000.0 _ GC=8.5 CC=1.25 _ MWD=28.9 SPSF=1.0",
        "CVCard2 SWTIME=0.01 _ HG=0.5 NAIR=2",
        "AirCard _ _ _ MWAIR=28.9 INITM=1.2 AIRA=3.0 AIRB=4.0 AIRC=5.0",
        "AirCard _ _ _ MWAIR=29.0 INITM=1.3 AIRA=3.5 AIRB=4.5 AIRC=5.5",
    };
    const Lines calls = {
        "addIDToRefFile 0:1@1/36 1:2@1/36 2:3@1/36 3:4@1/36 4:5@1/36 5:6@1/36 6:7@1/36 7:8@1/36",
        "addIDToRefFile 0:11@1/37 1:12@1/37 2:13@1/37 3:14@1/37 4:15@1/37 5:16@1/37 6:17@1/37 "
        "7:18@1/37",
        "addIDToRefFile 0:21@1/38 1:22@1/38 2:23@1/38 3:24@1/38 4:25@1/38 5:26@1/38 6:27@1/38 "
        "7:28@1/38",
        "airbagAdvancedAle 7 10|10|10|9|1|2|3",
        "addIDToRefFile 3:4@1/40 4:5@5/9999",
    };
    Card::contFlag = 0x16;
    // The complete layout stops short of the next keyword line.
    expectCards(importABAdvancedALE, {{"every card", kFullDeck, cards, calls, "*END\n9 9\n"}},
                kBothForms);
}

TEST_F(AdvancedAleTest, FlagWordDoesNotChangeWhichLinesAreRead) {
    expectFlagsOnlySelect(importABAdvancedALE, commaDeck(kFullDeck),
                          kChain + " MeshDetails CVCard1 CVCard2 AirCard AirCard",
                          kIdReports + " addIDToRefFile", "*END\n9,9\n");
}

TEST_F(AdvancedAleTest, MeshSizesAndAirCountSteerTheCards) {
    Card::contFlag = 0x16;
    expectFlows(
        importABAdvancedALE,
        {
            {"no data card", "*END\n9 9\n", "", "", "9 9\n"},
            {"ends after two ID cards", "1 2\n3 4\n*END\n", "BagIDs HoleIDs",
             "addIDToRefFile addIDToRefFile", ""},
            {"NZ 0 skips the details", kIdCards + "10 10 0\n" + kCV1 + cv2("0") + "*END\n",
             kChain + " CVCard1 CVCard2", kIdReports, "*END\n"},
            {"NY 0 skips the details", kIdCards + "10 0 10\n" + kCV1 + cv2("0") + "*END\n",
             kChain + " CVCard1 CVCard2", kIdReports, "*END\n"},
            {"NX not a number", kIdCards + "x 10 10\n" + kCV1 + cv2("0") + "*END\n",
             kChain + " CVCard1 CVCard2", kIdReports, "*END\n"},
            {"negative NZ counts as non-zero", kIdCards + "10 10 -1\n" + kDetails + kCV1 + cv2("0"),
             kChain + " MeshDetails CVCard1 CVCard2", kIdReports + " addIDToRefFile", ""},
            {"NAIR 2 leaves the third line",
             kIdCards + "0\n" + kCV1 + cv2("2") + kAir + kAir + kAir,
             kChain + " CVCard1 CVCard2 AirCard AirCard", kIdReports, kAir},
            {"NAIR 3 cut short by a keyword",
             kIdCards + "0\n" + kCV1 + cv2("3") + kAir + "*END\n1\n",
             kChain + " CVCard1 CVCard2 AirCard", kIdReports, "1\n"},
            {"NAIR -1 reads up to the keyword",
             kIdCards + "0\n" + kCV1 + cv2("-1") + kAir + kAir + kAir + "*END\n1\n",
             kChain + " CVCard1 CVCard2 AirCard AirCard AirCard", kIdReports, "1\n"},
            {"NAIR -1 and the deck ends", kIdCards + "0\n" + kCV1 + cv2("-1") + kAir,
             kChain + " CVCard1 CVCard2 AirCard AirCard()", kIdReports, ""},
            {"comment and blank lines", "$ c\n1\n\n$ c\n3\n0\n$\n" + kCV1 + cv2("0"),
             "BagIDs HoleIDs() InflIDs ALEMesh CVCard1 CVCard2", kIdReports, ""},
            // The chain goes on at the end of the deck; its tests read the words
            // the last line left: NX NY NZ 1 2 3, NAIR 4.
            {"deck ends after the first card", "1 2 3 4 5 6 7 8\n",
             "BagIDs HoleIDs() InflIDs() ALEMesh() MeshDetails() CVCard1() CVCard2() AirCard()",
             kIdReports + " addIDToRefFile", ""},
        });
}

TEST_F(AdvancedAleTest, MeshCallGetsTheDeliveredWordCount) {
    struct Case {
        std::string mesh, call, card;
    } cases[] = {
        {"10,10,10,9,1,2,3,4,5\n", "airbagAdvancedAle 9 10|10|10|9|1|2|3|4|5",
         "ALEMesh NX=10 NY=10 NZ=10 _ ARSNID=1 IDCENT=2 EXSID=3"},
        {fixedRow({"10", "20"}), "airbagAdvancedAle 2 10|20", "ALEMesh NX=10 NY=20"},
        {fixedRow({"10", "", "30"}), "airbagAdvancedAle 3 10||30", "ALEMesh NX=10 NY=0 NZ=30"},
    };
    Card::contFlag = 0x16;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mesh);
        ImportRun run = runImport(importABAdvancedALE, commaDeck(kIdCards) + c.mesh + "*END\n");
        ASSERT_EQ(run.calls.size(), 4u);
        ASSERT_EQ(run.cards.size(), 4u);
        EXPECT_EQ(run.calls[3], c.call);
        EXPECT_EQ(run.cards[3], c.card);
        // No details card: NY or NZ reads as 0, or the keyword comes first.
        EXPECT_EQ(run.names, kChain);
    }
}
