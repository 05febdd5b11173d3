// What the reading rules change is warned, with the exact file, line and
// kind; and every card and host call knows the line it came from.
#include "modeltrace.h"

using namespace abimport;

namespace {

const std::string kCard = "         1         2       1.5       1.0        10        20         0";
const std::string kInteraction = "*AIRBAG_INTERACTION\n";
const std::string kNode = "       1             1.5             2.5             3.5";  // 56
const std::string kShell = "     100       7       1       2       3       4";         // 48
const std::string kGeometry = "*AIRBAG_REFERENCE_GEOMETRY\n";

// The ALE airbag up to its counts card (line 7) with NAIR as given, no gas
// and no orifice card, then one air card.
std::string aleWithAir(const std::string& nair) {
    return "*AIRBAG_ALE\n       100         1\n     293.0\n         4\n        30\n"
           "        10        10         0\n       0.0                 0.0" +
           nair + "         0         0\n                                  0.0289       1.0\n";
}

struct WarningCase {
    const char* label;
    std::string deck;
    Lines warnings;  // "LINE KIND" in main.k, in the order they arise
};

std::vector<WarningCase> warningCases() {
    using std::string;
    return {
        {"a line of 127 characters before its newline is read in two pieces",
         kGeometry + kNode + string(71, ' ') + "\n*END\n",
         {"2 long-line"}},
        {"a long comment line: its rest is read as a data line",
         kInteraction + "$" + string(130, ' ') + "\n" + kCard + "\n",
         {"2 long-line"}},
        {"text past the columns a card reads",
         kInteraction + kCard + "     extra\n" + kGeometry + kNode + "   7\n" +
             "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n" + kShell + "       5\n*END\n",
         {"2 ignored-text", "4 ignored-text", "6 ignored-text"}},
        {"more comma words than fields",
         kInteraction + "1,2,1.5,1.0,10,20,0,77,88\n" + kGeometry + "1,0.0,0.0,0.0,9\n*END\n",
         {"2 ignored-text", "4 ignored-text"}},
        {"adjacent and leading commas",
         kInteraction + "1,,2,1.5,10,20,0\n" + kInteraction + ",1,2,1.5,1.0,10,20,0\n",
         {"2 empty-comma-word", "4 empty-comma-word"}},
        {"text that is no number of its field's kind, or an integer beyond 32 bits",
         kInteraction + "       abc         2      1.5x       inf       1.59999999999          \n" +
             kGeometry + "       1           1.5-3           1.2.3                \n*END\n",
         {"2 not-a-number", "2 not-a-number", "2 not-a-number", "2 not-a-number", "4 not-a-number",
          "4 not-a-number"}},
        {"an ID report past the words of a comma line hands over stale words",
         kInteraction + kCard + "\n" + kInteraction + "1,,2,1.5\n",
         {"4 empty-comma-word", "4 stale-word"}},
        {"the ID report reaches exactly the word count, then stops short of it",
         kInteraction + "1,2,1.5,1.0,10\n" + kInteraction + "1,2,1.5,1.0,10,20\n",
         {"2 stale-word"}},
        {"as many comma words as fields, then one more",
         kInteraction + "1,2,1.5,1.0,10,20,0\n" + kInteraction + "1,2,1.5,1.0,10,20,0,8\n" +
             kGeometry + "1,0.0,0.0,0.0\n2,0.0,0.0,0.0,9\n*END\n",
         {"4 ignored-text", "7 ignored-text"}},
        {"a count larger than the cards before the end of the file",
         aleWithAir("         3"),
         {"7 short-count"}},
        {"a count of -1 reads up to the next keyword and never warns",
         aleWithAir("        -1") + "*END\n",
         {}},
        {"the end of the file inside a keyword's fixed cards, at the file's last line",
         kInteraction + "$ only a comment\n",
         {"2 missing-card"}},
        {"tabs, NUL bytes and lone carriage returns",
         kInteraction + "         1\t        2\n" + kInteraction + "         1\r         2\n" +
             kInteraction + string("         1\0002\n", 13) +
             string("*AIRBAG_INTER\0ACTION\n", 21) + kGeometry + kNode + "\n" +
             string("*AIRBAG_\0ALE\n", 13),
         {"2 control-character", "4 control-character", "6 control-character",
          "7 control-character", "7 unknown-keyword", "10 control-character",
          "10 unknown-keyword"}},
        {"a keyword line cuts a keyword's fixed cards short; lists just end there",
         kInteraction + kGeometry +
             "*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n$ c\n*AIRBAG_ALE\n"
             "       100         1\n     293.0\n*AIRBAG_SHELL_REFERENCE_GEOMETRY\n*END\n",
         {"2 missing-card", "5 missing-card", "8 missing-card"}},
        {"a line of blanks, or of nothing, read as a card; not the blank rest of a long line",
         kInteraction + "   \n" + kGeometry + kNode + "\n\n" + kNode + string(71, ' ') +
             "     \n*END\n",
         {"2 blank-line", "5 blank-line", "6 long-line"}},
        {"misspelled airbag keywords, cut short or without the underscore, options not "
         "imported and empty titles; other keywords pass",
         "*AIRBAG_INTERACTON\n" + kCard + "\n* AIRBAG_INTERACTION\n" + kCard +
             "\n*airbag_ale_x\n*AIRBAG_REFERENCE_GEOMETRY_RTD\n*AIRBAG_SIMPLE_PRESSURE_VOLUME\n"
             "*AIRBAG_INTERACTION_ID\n*NODE\n*\n*AIRBAG_SHELL_REFERENCE_GEOM\n*AIRBAGALE\n"
             "*AIRBAG_REFERENCE_GEOMETRY_BIRTH_TITLE\n*END\n",
         {"1 unknown-keyword", "3 empty-title", "5 keyword-not-imported", "6 unknown-keyword",
          "8 keyword-not-imported", "10 empty-title", "11 unknown-keyword", "12 unknown-keyword",
          "13 keyword-not-imported"}},
        {"a clean deck warns nothing",
         kInteraction + "$ AB1\n" + kCard + "\n" + kGeometry + kNode +
             "\n1,1.0,2.0,3.0\n"
             "*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n       0.5\n" +
             kNode + "\n*END\n",
         {}},
    };
}

}  // namespace

TEST(Warnings, EachKindNamesItsLine) {
    for (const WarningCase& c : warningCases()) {
        SCOPED_TRACE(c.label);
        ModelFolder folder;
        folder.write("main.k", c.deck);
        ModelTrace trace(folder);
        importModel(folder, trace, {});
        Lines warnings;
        for (const std::string& event : trace.events) {
            const size_t at = event.find("warning main.k:");
            if (at == 0) warnings.push_back(event.substr(15));
        }
        std::string messages;
        for (const std::string& message : trace.messages) messages += "\n  " + message;
        EXPECT_EQ(warnings, c.warnings) << "the messages:" << messages;
    }
}

// Messages name the field and what was read instead; a stale word names the
// line it came from; a long line says whether its rest was read as lines or
// skipped. (A number misread, a word dropped, a long line skipped, a
// misspelled title and a keyword cut short: the transcripts of
// docs/warnings.md and of examples/check in docs/cli.md.)
TEST(Warnings, MessagesSayWhatWasRead) {
    const std::pair<std::string, Lines> cases[] = {
        {kInteraction + "1,2,1.5,1.0,10\n",
         {"LCID: the line gives 5 of 7 values; the host is handed '' from before this file "
          "for it; write 0 for IDs that are not used"}},
        {"*AIRBAG_ADVANCED_ALE\n1,2,35,36,37,38,39,40\n1,2\n*END\n",
         {"HOLEID3-HOLEID8: the line gives 2 of 8 values; the host is handed '35', '36', ... "
          "from line 2 for them; write 0 for IDs that are not used",
          "*AIRBAG_ADVANCED_ALE (line 1) ends at this keyword line before its InflIDs card: that "
          "card and the ones after it are missing"}},
        {kInteraction + "$" + std::string(130, ' ') + "\n" + kCard + "\n",
         {"line longer than 126 characters: it is read in pieces of 127 characters, each taken "
          "as a line of its own"}},
        {"*AIRBAG_ALE\n100,1\n",
         {"the file ends inside *AIRBAG_ALE (line 1) before its AmbientCard card: that card and "
          "the ones after it are missing"}},
        {"*AIRBAG_SHELL_REFERENCE_GEOM\n*AIRBAGALE\n*AIRBAG_REFERENCE_GEOMETRY_ID\n",
         {"*AIRBAG_SHELL_REFERENCE_GEOM is no keyword and is skipped: did you mean "
          "*AIRBAG_SHELL_REFERENCE_GEOMETRY?",
          "*AIRBAGALE is no keyword and is skipped: did you mean *AIRBAG_ALE?",
          "*AIRBAG_REFERENCE_GEOMETRY_ID is *AIRBAG_REFERENCE_GEOMETRY with the option _ID, which "
          "is not imported: the keyword and its cards are skipped"}},
        {aleWithAir("         3"),
         {"the count asks for 3 AirCard cards, but 1 came before the end of the file"}},
    };
    for (const auto& [deck, messages] : cases) {
        ModelFolder folder;
        folder.write("main.k", deck);
        ModelTrace trace(folder);
        importModel(folder, trace, {});
        EXPECT_EQ(trace.messages, messages) << deck;
    }
}

// Lines are counted where a line of 126 characters and its newline just fit
// one read of 127 and where they do not: in the host's own reading between
// keywords and in the reader's inside a keyword.
TEST(Warnings, LinesAroundTheReadSizeAreCountedOnce) {
    for (const size_t length : {125u, 126u, 127u, 128u}) {
        ModelFolder folder;
        folder.write("main.k", "*KEYWORD\n" + std::string(length, 'x') + "\n" + kGeometry + kNode +
                                   std::string(length - kNode.size(), ' ') + "\n" + kNode + "\n" +
                                   kInteraction + kCard + "\n");
        ModelTrace trace(folder);
        trace.cards = true;
        importModel(folder, trace, {});
        Lines expected = {"keyword main.k:3 AIRBAG_REFERENCE_GEOMETRY"};
        if (length >= 127) expected.push_back("warning main.k:4 long-line");
        expected.push_back("card NodeInfo 4");
        if (length >= 127) expected.push_back("card NodeInfo 4");  // the rest of line 4
        for (const char* event :
             {"card NodeInfo 5", "keyword main.k:6 AIRBAG_INTERACTION", "card Interaction 7"})
            expected.push_back(event);
        EXPECT_EQ(trace.events, expected) << length;
    }
}

// Cards and host calls carry the number of the physical line they came from;
// a line read in pieces keeps its number, also in a piece that begins with
// '*'. A list that ends with its file is complete, and nothing is told of the
// end of the file.
TEST(Warnings, CardsAndCallsKnowTheirLines) {
    ModelFolder folder;
    const std::string longNode = kNode + std::string(71, ' ');  // 127 characters
    folder.write("main.k", kGeometry + "$ c\n" + kNode + "\n" + longNode + "*AIRBAG_INTERACTION\n" +
                               kCard + "\n" + kGeometry + kNode);
    ModelTrace trace(folder);
    trace.cards = trace.calls = true;
    importModel(folder, trace, {});
    EXPECT_EQ(
        trace.events,
        (Lines{"keyword main.k:1 AIRBAG_REFERENCE_GEOMETRY", "call addIDToRefFile 3",
               "call addIDToRefFile 4", "warning main.k:4 long-line", "card NodeInfo 3",
               "card NodeInfo 4", "keyword main.k:4 AIRBAG_INTERACTION", "call addIDToRefFile 5",
               "card Interaction 5", "keyword main.k:6 AIRBAG_REFERENCE_GEOMETRY",
               "call addIDToRefFile 7", "card NodeInfo 7"}));
}

// A warning names the columns of its line where the check knows them: the
// field or word of a value, the character, the text not read, the title.
TEST(Warnings, ColumnsNameTheFieldOrCharacter) {
    using std::string;
    const std::pair<std::string, Lines> cases[] = {
        {kInteraction + "       abc" + kCard.substr(10) + "\n", {"2 not-a-number 1-10"}},
        {kInteraction + "1, x ,1.5\n", {"2 not-a-number 3-5", "2 stale-word 0-0"}},
        {kInteraction + kCard + "     extra\n", {"2 ignored-text 76-0"}},
        {kInteraction + "1,2,1.5,1.0,10,20,0,77,88\n", {"2 ignored-text 21-0"}},
        {kInteraction + "1,,2,1.5,10,20,0\n", {"2 empty-comma-word 2-3"}},
        {kInteraction + "         1\t        2\n", {"2 control-character 11-11"}},
        {aleWithAir("         3") + "*END\n", {"7 short-count 31-40"}},
        {kGeometry + kNode + string(71, ' ') + "      1x\n*END\n",
         {"2 long-line 128-0", "2 not-a-number 128-135"}},
        {"*AIRBAG_INTERACTON\n", {"1 unknown-keyword 1-18"}},
        {"*PART\nthe heading\n        10\n*NODE\n       5\n      5\n" + kInteraction +
             "         1         2       1.5       1.0        11\n",
         {"8 undefined-reference 41-50", "6 duplicate-id 7-7"}},
    };
    for (const auto& [deck, expected] : cases) {
        SCOPED_TRACE(deck);
        ModelFolder folder;
        folder.write("main.k", deck);
        ModelTrace trace(folder);
        trace.columns = true;
        ImportSettings settings;
        settings.check = true;
        importModel(folder, trace, settings);
        Lines seen;
        for (const std::string& event : trace.events)
            if (event.rfind("warning main.k:", 0) == 0) seen.push_back(event.substr(15));
        EXPECT_EQ(seen, expected);
    }
}

// docs/warnings.md has a section for every kind, each once, and for nothing else.
TEST(Warnings, DocumentedKindsAreTheKinds) {
    std::ifstream doc(ABIMPORT_SOURCE_DIR "/docs/warnings.md");
    ASSERT_TRUE(doc) << "docs/warnings.md";
    std::map<std::string, int> named;
    const std::string heading = "### `";
    for (std::string line; std::getline(doc, line);) {
        if (line.rfind(heading, 0) == 0 && line.size() > heading.size() + 1 && line.back() == '`')
            ++named[line.substr(heading.size(), line.size() - heading.size() - 1)];
    }
    std::map<std::string, int> kinds;
    for (const WarningKindInfo& kind : kWarningKinds) kinds[kind.name] = 1;
    EXPECT_EQ(named, kinds);
}
