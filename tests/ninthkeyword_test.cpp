// A keyword described only here, added to the keyword table as a host adds
// one: the registry, the keyword titles, the reading and model checks, the
// write-back, the edits and the comparison take it up with no code of theirs
// knowing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../compare/diffprint.h"
#include "../edit/modeledit.h"
#include "../frame/importbase.h"
#include "../host/contflag.h"
#include "../host/keywordtitles.h"
#include "../keywords/cardtables.h"
#include "../output/warningkinds.h"
#include "../output/writeback.h"
#include "deckloop.h"
#include "importharness.h"
#include "toolrun.h"

using namespace abimport;

namespace {

unsigned importTestPanel(DataLine* dataLine, ImportObject* importObject);

using namespace detail;

// A panel: its ID, part, area and number of points; that many points, each a
// node and a weight; then its nodes, one 8/16-column line each.
constexpr FieldDescription kPanelFields[] = {
    withRole(word("PANEL", kInt), FieldRole::KeywordId),
    word("PID", kInt, idKind("part")),
    word("AREA", kDouble),
    withRole(word("NPTS", kInt), FieldRole::Count, "Point"),
};
constexpr FieldDescription kPointFields[] = {word("NODE", kInt, idKind("node")),
                                             word("WEIGHT", kDouble)};
constexpr FieldDescription kPanelNodeFields[] = {
    column("NID", kInt, 8, idKind("node")),
    column("X", kDouble, 16),
    column("Y", kDouble, 16),
    column("Z", kDouble, 16),
};
constexpr CardDescription kPanelCards[] = {
    {"PanelIDs", CardForm::Words, IdStep::Report, CardRole::None, kPanelFields},
    {"Point", CardForm::Words, IdStep::Report, CardRole::None, kPointFields},
    {"PanelNodes", CardForm::Line, IdStep::Report, CardRole::NodeList, kPanelNodeFields},
};
constexpr KeywordDescription kPanelKeyword{90, "AIRBAG_TEST_PANEL", importTestPanel, kPanelCards};

// A keyword whose line card has a field of ten columns.
constexpr FieldDescription kTenColumns[] = {column("NID", kInt, 10, idKind("node"))};
constexpr CardDescription kTenColumnCards[] = {
    {"Bad", CardForm::Line, IdStep::Report, CardRole::None, kTenColumns}};
constexpr KeywordDescription kTenColumnKeyword{91, "AIRBAG_TEST_BAD", importTestPanel,
                                               kTenColumnCards};

class TestPanel : public ImportBase {
public:
    using ImportBase::ImportBase;
    unsigned points = 0;
};

unsigned importTestPanel(DataLine* dataLine, ImportObject* importObject) {
    TestPanel panel(dataLine, importObject);
    if (panel.readWords(kPanelCards[0])) {
        panel.points = panel.numberAt(fieldIndex(kPanelCards[0], "NPTS"));
        panel.reportAndBuild(kPanelCards[0]);
    }
    panel.readRepeated(kPanelCards[1], panel.points);
    do {
        panel.readLineCard(kPanelCards[2]);
    } while (panel.wordCount != 0);
    return 0;
}

// Node 5 is defined, node 6 is not; the panel gives node 5 twice and a
// point line with text past its two fields.
const std::string kDeck =
    "*NODE\n"
    "       5             0.0             0.0             0.0\n"
    "*AIRBAG_TEST_PANEL\n"
    "        77        10       2.5         2\n"
    "         5      0.25\n"
    "         6       0.5       999\n"
    "       5             1.0             2.0             3.0\n"
    "       5             1.0             2.0             4.0\n"
    "*END\n";

class NinthKeyword : public ImporterTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(addKeyword(kPanelKeyword)); }
    void SetUp() override {
        Card::contFlag = kDefaultFlags;
        registry_.initABALETypesAndFunctions();
    }

    // The deck's write-back and its warnings, "LINE KIND MESSAGE" each.
    std::string writeBack(const std::string& deck, Lines* warnings = nullptr) {
        struct Warnings : DeckObserver {
            void warning(const Warning& w) override {
                lines.push_back(std::to_string(w.line) + " " + warningKindName(w.kind) + " " +
                                w.message);
            }
            Lines lines;
        } heard;
        ImportSettings settings;
        settings.check = true;
        settings.cardLines = settings.emptyBeforeFilled = true;
        const std::string written = writtenBy([&](FILE* out) {
            DeckTextWriter writer(out, nullptr);
            ObserverPair both(writer, heard);
            HostImportObject target;
            importText(deck, "panel.k", target, &both, settings, nullptr, registry_);
            writer.deckEnds();
        });
        if (warnings) *warnings = heard.lines;
        return written;
    }

    // The cards of a deck as the importer harness writes them down.
    Lines cards(const std::string& deck) {
        DeckFile file(deck);
        DataLine reader(file.get());
        HostImportObject target;
        importDeck(reader, registry_, target);
        Lines out;
        for (const Card* card : target.cards) out.push_back(cardLine(*card));
        return out;
    }

    ABImport registry_;
};

TEST_F(NinthKeyword, IsRegisteredAndFoundByTitleLikeTheLibrarysOwn) {
    EXPECT_EQ(registry_.abaleTypeMap.at(90), &importTestPanel);
    EXPECT_EQ(registry_.abaleTypeMap.size(), 9u);
    const std::string line = "*airbag_test_panel $ any case\n";
    EXPECT_EQ(findKeyword(line.data(), line.size()), &kPanelKeyword);
    EXPECT_STREQ(keywordTitle(90), "AIRBAG_TEST_PANEL");
    // Its code and title are taken now, and a description that does not hold
    // together is refused: a line card's field of ten columns would be read
    // back as a word field.
    EXPECT_FALSE(addKeyword(kPanelKeyword));
    EXPECT_FALSE(addKeyword(kTenColumnKeyword));
    EXPECT_EQ(keywordWithCode(91), nullptr);
}

TEST_F(NinthKeyword, IsCheckedAndWrittenBackExactly) {
    Lines warnings;
    const std::string written = writeBack(kDeck, &warnings);
    EXPECT_EQ(written,
              "$ panel.k:3\n"
              "*AIRBAG_TEST_PANEL\n"
              "$    PANEL       PID      AREA      NPTS\n"
              "        77        10       2.5         2\n"
              "$     NODE    WEIGHT\n"
              "         5      0.25\n"
              "         6       0.5\n"
              "$    NID               X               Y               Z\n"
              "       5             1.0             2.0             3.0\n"
              "       5             1.0             2.0             4.0\n"
              "*END\n");
    EXPECT_EQ(warnings,
              (Lines{"6 ignored-text text past column 20 is not read ('999'): Point reads "
                     "20 columns",
                     "8 duplicate-id node 5 is given twice in *AIRBAG_TEST_PANEL (line 3): first "
                     "at line 7",
                     "6 undefined-reference AIRBAG_TEST_PANEL Point NODE: node 6 is not defined "
                     "in the model"}));
    EXPECT_EQ(cards(written), cards(kDeck));
}

// A field that names a parameter takes its value in the columns the
// description gives it: a ten-column word on the first line, sixteen columns
// in a node line after it.
TEST_F(NinthKeyword, TakesParametersInItsFieldsColumns) {
    HostImportObject target;
    ImportSettings settings;
    settings.parameters = true;
    importText(
        "*AIRBAG_TEST_PANEL\n"
        "        77        10     &area         0\n"
        "       5              &x             2.0             3.0\n"
        "*PARAMETER\n"
        "    R area     1.5-3       R x   0.03125\n",
        "panel.k", target, nullptr, settings, nullptr, registry_);
    Lines read;
    for (const Card* card : target.cards) read.push_back(cardLine(*card));
    EXPECT_EQ(read, (Lines{"PanelIDs PANEL=77 PID=10 AREA=0.0015 NPTS=0",
                           "PanelNodes NID=5:8 X=0.03125:16 Y=2.0:16 Z=3.0:16"}));
}

TEST_F(NinthKeyword, IsEditedAndComparedByItsFields) {
    const ModelFolder folder;
    const std::string path = folder.path("panel.k");
    // The deck without its *END, and a second panel.
    const std::string original = kDeck.substr(0, kDeck.rfind("*END")) +
                                 "*AIRBAG_TEST_PANEL\n        78        10       1.0\n";
    folder.write("panel.k", original);
    ModelEdit model;
    std::string error;
    ASSERT_TRUE(model.load(path, registry_, true, error)) << error;
    EXPECT_TRUE(model.apply({path, 4, "AREA", "3.5"}, error)) << error;
    EXPECT_TRUE(model.apply({path, 8, "Z", "4.25"}, error)) << error;
    EXPECT_FALSE(model.apply({path, 4, "WEIGHT", "1"}, error));
    EXPECT_EQ(error, path +
                         ":4: PanelIDs has no field 'WEIGHT' on this line (its fields: PANEL "
                         "PID AREA NPTS)");
    ASSERT_TRUE(model.saveInPlace(error)) << error;
    const std::string edited = folder.read("panel.k");

    // The panels pair by their PANEL, whatever their order; the nodes by NID.
    const std::string swapped = edited.substr(edited.find("*AIRBAG_TEST_PANEL\n        78"));
    const std::string after = swapped + edited.substr(0, edited.size() - swapped.size());
    const auto read = [&](const std::string& text, const std::string& name, DiffModel& into) {
        HostImportObject target;
        DiffRecorder recorder(into, target);
        ImportSettings settings;
        settings.cardLines = true;
        importText(text, name, target, &recorder, settings, nullptr, registry_);
    };
    DiffModel a, b;
    read(original, "old.k", a);
    read(after, "new.k", b);
    const std::string changes = writtenBy([&](FILE* out) {
        DiffTextWriter writer(out, true);
        EXPECT_TRUE(compareModels(a, b, DiffSettings{}, writer));
    });
    EXPECT_EQ(changes,
              "AIRBAG_TEST_PANEL PanelIDs AREA: 2.5 -> 3.5   (old.k:4 -> new.k:6)\n"
              "AIRBAG_TEST_PANEL: 1 of 2 nodes moved (largest 0.25 at node 5), 0 added, 0 "
              "removed   (old.k:3 -> new.k:5)\n"
              "AIRBAG_TEST_PANEL PanelNodes NID=5 Z: 4 -> 4.25   (old.k:8 -> new.k:10)\n");
}

TEST_F(NinthKeyword, HasItsNodeListMovedByNid) {
    const ModelFolder folder;
    const std::string path = folder.path("panel.k");
    folder.write("panel.k", kDeck);
    ModelEdit model;
    std::string error;
    ASSERT_TRUE(model.load(path, registry_, true, error)) << error;
    // Both lines of node 5 in the panel's node list; *NODE is no reference
    // geometry, and node 6 stands only on a Point card.
    EXPECT_TRUE(model.setNodes({{5, {0.5, 2.0, 4.0}}}, false, error)) << error;
    EXPECT_FALSE(model.setNodes({{6, {0.0, 0.0, 0.0}}}, false, error));
    EXPECT_EQ(error, "no node 6 in the reference geometries");
    const std::string text = model.contentOf(path);
    std::string expected = kDeck;
    for (const char* line :
         {"1.0             2.0             3.0", "1.0             2.0             4.0"})
        expected.replace(expected.find(line), 35, "0.5             2.0             4.0");
    EXPECT_EQ(text, expected);
}

}  // namespace
