// The ALE airbag keyword: the two host lookups, the mesh point test and the
// counted air, gas and orifice cards. The golden decks check every card's
// fields but the air card's.
#include "importharness.h"

using namespace abimport;

using AleTest = ImporterTest;

const std::string kHead =
    "5 1 9 9 9 9 28.9 1.0\n300.0 101325.0 9 8.314 1.0 2.0 3.0\n"
    "4 2 0.1 0.2 0.3 1 2 0.5\n7 1 0 0.6\n";
const std::string kPoints = "0.0 0.0 0.0 1.0 1.0 1.0 3 4\n2.0 2.0 2.0 3.0 3.0 3.0\n";
const std::string kAir = "9 9 9 28.9 1.2 3.0 4.0 5.0\n", kGas = "20 9 9 44.0 9 1.0 2.0 3.0\n";
const std::string kOrif = "100 9 0.25\n";
const auto toCV = [](const std::string& counts) { return "0.01 9 0.5 " + counts + " 15 16\n"; };
const std::string kFlow =
    "airbagFind SetInfo AmbientCard Coupling airbagVentHoleFind VentHole "
    "ALEMesh addIDToRefFile ALEToCV";
const std::string kGasCard = " addIDToRefFile GasCard", kOrifCard = " addIDToRefFile OrifCard";

TEST_F(AleTest, CardFlowsInBothForms) {
    expectImports(
        importABALE,
        {{"every card, up to the keyword",
          kHead + "10 10 1 0 1\n" + kPoints + toCV("1 2 1") + kAir + kGas +
              "21 9 9 45.0 9 1.5 2.5 3.5\n" + kOrif + "*END\n",
          "airbagFind 8 5|1|9|9|9|9|28.9|1.0\nSetInfo\nAmbientCard\nCoupling\n"
          "airbagVentHoleFind 4 7|1|0|0.6\nVentHole\nALEMesh\nCard5a\nCard5b\n"
          "addIDToRefFile 6:15@1/33 7:16@1/33\nALEToCV\n"
          "AirCard _ _ _ MWAIR=28.9 INITM=1.2 AIRA=3.0 AIRB=4.0 AIRC=5.0\n"
          "addIDToRefFile 0:20@1/33\nGasCard\naddIDToRefFile 0:21@1/33\nGasCard\n"
          "addIDToRefFile 0:100@7/9999 1:9@1/39\nOrifCard\n",
          "*END\n"},
         {"lookups get the delivered word count", "5,1,9,9,9,9,28.9,1.0,7,8\n\n\n7 1\n*END\n",
          "airbagFind 10 5|1|9|9|9|9|28.9|1.0|7|8\n"
          "SetInfo SID=5 SIDTYP=1 _ _ _ _ MWD=28.9 SPSF=1.0\nAmbientCard()\nCoupling()\n"
          "airbagVentHoleFind 2 7|1\nVentHole IVSETID=7 IVTYPE=1\n",
          "*END\n"},
         {"no data card", "*END\n1\n", "", "*END\n1\n"},
         {"ends after the first card", "5 1\n*END\n", "airbagFind SetInfo", "*END\n"},
         {"NZ 0", kHead + "10 10 0\n" + toCV("0 0 0") + "*END\n", kFlow, "*END\n"},
         {"NZ -1", kHead + "10 10 -1\n" + toCV("0 0 0"), kFlow, ""},
         {"NZ not a number", kHead + "10 10 x\n" + toCV("0 0 0"), kFlow, ""},
         {"NAIR 0 NGAS 2 NORIF 1", kHead + "0 0 0\n" + toCV("0 2 1") + kGas + kGas + kOrif + kOrif,
          kFlow + kGasCard + kGasCard + kOrifCard, kOrif},
         {"keyword within the air cards", kHead + "0 0 0\n" + toCV("3 2 1") + kAir + "*END\n1\n",
          kFlow + " AirCard", "*END\n1\n"},
         {"NAIR -1 reads up to the keyword",
          kHead + "0 0 0\n" + toCV("-1 1 1") + kAir + kAir + "*END\n1\n",
          kFlow + " AirCard AirCard", "*END\n1\n"},
         {"-1 counts and the deck ends: bounded", kHead + "0 0 0\n" + toCV("-1 -1 -1"),
          kFlow + " AirCard() addIDToRefFile GasCard() addIDToRefFile OrifCard()", ""},
         {"comment and blank lines", "5 1\n\n$ c\n4 2\n$\n7 1\n0 0 0\n" + toCV("0 0 0"),
          "airbagFind SetInfo AmbientCard() Coupling airbagVentHoleFind VentHole ALEMesh "
          "addIDToRefFile "
          "ALEToCV",
          ""},
         // The chain goes on at the end of the deck; the mesh test and the
         // counts read the words the last line left: NZ 9 and three counts 9.
         {"deck ends after the first card", "5 1 9 9 9 9 28.9 1.0\n",
          "airbagFind SetInfo AmbientCard() Coupling() airbagVentHoleFind VentHole() ALEMesh() "
          "Card5a()"
          " Card5b() addIDToRefFile ALEToCV() AirCard() addIDToRefFile GasCard() addIDToRefFile "
          "OrifCard()",
          ""}});
}
