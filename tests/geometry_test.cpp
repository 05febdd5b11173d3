// The four reference geometry keywords and the shell reference geometry: node
// and element lines of 8 and 16 columns read whole until the next keyword.
#include "importharness.h"

using namespace abimport;

using GeometryTest = ImporterTest;

// The birth card comes first in the birth variants and is never reported.
TEST_F(GeometryTest, EveryVariantReadsNodesUntilTheKeywordOrTheEnd) {
    const std::string nodes = "1 0.5 1.5 2.5\n$ c\n\n2 -1.0 0.0 3.25\n";
    const std::string cards =
        "addIDToRefFile 0:1@7/9999\nNodeInfo NID=1:8 X=0.5:16 Y=1.5:16 Z=2.5:16\n"
        "addIDToRefFile 0:@7/9999\nNodeInfo empty=[NID,X,Y,Z]\n"
        "addIDToRefFile 0:2@7/9999\nNodeInfo NID=2:8 X=-1.0:16 Y=0.0:16 Z=3.25:16\n";
    const std::string none = "addIDToRefFile 0:@7/9999\nNodeInfo()\n";
    for (auto [import, birth] : {std::pair{&importABReferenceGeometry, false},
                                 {&importABRefGeometryBirth, true},
                                 {&importABRefGeoBirthRDT, true},
                                 {&importABRefGeometryRDT, false}}) {
        const std::string line = birth ? "0.001\n" : "",
                          card = birth ? "BirthCard BIRTH=0.001\n" : "";
        expectImports(import,
                      {{"nodes, comment and blank lines up to the keyword",
                        line + nodes + "*NEXT\n3\n", card + cards, "*NEXT\n3\n"},
                       {"deck ends after the nodes", line + nodes, card + cards + none, ""},
                       {"keyword at once", "*NEXT\n3\n", "", "*NEXT\n3\n"},
                       {"empty deck", "", (birth ? "BirthCard()\n" : "") + none, ""}},
                      {{8, 16}, {}});
    }
}

TEST_F(GeometryTest, ShellReadsElementsUntilTheKeywordOrTheEnd) {
    const std::string element = "100 1 11 12 13 14\n";
    const std::string card =
        "addIDToRefFile 0:100@6/41 1:1@5/9999 2:11@7/9999 3:12@7/9999 4:13@7/9999 5:14@7/9999\n"
        "ShellInfo EID=100:8 PID=1:8 N1=11:8 N2=12:8 N3=13:8 N4=14:8\n";
    const std::string none =
        "addIDToRefFile 0:@6/41 1:@5/9999 2:@7/9999 3:@7/9999 4:@7/9999 5:@7/9999\nShellInfo";
    const std::string five =
        "addIDToRefFile 0:100@6/41 1:1@5/9999 2:11@7/9999 3:12@7/9999 4:13@7/9999 5:@7/9999\n"
        "ShellInfo EID=100:8 PID=1:8 N1=11:8 N2=12:8 N3=13:8";
    expectImports(importABShellRefGeometry,
                  {{"elements, comment and blank lines up to the keyword",
                    "$ c\n" + element + "\n" + element + "*NEXT\n1\n",
                    card + none + " empty=[EID,PID,N1,N2,N3,N4]\n" + card, "*NEXT\n1\n"},
                   {"deck ends after the elements", element, card + none + "()\n", ""},
                   {"keyword at once", "*NEXT\n" + element, "", "*NEXT\n" + element},
                   {"a blank field reads as 0", "100 1 11 12 13 ~\n",
                    five + " N4=0:8\n" + none + "()\n", ""}},
                  {{8}, {}});
    // A fixed line that ends early leaves its last field empty; a comma line
    // that ends early leaves it out.
    expectImports(importABShellRefGeometry,
                  {{"a field past the line end", "100 1 11 12 13\n",
                    five + " empty=[N4]\n" + none + "()\n", ""},
                   {"a word short", "100,1,11,12,13\n", five + "\n" + none + "()\n", ""}},
                  {{8}});
}
