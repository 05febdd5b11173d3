// The advanced ALE airbag keyword: its ID cards, the mesh details test, the
// counted air cards and the chain at the end of the deck. The golden decks
// check every card's fields.
#include "importharness.h"

using namespace abimport;

using AdvancedAleTest = ImporterTest;

const std::string kIds = "1 2 3 4 5 6 7 8\n11 12 13 14 15 16 17 18\n21 22 23 24 25 26 27 28\n";
const std::string kIdCalls =
    "addIDToRefFile 0:1@1/36 1:2@1/36 2:3@1/36 3:4@1/36 4:5@1/36 5:6@1/36 6:7@1/36 7:8@1/36\n"
    "BagIDs\naddIDToRefFile 0:11@1/37 1:12@1/37 2:13@1/37 3:14@1/37 4:15@1/37 5:16@1/37 "
    "6:17@1/37 7:18@1/37\nHoleIDs\naddIDToRefFile 0:21@1/38 1:22@1/38 2:23@1/38 3:24@1/38 "
    "4:25@1/38 5:26@1/38 6:27@1/38 7:28@1/38\nInflIDs\n";
const std::string kDetails = "1.5 2.5 3.5 4 5\n", kAir = "9 9 9 28.9 1.2 3.0 4.0 5.0\n";
const auto cv = [](const std::string& nAir) {
    return "300.0 1.0e5 9 8.5 1.25 9 28.9 1.0\n0.01 9 0.5 " + nAir + "\n";
};
const std::string kMesh =
    "addIDToRefFile BagIDs addIDToRefFile HoleIDs addIDToRefFile InflIDs airbagAdvancedAle ALEMesh";
const std::string kChain = kMesh + " CVCard1 CVCard2";

TEST_F(AdvancedAleTest, CardFlowsInBothForms) {
    expectImports(
        importABAdvancedALE,
        {{"every card, up to the keyword",
          kIds + "10 10 10 9 1 2 3\n" + kDetails + cv("2") + kAir + kAir + "*END\n9 9\n",
          kIdCalls + "airbagAdvancedAle 7 10|10|10|9|1|2|3\nALEMesh\n"
                     "addIDToRefFile 3:4@1/40 "
                     "4:5@5/9999\nMeshDetails\nCVCard1\nCVCard2\nAirCard\nAirCard\n",
          "*END\n9 9\n"},
         {"no data card", "*END\n9 9\n", "", "*END\n9 9\n"},
         {"ends after two ID cards", "1 2\n3 4\n*END\n",
          "addIDToRefFile BagIDs addIDToRefFile HoleIDs", "*END\n"},
         {"NZ 0 skips the details", kIds + "10 10 0\n" + cv("0") + "*END\n", kChain, "*END\n"},
         {"NY 0 skips the details", kIds + "10 0 10\n" + cv("0"), kChain, ""},
         {"NX not a number", kIds + "x 10 10\n" + cv("0"), kChain, ""},
         {"negative NZ counts as non-zero", kIds + "10 10 -1\n" + kDetails + cv("0"),
          kMesh + " addIDToRefFile MeshDetails CVCard1 CVCard2", ""},
         {"NAIR 2 leaves the third line", kIds + "0\n" + cv("2") + kAir + kAir + kAir,
          kChain + " AirCard AirCard", kAir},
         {"NAIR 3 cut short by a keyword", kIds + "0\n" + cv("3") + kAir + "*END\n1\n",
          kChain + " AirCard", "*END\n1\n"},
         {"NAIR -1 reads up to the keyword", kIds + "0\n" + cv("-1") + kAir + kAir + "*END\n1\n",
          kChain + " AirCard AirCard", "*END\n1\n"},
         {"NAIR -1 and the deck ends: bounded", kIds + "0\n" + cv("-1") + kAir,
          kChain + " AirCard AirCard()", ""},
         {"comment and blank lines", "$ c\n1\n\n$ c\n3\n0\n$\n" + cv("0"),
          "addIDToRefFile BagIDs addIDToRefFile HoleIDs() addIDToRefFile InflIDs airbagAdvancedAle "
          "ALEMesh CVCard1 CVCard2",
          ""},
         // The chain goes on at the end of the deck; its tests read the words
         // the last line left: NX NY NZ 1 2 3, NAIR 4.
         {"deck ends after the first card", "1 2 3 4 5 6 7 8\n",
          "addIDToRefFile BagIDs addIDToRefFile HoleIDs() addIDToRefFile InflIDs() "
          "airbagAdvancedAle ALEMesh() "
          "addIDToRefFile MeshDetails() CVCard1() CVCard2() AirCard()",
          ""},
         // The mesh call gets the count the line delivered; a blank field reads as 0.
         {"mesh line with a blank field", kIds + "10 ~ 30\n*END\n",
          kIdCalls + "airbagAdvancedAle 3 10||30\nALEMesh NX=10 NY=0 NZ=30\n", "*END\n"},
         {"mesh line of nine comma words", kIds + "10,10,10,9,1,2,3,4,5\n*END\n",
          kIdCalls + "airbagAdvancedAle 9 10|10|10|9|1|2|3|4|5\n"
                     "ALEMesh NX=10 NY=10 NZ=10 _ ARSNID=1 IDCENT=2 EXSID=3\n",
          "*END\n"}});
}
