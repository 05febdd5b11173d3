// Comparing two models: the comparison on decks held in memory, line for
// line, and abimport diff end to end (statuses, options, the example model
// and its variant).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "../compare/diffprint.h"
#include "../host/hostcalls.h"
#include "deckloop.h"
#include "toolrun.h"

using namespace abimport;

namespace {

// The text lines that compare a deck named old.k with one named new.k.
std::string compared(const std::string& before, const std::string& after, double tolerance,
                     bool rows) {
    Card::contFlag = 0x16;
    DiffModel a, b;
    for (auto [text, name, model] : {std::tuple{&before, "old.k", &a}, {&after, "new.k", &b}}) {
        HostImportObject target;
        DiffRecorder recorder(*model, target);
        ImportSettings settings;
        settings.warnings = false;
        settings.cardLines = true;
        importText(*text, name, target, &recorder, settings);
    }
    bool changes = false;
    const std::string lines = writtenBy([&](FILE* out) {
        DiffTextWriter writer(out, rows);
        changes = compareModels(a, b, DiffSettings{tolerance}, writer);
    });
    EXPECT_EQ(changes, !lines.empty());
    return lines;
}

const std::string kInteraction = "*AIRBAG_INTERACTION\n";
const std::string kNodes = "*AIRBAG_REFERENCE_GEOMETRY\n";
const std::string kShells = "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n";
const std::string kAdvancedAle =
    "*AIRBAG_ADVANCED_ALE\n1\n11\n21\n20,20,20,0,0,100,0\n1.2,1.2,1.2,3,7\n"
    "293.0,101350.0,0.0,8.314,1.0,0.0,0.029,1.0\n       0.0                 0.0";

TEST(Diff, ChangesBetweenTwoDecks) {
    const std::tuple<const char*, std::string, std::string, double, bool, std::string> cases[] = {
        {"only formatting, comments and number forms differ",
         kInteraction + "         1         2       1.5       1.0        10        20         0\n" +
             kNodes + "       1             0.0             0.5             0.0\n",
         "$ a comment\n" + kInteraction + "$ and another\n1,2,15.e-1,1.00,10,20,0\n" + kNodes +
             "1,0,0.50,0.\n",
         0, false, ""},
        {"keywords of one title pair by their ID, not by order",
         kInteraction + "1,2,1.5\n" + kInteraction + "3,4,2.5\n",
         kInteraction + "3,4,2.5\n" + kInteraction + "1,2,1.6\n", 0, false,
         "AIRBAG_INTERACTION Interaction AREA: 1.5 -> 1.6   (old.k:2 -> new.k:4)\n"},
        {"blank columns read as 0, and so do fields a line ends before",
         kInteraction + "         1         2                 1.0         7\n",
         kInteraction + "1,2,0,1.0,7,0,0\n", 0, false, ""},
        {"a field a line ends before is blank", kInteraction + "1,2,1.5\n",
         kInteraction + "1,2,1.5,1.0\n", 0, false,
         "AIRBAG_INTERACTION Interaction SF: (blank) -> 1   (old.k:2 -> new.k:2)\n"},
        {"a node moved by one ulp", kNodes + "1,0.1,0,0\n", kNodes + "1,0.10000000000000002,0,0\n",
         0, false,
         "AIRBAG_REFERENCE_GEOMETRY: 1 of 1 nodes moved (largest 1.38778e-17 at node 1), 0 added, "
         "0 removed   (old.k:1 -> new.k:1)\n"},
        {"one ulp within the tolerance", kNodes + "1,0.1,0,0\n",
         kNodes + "1,0.10000000000000002,0,0\n", 1e-15, false, ""},
        {"one ulp beyond a tighter tolerance", kNodes + "1,0.1,0,0\n",
         kNodes + "1,0.10000000000000002,0,0\n", 1e-17, false,
         "AIRBAG_REFERENCE_GEOMETRY: 1 of 1 nodes moved (largest 1.38778e-17 at node 1), 0 added, "
         "0 removed   (old.k:1 -> new.k:1)\n"},
        {"nodes pair by NID; each listed with rows", kNodes + "1,0,0,0\n2,0,0,0\n3,0,0,0\n",
         kNodes + "3,3,4,0\n1,0,0,0\n4,0,0,0\n", 0, true,
         "AIRBAG_REFERENCE_GEOMETRY: 1 of 3 nodes moved (largest 5 at node 3), 1 added, 1 removed"
         "   (old.k:1 -> new.k:1)\n"
         "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=2 removed   (old.k:3 -> -)\n"
         "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=3 X: 0 -> 3   (old.k:4 -> new.k:2)\n"
         "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=3 Y: 0 -> 4   (old.k:4 -> new.k:2)\n"
         "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=4 added   (- -> new.k:4)\n"},
        {"shells pair by EID", kShells + "100,7,1,2,3,4\n101,7,2,5,4,3\n",
         kShells + "101,7,2,5,4,3\n100,8,1,2,3,4\n", 0, true,
         "AIRBAG_SHELL_REFERENCE_GEOMETRY: 1 of 2 shells changed, 0 added, 0 removed   (old.k:1 -> "
         "new.k:1)\n"
         "AIRBAG_SHELL_REFERENCE_GEOMETRY ShellInfo EID=100 PID: 7 -> 8   (old.k:2 -> new.k:3)\n"},
        {"IDs of 8 digits that touch the next field pair by their own columns",
         kNodes + "1234567812345.6789012345             0.0             0.0\n" + kShells +
             "1000000210000001123456781234567812345678\n",
         kNodes + "1234567812345.6789012346             0.0             0.0\n" + kShells +
             "1000000210000003123456781234567812345678\n",
         0, true,
         "AIRBAG_REFERENCE_GEOMETRY: 1 of 1 nodes moved (largest 1.00044e-10 at node 12345678), 0 "
         "added, 0 removed   (old.k:1 -> new.k:1)\n"
         "AIRBAG_REFERENCE_GEOMETRY NodeInfo NID=12345678 X: 12345.6789012345 -> "
         "12345.6789012346   (old.k:2 -> new.k:2)\n"
         "AIRBAG_SHELL_REFERENCE_GEOMETRY: 1 of 1 shells changed, 0 added, 0 removed   (old.k:3 -> "
         "new.k:3)\n"
         "AIRBAG_SHELL_REFERENCE_GEOMETRY ShellInfo EID=10000002 PID: 10000001 -> 10000003   "
         "(old.k:4 -> new.k:4)\n"},
        {"a removed card, named by its number among cards of its name",
         kAdvancedAle + "         2\n0,0,0.0289,1.0,29.0\n0,0,0.0320,1.0,32.0\n",
         kAdvancedAle + "         1\n0,0,0.0289,1.0,29.0\n", 0, false,
         "AIRBAG_ADVANCED_ALE CVCard2 NAIR: 2 -> 1   (old.k:8 -> new.k:8)\n"
         "AIRBAG_ADVANCED_ALE AirCard #2 removed   (old.k:10 -> -)\n"},
        {"added and removed keywords where they stand in the new model",
         kInteraction + "1,2\n" + kInteraction + "5,6\n" + kNodes + "1,0,0,0\n",
         kInteraction + "1,2\n" + kNodes + "1,0,0,0\n" + kInteraction + "7,8\n", 0, false,
         "AIRBAG_INTERACTION AB1=5 removed   (old.k:3 -> -)\n"
         "AIRBAG_INTERACTION AB1=7 added   (- -> new.k:5)\n"},
    };
    for (const auto& [what, before, after, tolerance, rows, expected] : cases) {
        EXPECT_EQ(compared(before, after, tolerance, rows), expected) << what;
    }
}

using abimport::ToolRun;

// abimport diff from the source folder, its output kept in a folder of the
// test's own. (The example model against its variant, in full and with --all,
// and --help: the docs' transcripts of docs/cli.md.)
TEST(DiffTool, StatusAndOutputOfEveryCommandLine) {
    const ModelFolder scratch;
    const auto diff = [&](const std::string& args) {
        return scratch.run(ABIMPORT_CLI_PATH, "diff " + args, ABIMPORT_SOURCE_DIR);
    };
    const std::string model = " examples/model/main.k", variant = " examples/model-variant/main.k";
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {model + model, 0, "", ""},
        {"--json" + model + variant, 1,
         "{\"change\":\"value\",\"keyword\":\"AIRBAG_ALE\",\"keywordId\":100,\"card\":\"VentHole\","
         "\"field\":\"VNTCOF\",\"old\":0.6,\"new\":0.65,\"from\":{\"file\":"
         "\"examples/model/bags/driver-bag-with-interaction.k\",\"line\":12},\"to\":{\"file\":"
         "\"examples/model-variant/bags/driver-bag-with-interaction.k\",\"line\":13}}\n",
         ""},
        {"--summary" + model + variant, 1,
         "changes by keyword                        values    +cards    -cards +keywords "
         "-keywords\n"
         "  AIRBAG_ALE                                   1         0         0         0         "
         "0\n",
         ""},
        {"--tolerance 0.1" + model + variant, 1, "AIRBAG_INTERACTION Interaction AREA: 1.5 -> 1.8",
         ""},
        {"--strict examples/odd-lines.k examples/odd-lines.k", 3, "",
         "examples/odd-lines.k:6: warning:"},
        {"--no-warnings --strict examples/odd-lines.k examples/odd-lines.k", 2, "",
         "abimport: '--strict' and '--no-warnings' do not go together"},
        {model + " examples/none.k", 2, "",
         "abimport: cannot read 'examples/none.k': No such file"},
        {model, 2, "", "abimport: diff compares two models, OLD and NEW; 1 given"},
        {"--tolerance -1" + model + variant, 2, "",
         "abimport: invalid value '-1' for '--tolerance'"},
        {"--tolerance=1x" + model + variant, 2, "",
         "abimport: invalid value '1x' for '--tolerance'"},
        {"--flags 0x12" + model + variant, 2, "", "abimport: '--flags 0x12' builds no cards"},
        {"--json --summary" + model + variant, 2, "", "abimport: option '--summary' conflicts"},
        {"--bogus" + model + variant, 2, "", "abimport: unknown option '--bogus'"},
        {"- -", 2, "", "abimport: standard input can be only one of the models"},
    };
    for (const auto& [args, status, out, err] : cases) {
        const ToolRun result = diff(args);
        EXPECT_EQ(result.status, status) << args;
        EXPECT_EQ(result.out.compare(0, out.size(), out), 0) << args << "\n" << result.out;
        EXPECT_EQ(result.err.compare(0, err.size(), err), 0) << args << "\n" << result.err;
        EXPECT_EQ(err.empty(), result.err.empty()) << args << "\n" << result.err;
    }
}

}  // namespace
