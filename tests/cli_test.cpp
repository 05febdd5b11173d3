// End-to-end tests of the abimport tool: the built executable runs on decks
// and its output, error lines and exit statuses are checked.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "../model/card.h"
#include "../output/jsonevents.h"
#include "../output/jsontext.h"
#include "deckloop.h"
#include "toolrun.h"

using namespace abimport;

using Lines = std::vector<std::string>;
const std::string kSource = ABIMPORT_SOURCE_DIR;
const std::string kExample = kSource + "/examples/airbags.k";
const std::string kEvent = "{\"event\":\"";

const auto golden = [](const std::string& name) { return kSource + "/tests/golden/" + name; };
using abimport::quoted;
using abimport::ToolRun;
const auto readFile = abimport::fileText;

// The lines of text that start with prefix.
static Lines linesFrom(const std::string& text, const std::string& prefix = "") {
    Lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

static bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The output without what tells where things came from: the "file" and "line"
// keys that end JSON events, and the "$ FILE:LINE" comments of the write-back.
static std::string withoutSources(const std::string& text) {
    static const std::regex keys(R"((,"file":"([^"\\]|\\.)*")?,"line":(\d+|null)\}$)");
    static const std::regex comment(R"(^\$ .*:\d+$)");
    std::string out;
    for (const std::string& line : linesFrom(text)) {
        if (std::regex_match(line, comment)) continue;
        out += std::regex_replace(line, keys, "}") + "\n";
    }
    return out;
}

// Runs the tool with args (shell words) and standard input from input, in a
// scratch folder of the test's own.
class CliTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder_.path(name); }
    void write(const std::string& name, const std::string& text) const {
        folder_.write(name, text);
    }
    ToolRun run(const std::string& args, const std::string& input = "/dev/null") const {
        return folder_.run(ABIMPORT_CLI_PATH, args, "", input);
    }
    ModelFolder folder_;
};

// The JSON events of a deck read with the reader meeting the end of the file
// itself, as the library defines it (no end line from the host).
static std::string libraryEvents(const std::string& path) {
    ImportSettings settings;
    settings.warnings = false;
    settings.cardLines = true;
    settings.fileEndLine = false;
    return writtenBy([&](FILE* out) {
        JsonEventWriter writer(out);
        HostImportObject target(&writer);
        importFile(path, target, &writer, settings);
    });
}

// The --json events of each golden deck as the library reads it, and the
// write-back text of one, as checked by hand against the keyword layouts,
// byte for byte, apart from the keys and comments that name files and lines.
// The tool gives the same events but those the end of a file made.
TEST_F(CliTest, OutputMatchesGoldenFiles) {
    for (const std::string name : {"interaction", "ale", "advancedale", "geometry", "bytes"}) {
        const std::string events = libraryEvents(golden(name + ".k"));
        EXPECT_EQ(withoutSources(events), readFile(golden(name + ".jsonl"))) << name;
        std::string fromLines;
        for (const std::string& line : linesFrom(events))
            if (line.find("\"line\":null}") == std::string::npos) fromLines += line + "\n";
        const ToolRun result = run("--json --no-warnings " + quoted(golden(name + ".k")));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, fromLines) << name;
    }
    EXPECT_EQ(withoutSources(run(quoted(golden("interaction.k"))).out),
              readFile(golden("interaction-written.k")));
}

// Bad command lines exit 2 and unreadable decks 1, each with one line on
// standard error naming the option or the file. Otherwise the output begins
// as given: --flags sets the host flag word (decimal or hex) whose bits select
// ID reports (0x10), cards (0x4) and their field names (0x2). (Each flag word's
// JSON and write-back: test_tool_agreement.py, against the library's.)
TEST_F(CliTest, StatusAndOutputOfEveryCommandLine) {
    const std::string deck = " --no-warnings " + quoted(golden("interaction.k"));
    const std::string source = "$ " + golden("interaction.k") + ":3\n";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 2, "abimport: no deck given"},
        {"--bogus" + deck, 2, "abimport: unknown option '--bogus'"},
        {"--flags", 2, "abimport: option '--flags' needs a value"},
        {"--flags 0x1G" + deck, 2, "abimport: invalid value '0x1G' for '--flags'"},
        {"--flags 4294967296" + deck, 2, "abimport: invalid value '4294967296'"},
        {"--flags=-1" + deck, 2, "abimport: invalid value '-1'"},
        {"--json --summary" + deck, 2, "abimport: option '--summary' conflicts"},
        {quoted(path("none.k")), 1, "abimport: cannot read '" + path("none.k") + "': No such file"},
        {"--json " + quoted(path("")), 1,
         "abimport: cannot read '" + path("") + "': Is a directory"},
        {"--version", 0,
         "abimport " ABIMPORT_EXPECTED_VERSION "\nlibrary " ABIMPORT_EXPECTED_VERSION "\n"},
        {"--flags 22" + deck, 0, source + "*AIRBAG_INTERACTION\n$      AB1"},
        {"--flags 0X6" + deck, 0, source + "*AIRBAG_INTERACTION\n$      AB1"},
        {"--flags 0x10" + deck, 0, source + "*AIRBAG_INTERACTION\n$ "},
    };
    for (const auto& [args, status, message] : cases) {
        const ToolRun result = run(args);
        const std::string& shown = status ? result.err : result.out;
        EXPECT_EQ(result.status, status) << args;
        EXPECT_EQ(result.out + result.err, shown) << args;  // nothing on the other stream
        EXPECT_EQ(shown.find(message), 0u) << shown;
        EXPECT_TRUE(!status || linesFrom(shown).size() == 1) << shown;
    }
}

// Decks are handled in turn, "-" being standard input, in every mode; one
// that cannot be read does not stop the others, and the status reports it.
TEST_F(CliTest, SeveralDecksAndStandardInput) {
    const std::string a = golden("interaction.k"), b = golden("ale.k");
    const std::string decks = " " + quoted(a) + " " + quoted(path("none.k")) + " -";
    const ToolRun json = run("--json --no-warnings" + decks, b);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.err,
              "abimport: cannot read '" + path("none.k") + "': No such file or directory\n");
    EXPECT_EQ(withoutSources(json.out),
              kEvent + "deck\",\"path\":\"" + a + "\"}\n" + readFile(golden("interaction.jsonl")) +
                  kEvent + "deck\",\"path\":\"-\"}\n" + readFile(golden("ale.jsonl")));
    EXPECT_EQ(withoutSources(run(decks, b).out),
              withoutSources(run(quoted(a)).out + run(quoted(b)).out));
    const std::string summary = run("--summary" + decks, b).out;
    EXPECT_TRUE(holds(summary, "deck " + a + "\nkeywords imported: 5\n"));
    EXPECT_TRUE(holds(summary, "deck standard input\nkeywords imported: 2\n"));
    EXPECT_EQ(run("--quiet" + decks, b).out, "");
}

// Warnings go to standard error as FILE:LINE: warning: MESSAGE [KIND], at most
// 20 of a kind per deck and then one line with the number left out; in --json
// they are events in the stream and standard error stays empty.
// --no-warnings hides them; --strict makes them exit status 3.
TEST_F(CliTest, WarningsOnStandardErrorOrAsEvents) {
    std::string deck = "*AIRBAG_REFERENCE_GEOMETRY\n";
    for (int i = 0; i < 25; ++i) deck += "       1\t            1.5\n";
    write("tabs.k", deck + "*END\n");
    const std::string file = path("tabs.k");
    const std::string message =
        ": warning: tab in column 9: a field or word that begins with one "
        "reads as empty [control-character]";

    const ToolRun quiet = run("-q " + quoted(file));
    Lines expected;
    for (int line = 2; line <= 21; ++line)
        expected.push_back(file + ":" + std::to_string(line) + message);
    expected.push_back(
        file + ": warning: 5 more control-character warnings not shown [control-character]");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(linesFrom(quiet.err), expected);

    const ToolRun json = run("--json " + quoted(file));
    EXPECT_EQ(json.err, "");
    const Lines events = linesFrom(json.out, kEvent + "warning");
    ASSERT_EQ(events.size(), 25u);
    EXPECT_EQ(events[24], kEvent + "warning\",\"file\":\"" + file +
                              "\",\"line\":26,\"kind\":\"control-character\",\"message\":\"tab in "
                              "column 9: a field or word that begins with one reads as empty\"}");

    const std::tuple<std::string, int, bool> modes[] = {
        {"-q --no-warnings", 0, false},
        {"-q --strict", 3, true},
        {"--json --strict", 3, false},
        {"--summary --strict", 3, true},
    };
    for (const auto& [options, status, stderrLines] : modes) {
        const ToolRun result = run(options + " " + quoted(file));
        EXPECT_EQ(result.status, status) << options;
        EXPECT_EQ(!result.err.empty(), stderrLines) << options;
    }
}

// --no-warnings turns the reading checks off: the summary says so instead of
// a count, include warnings are still reported in every mode, and --strict
// with it is a usage error.
TEST_F(CliTest, NoWarningsMeansNotChecked) {
    write("main.k", "*INCLUDE\npart.k\n*AIRBAG_INTERACTION\n       1\t  2\n");
    const std::string deck = " --no-includes " + quoted(path("main.k"));
    const std::string skipped = "*INCLUDE 'part.k' not followed: includes are turned off";
    EXPECT_TRUE(holds(run("-q" + deck).err, path("main.k") + ":4: warning: tab in column 9"));

    const ToolRun quiet = run("-q --no-warnings" + deck);
    EXPECT_EQ(quiet.err, path("main.k") + ":1: warning: " + skipped + " [include-skipped]\n");
    const Lines events = linesFrom(run("--json --no-warnings" + deck).out, kEvent + "warning");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find(skipped), std::string::npos);
    const std::string summary = run("--summary --no-warnings" + deck).out;
    EXPECT_TRUE(holds(summary, "\nwarnings: not checked (--no-warnings)\n  include-skipped "))
        << summary;

    const ToolRun strict = run("-q --strict --no-warnings" + deck);
    EXPECT_EQ(strict.status, 2);
    EXPECT_EQ(strict.err,
              "abimport: '--strict' and '--no-warnings' do not go together: --strict "
              "fails on the warnings of the reading checks, which --no-warnings turns "
              "off\n");
}

// --stdin-name reads standard input as the named file: includes from its
// folder, its name in keywords and warnings (the summary: the docs'
// transcript of docs/cli.md).
TEST_F(CliTest, StandardInputReadAsANamedFile) {
    write("sub/part.k", "*AIRBAG_INTERACTION\n         7\n");
    write("sub/main.k", "*INCLUDE\npart.k\n*AIRBAG_INTERACTION\n1,2\n");
    const std::string name = path("sub/main.k");
    const ToolRun json = run("--json --stdin-name " + quoted(name) + " -", name);
    EXPECT_EQ(json.status, 0);
    EXPECT_TRUE(holds(json.out, kEvent + "include\",\"file\":\"" + name +
                                    "\",\"line\":1,\"path\":\"" + path("sub/part.k") + "\"}"))
        << json.out;
    EXPECT_TRUE(
        holds(json.out, "\"title\":\"AIRBAG_INTERACTION\",\"file\":\"" + name + "\",\"line\":3}"));
    EXPECT_EQ(run("-q --stdin-name=" + quoted(name) + " -", name).err.find(name + ":4: warning: "),
              0u);

    EXPECT_EQ(run("-q -", name).status, 1);  // part.k is not in the working folder
    for (const std::string& args :
         Lines{"--stdin-name " + quoted(name) + " " + quoted(name), "--stdin-name= -"}) {
        const ToolRun bad = run(args, name);
        EXPECT_EQ(bad.status, 2) << args;
        EXPECT_EQ(bad.err.find("abimport: option '--stdin-name' "), 0u) << bad.err;
    }
}

// The summary shows the deck's title, and several decks end with their
// totals. (The files block aligned for long and non-ASCII names: the docs'
// transcript of docs/cli.md.)
TEST_F(CliTest, SummaryTitleAndTotals) {
    write("part.k", "*AIRBAG_INTERACTION\n         7\n");
    write("main.k",
          "*KEYWORD\n*TITLE\n$ comment\nModel \xc3\xa9t\xc3\xa9 2026  \r\n*INCLUDE\npart.k\n"
          "*INCLUDE\nempty.k\n*AIRBAG_INTERACTION\n       1\t  2\n");
    write("empty.k", "$ empty\n");
    const std::string text =
        run("--summary " + quoted(path("main.k")) + " " + quoted(kExample)).out;
    EXPECT_EQ(
        text.find("deck " + path("main.k") + "\ntitle: Model \xc3\xa9t\xc3\xa9 2026\nkeywords"),
        0u);
    EXPECT_EQ(text.substr(text.find("total over")),
              "total over 2 decks\nkeywords imported: 10\ncards built: 32\nhost lookups: 3\n"
              "ID references: 37\nfiles read: 4\nwarnings: 1\n");
}

// Where things came from, in the JSON keys of a keyword of an include and the
// write-back's comments (include events: StandardInputReadAsANamedFile); and the exit status of an
// include that cannot be found (1, over --strict's 3). (The summary's files, and an include turned
// off: the docs' transcripts of docs/cli.md and docs/warnings.md.)
TEST_F(CliTest, IncludesAndProvenance) {
    const std::string model = kSource + "/examples/model/";
    const std::string main = quoted(model + "main.k");
    const std::string json = run("--json " + main).out;
    EXPECT_TRUE(
        holds(json, kEvent + "keyword\",\"code\":1,\"title\":\"AIRBAG_ADVANCED_ALE\",\"file\":\"" +
                        model + "bags/advanced-ale.k\",\"line\":3}\n"));
    EXPECT_TRUE(holds(json, "\"text\":\"$    BIRTH\\n     0.002\\n\",\"line\":23}"));

    EXPECT_TRUE(holds(run(main).out,
                      "$ " + model + "bags/advanced-ale.k:21\n*AIRBAG_REFERENCE_GEOMETRY_BIRTH\n"));

    write("main.k", "*INCLUDE\nnone.k\n*AIRBAG_INTERACTION\n         7\n");
    for (const std::string options : {"--summary", "--summary --strict"}) {
        const ToolRun missing = run(options + " " + quoted(path("main.k")));
        EXPECT_EQ(missing.status, 1);
        EXPECT_TRUE(holds(missing.out, "keywords imported: 1\n"));
        EXPECT_EQ(missing.err.find(path("main.k") + ":1: warning: cannot find *INCLUDE 'none.k'"),
                  0u)
            << missing.err;
    }
}

// Write-back keeps values in their columns (an empty field before a filled
// one as a tab, which reads empty and draws no warning), writes the "$"
// header once per run of cards of one layout, and warns of each field
// without an exact text, naming it.
TEST_F(CliTest, WriteBackKeepsColumnsAndWarnsPerInexactField) {
    write("inexact.k",
          "*AIRBAG_INTERACTION\n         1\t         3.         4\n"
          "*AIRBAG_INTERACTION\n1,2,0.123456789012,1.23456789012,5,6,7\n"
          "*AIRBAG_REFERENCE_GEOMETRY\n123456789,1.5,2.5,3.5\n"
          "       2    -1523.123456             0.0\n       3    -1523.123456             0.0\n"
          "       4\t                          1.5\n*END\n");
    const ToolRun result = run(quoted(path("inexact.k")));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.substr(result.out.find("\n") + 1),
              "*AIRBAG_INTERACTION\n"
              "$      AB1       AB2      AREA        SF\n"
              "         1\t                3.0       4.0\n"
              "$ " +
                  path("inexact.k") +
                  ":3\n*AIRBAG_INTERACTION\n"
                  "$      AB1       AB2      AREA        SF       PID      LCID     IFLOW\n"
                  "         1         2.1234567891.23456789         5         6         7\n"
                  "$ " +
                  path("inexact.k") +
                  ":5\n*AIRBAG_REFERENCE_GEOMETRY\n"
                  "$    NID               X               Y               Z\n"
                  "99999999             1.5             2.5             3.5\n"
                  "$    NID               X               Y\n"
                  "       2    -1523.123456             0.0\n"
                  "       3    -1523.123456             0.0\n"
                  "$    NID               X               Y\n"
                  "       4\t" +
                  std::string(15 + 13, ' ') +
                  "1.5\n"
                  "*END\n");
    EXPECT_EQ(result.err,
              path("inexact.k") +
                  ":4: warning: Interaction card: AREA: 0.123456789012 is written "
                  "as '.123456789', which reads back as 0.123456789 [write-back-inexact]\n" +
                  path("inexact.k") +
                  ":4: warning: Interaction card: SF: 1.23456789012 is written as '1.23456789', "
                  "which reads back as 1.23456789 [write-back-inexact]\n" +
                  path("inexact.k") +
                  ":6: warning: NodeInfo card: NID: 123456789 is written as "
                  "'99999999', which reads back as 99999999 [write-back-inexact]\n");
    write("again.k", result.out);
    EXPECT_EQ(run(quoted(path("again.k"))).err, "");
}

// Memory does not grow with the length of a line: a line of 100 MB, in a
// keyword line, a one-card airbag keyword or another keyword's data, costs what
// a short one costs. (A node or element line is read in pieces that are each a
// card, so there the cards take memory, not the line.)
TEST_F(CliTest, LongLinesKeepMemoryBounded) {
    {
        std::ofstream deck(path("long.k"), std::ios::binary);
        const std::string block(1 << 20, '7');
        deck << "*KEYWORD " << block << "\n*AIRBAG_INTERACTION\n         1";
        for (int i = 0; i < 100; ++i) deck << block;
        deck << "\n*NODE\n";
        for (int i = 0; i < 100; ++i) deck << block;
        deck << "\n*AIRBAG_INTERACTION\n         5\n";
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execl(ABIMPORT_CLI_PATH, "abimport", "--summary", path("long.k").c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak resident memory in KiB";
}

// With --jobs, decks are imported on several threads at once, and everything
// comes out as if they were handled one after the other: output, errors,
// warnings and exit status, in every mode.
TEST_F(CliTest, DecksOnThreadsPrintInCommandLineOrder) {
    std::string decks;
    for (const std::string& deck :
         {kExample, golden("interaction.k"), path("none.k"), golden("geometry.k"),
          kSource + "/examples/model/main.k", golden("advancedale.k"), kExample}) {
        decks += " " + quoted(deck);
    }
    for (const std::string mode : {"", "--json", "--summary", "-q --strict"}) {
        const ToolRun one = run(mode + " -j 1" + decks + " -", golden("ale.k"));
        EXPECT_EQ(one.status, 1);
        for (const std::string jobs : {"-j 3", "--jobs=7", "-j2"}) {
            const ToolRun many = run(mode + " " + jobs + decks + " -", golden("ale.k"));
            EXPECT_EQ(many.status, one.status) << mode << jobs;
            EXPECT_EQ(many.out, one.out) << mode << jobs;
            EXPECT_EQ(many.err, one.err) << mode << jobs;
        }
    }
    EXPECT_EQ(run("-j 0 " + quoted(kExample)).err,
              "abimport: invalid value '0' for '-j': expected a number of decks from 1 to 1024\n");
}

// A keyword of many cards is written from chunks that two threads prepare:
// every card once, in the deck's order, in both outputs that write cards.
TEST_F(CliTest, ManyCardsComeOutInOrderFromTwoThreads) {
    constexpr int kNodes = 40000;
    {
        std::ofstream deck(path("many.k"), std::ios::binary);
        deck << "*AIRBAG_REFERENCE_GEOMETRY\n";
        char line[64];
        for (int node = 1; node <= kNodes; ++node) {
            std::snprintf(line, sizeof line, "%8d%16.6f%16.6f%16.6f\n", node, node * 0.5, 1.0, 2.0);
            deck << line;
        }
        deck << "*END\n";
    }
    const std::string json = run("--json " + quoted(path("many.k"))).out;
    const std::string written = run(quoted(path("many.k"))).out;
    const std::regex nodeValue(R"("fields":\[\{"type":1,"width":8,"value":(\d+)\})");
    const std::regex nodeLine(R"(^ *(\d+) +[0-9.]+ +1\.0 +2\.0$)");
    std::vector<int> fromJson, fromText;
    for (const std::string& line : linesFrom(json, kEvent + "card")) {
        std::smatch match;
        if (std::regex_search(line, match, nodeValue)) fromJson.push_back(std::stoi(match[1]));
    }
    for (const std::string& line : linesFrom(written)) {
        std::smatch match;
        if (std::regex_match(line, match, nodeLine)) fromText.push_back(std::stoi(match[1]));
    }
    std::vector<int> expected(kNodes);
    for (int node = 0; node < kNodes; ++node) expected[static_cast<size_t>(node)] = node + 1;
    EXPECT_EQ(fromJson, expected);
    EXPECT_EQ(fromText, expected);
}

// --set with --diff and --in-place: only the edited columns or comma word
// change, CRLF line ends and bytes that are not UTF-8 included; files without
// edits are not written; permissions stay. (--output, the same save to a
// folder: test_editing.py's test_save_to_folder_copies_untouched_files_exactly.)
TEST_F(CliTest, EditsRewriteOnlyTheEditedFields) {
    const std::string main =
        "$ \xe9t\xe9\r\n*INCLUDE\r\ninc/b.k\r\n*AIRBAG_INTERACTION\r\n"
        "         1         2       1.5       1.0        10\r\n"
        "*AIRBAG_REFERENCE_GEOMETRY\r\n"
        "       7    -1523.123456             0.0\r\n*END\r\n";
    const std::string include = "*AIRBAG_INTERACTION\n3,4,2.5,1.,10\n";
    write("m/main.k", main);
    write("m/inc/b.k", include);
    ASSERT_EQ(chmod(path("m/main.k").c_str(), 0640), 0);
    const std::string deck = quoted(path("m/main.k")), mainName = path("m/main.k");
    const std::string sets = " --set " + quoted(mainName + ":5:AREA=0.0025") + " --set " +
                             quoted(mainName + ":7:Z=-1.5e-300") + " --set " +
                             quoted(mainName + ":5:SF=1e5") + " --set " +
                             quoted(path("m/inc/b.k") + ":2:AREA=-7.25") + " ";

    const ToolRun diff = run(sets + "--diff " + deck);
    EXPECT_EQ(diff.status, 0) << diff.err;
    EXPECT_EQ(diff.out, "--- " + mainName + "\n+++ " + mainName +
                            "\n"
                            "@@ -5 +5 @@\n-         1         2       1.5       1.0        10\r\n"
                            "+         1         2    0.0025       1e5        10\r\n"
                            "@@ -7 +7 @@\n-       7    -1523.123456             0.0\r\n"
                            "+       7    -1523.123456             0.0       -1.5e-300\r\n"
                            "--- " +
                            path("m/inc/b.k") + "\n+++ " + path("m/inc/b.k") +
                            "\n"
                            "@@ -2 +2 @@\n-3,4,2.5,1.,10\n+3,4,-7.25,1.,10\n");
    EXPECT_EQ(readFile(path("m/main.k")), main);

    const ToolRun one = run("--set " + quoted(mainName + ":5:PID=11") + " --in-place " + deck);
    EXPECT_EQ(one.status, 0) << one.err;
    std::string inPlace = main;
    inPlace.replace(inPlace.find("        10\r"), 10, "        11");
    EXPECT_EQ(readFile(path("m/main.k")), inPlace);
    EXPECT_EQ(readFile(path("m/inc/b.k")), include);
    struct stat status {};
    ASSERT_EQ(stat(path("m/main.k").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_TRUE(holds(run(deck).out, "        11\n"));
}

// Each edit that cannot be made exactly is an error naming FILE:LINE and the
// field, with exit status 1 (2 for a malformed --set), and nothing written.
// (The messages of the edit itself: test_editing.py's table, on the same deck.)
TEST_F(CliTest, EditErrorsNameTheFieldAndWriteNothing) {
    const std::string deck =
        "*AIRBAG_INTERACTION\n         1         2       1.5\n"
        "*AIRBAG_REFERENCE_GEOMETRY\n       7             0.0\n" +
        std::string(130, ' ') + "\n*AIRBAG_REFERENCE_GEOMETRY\n";
    write("m/main.k", deck);
    write("m/outside.k", "*AIRBAG_INTERACTION\n1\n");
    const std::string file = path("m/main.k");
    struct Case {
        std::string set;
        std::string error;
        int status;
    };
    const std::vector<Case> cases = {
        {file + ":2:AREA=0.123456789012",
         file + ":2: Interaction AREA: '0.123456789012' has no text that fits its 10 columns; the "
                "closest is '.123456789'",
         1},
        {file + ":6:NID=1", file + ":6: no airbag card was read from this line", 1},
        {file + ":1:AB1=1", file + ":1: no airbag card was read from this line", 1},
        {path("m/none.k") + ":1:AB1=1", path("m/none.k") + ": no file of the model is called so",
         1},
        {file + ":x:AB1=1", "invalid --set", 2},
    };
    for (const Case& c : cases) {
        const ToolRun result = run("--set " + quoted(c.set) + " --in-place " + quoted(file));
        EXPECT_EQ(result.status, c.status) << c.set;
        EXPECT_EQ(result.err.find("abimport: " + c.error), 0u) << result.err;
        EXPECT_EQ(readFile(file), deck);
    }
    EXPECT_EQ(run("--in-place " + quoted(file)).status, 2);

    // An include outside the main deck's folder cannot be mirrored.
    write("m/main.k", "*INCLUDE\n../outside.k\n" + deck);
    write("outside.k", "*AIRBAG_INTERACTION\n1\n");
    const ToolRun outside = run("--set " + quoted(file + ":4:AREA=1") + " --output " +
                                quoted(path("copy")) + " " + quoted(file));
    EXPECT_EQ(outside.status, 1);
    EXPECT_TRUE(holds(outside.err, "outside.k: the include lies outside the main deck's folder"))
        << outside.err;
    EXPECT_NE(access(path("copy").c_str(), F_OK), 0);
}

// The same field twice is an error; --set-nodes takes NID,X,Y,Z rows with or
// without a header. (--round: the docs' transcript of docs/cli.md.)
TEST_F(CliTest, SetTwiceAndNodesFromCsv) {
    const std::string file = path("main.k");
    write("main.k",
          "*AIRBAG_INTERACTION\n         1         2       1.5\n"
          "*AIRBAG_REFERENCE_GEOMETRY\n       7             0.0             1.0\n"
          "       8             2.0\n");
    const ToolRun twice = run("--set " + quoted(file + ":2:AREA=1") + " --set " +
                              quoted(file + ":2:area=2") + " --diff " + quoted(file));
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err,
              "abimport: " + file + ":2: area is set twice (--set AREA=1 and --set area=2)\n");

    write("nodes.csv", "NID,X,Y,Z\n8,1.5,2.5,3.5\n7,0.0,-1,0.25\n");
    const ToolRun nodes =
        run("--set-nodes " + quoted(path("nodes.csv")) + " --in-place " + quoted(file));
    EXPECT_EQ(nodes.status, 0) << nodes.err;
    EXPECT_EQ(readFile(file),
              "*AIRBAG_INTERACTION\n         1         2       1.5\n"
              "*AIRBAG_REFERENCE_GEOMETRY\n       7             0.0            -1.0"
              "            0.25\n       8             1.5             2.5             3.5\n");
    write("bad.csv", "7,1,2,3\n9,1,2,3\n");
    const ToolRun missing =
        run("--set-nodes " + quoted(path("bad.csv")) + " --in-place " + quoted(file));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "abimport: no node 9 in the reference geometries\n");
}
