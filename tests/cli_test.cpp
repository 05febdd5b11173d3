// End-to-end tests of the abimport tool: the built executable runs on decks
// and its output, error lines and exit statuses are checked.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "jsontext.h"

namespace {

const std::string kTool = ABIMPORT_CLI_PATH;
const std::string kSource = ABIMPORT_SOURCE_DIR;
const std::string kExample = kSource + "/examples/airbags.k";
const std::string kCommaExample = kSource + "/examples/airbags-comma.k";

std::string golden(const std::string& name) { return kSource + "/tests/golden/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

// A scratch directory for decks and captured output, removed at the end.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/abimport-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs the tool with the arguments (a shell word list), standard input
    // from stdinPath (or /dev/null).
    ToolRun run(const std::string& args, const std::string& stdinPath = "/dev/null") const {
        const std::string command = "'" + kTool + "' " + args + " <'" + stdinPath + "' >'" +
                                    path("out") + "' 2>'" + path("err") + "'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(path("out")), readFile(path("err"))};
    }

    std::string dir_;
};

std::string shellWord(const std::string& path) { return "'" + path + "'"; }

// The card events of a --json run, in order.
std::vector<std::string> cardEvents(const std::string& json) {
    std::vector<std::string> cards;
    for (const std::string& line : lines(json)) {
        if (line.rfind("{\"event\":\"card\"", 0) == 0) cards.push_back(line);
    }
    return cards;
}

size_t countEvents(const std::string& json, const std::string& event) {
    size_t n = 0;
    for (const std::string& line : lines(json)) {
        if (line.rfind("{\"event\":\"" + event + "\"", 0) == 0) ++n;
    }
    return n;
}

// The numbers after the label on the summary line that starts with it.
std::vector<long> summaryNumbers(const std::string& summary, const std::string& label) {
    for (const std::string& line : lines(summary)) {
        if (line.rfind(label, 0) != 0) continue;
        std::istringstream rest(line.substr(label.size()));
        std::vector<long> numbers;
        for (long n; rest >> n;) numbers.push_back(n);
        return numbers;
    }
    return {};
}

}  // namespace

// Each golden deck's --json output, checked by hand against the keyword
// layouts, must come out byte for byte.
TEST_F(CliTest, JsonMatchesGoldenFiles) {
    for (const char* name : {"interaction", "ale", "advancedale", "geometry", "bytes"}) {
        SCOPED_TRACE(name);
        const ToolRun result = run("--json " + shellWord(golden(std::string(name) + ".k")));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, readFile(golden(std::string(name) + ".jsonl")));
    }
}

// Strings carry every byte escaped to printable ASCII, and doubles read back
// to the very same value.
TEST(JsonText, EscapesEveryByteAndKeepsDoublesExact) {
    for (int c = 0; c < 256; ++c) {
        std::string out;
        const char byte = static_cast<char>(c);
        appendJsonString(out, &byte, 1);
        for (char k : out) EXPECT_TRUE(k >= 0x20 && k < 0x7F) << "byte " << c;
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            EXPECT_EQ(out, std::string("\"") + byte + "\"");
        }
    }
    const struct {
        const char* text;
        const char* expected;
    } escapes[] = {{"a\"b", "\"a\\\"b\""}, {"\\", "\"\\\\\""}, {"\n\r\t", "\"\\n\\r\\t\""},
                   {"\x01\x1f", "\"\\u0001\\u001F\""}, {"\x7f\xff", "\"\\u007F\\u00FF\""}};
    for (const auto& e : escapes) {
        std::string out;
        appendJsonString(out, e.text, std::strlen(e.text));
        EXPECT_EQ(out, e.expected);
    }

    for (double value : {0.1, 1.0 / 3, -2.5e-7, 1e-310, 4.9e-324, DBL_MAX, -DBL_MIN, 123456.789,
                         -0.0, 1e21, 12345678.0}) {
        std::string out;
        appendJsonDouble(out, value);
        const double back = std::strtod(out.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << out;
    }
    const struct {
        double value;
        const char* expected;
    } exactTexts[] = {{HUGE_VAL, "\"inf\""}, {-HUGE_VAL, "\"-inf\""}, {std::nan(""), "\"nan\""},
                    {-std::nan(""), "\"-nan\""}, {1.5, "1.5"}, {1e300, "1e+300"}};
    for (const auto& s : exactTexts) {
        std::string out;
        appendJsonDouble(out, s.value);
        EXPECT_EQ(out, s.expected);
    }
}

// The write-back text imports again to the same cards, from fixed and comma
// decks alike, and writes back to the same text.
TEST_F(CliTest, WriteBackReimportsToTheSameCards) {
    for (const std::string& deck : {kExample, kCommaExample, golden("ale.k"), golden("advancedale.k")}) {
        SCOPED_TRACE(deck);
        const ToolRun first = run(shellWord(deck));
        ASSERT_EQ(first.status, 0);
        writeFile(path("again.k"), first.out);
        EXPECT_EQ(run(shellWord(path("again.k"))).out, first.out);

        const std::vector<std::string> cards = cardEvents(run("--json " + shellWord(deck)).out);
        EXPECT_FALSE(cards.empty());
        EXPECT_EQ(cardEvents(run("--json " + shellWord(path("again.k"))).out), cards);
    }
}

TEST_F(CliTest, WriteBackHasEachTitleLineAndCardText) {
    const ToolRun result = run(shellWord(golden("interaction.k")));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "*AIRBAG_INTERACTION\n"
              "$      AB1       AB2      AREA        SF       PID      LCID     IFLOW\n"
              "         1         2       1.5        1.        10        20         0\n"
              "*AIRBAG_INTERACTION\n"
              "*AIRBAG_INTERACTION\n"
              "$      AB1       AB2      AREA        SF       PID\n"
              "         1         2        1.       10.        20\n"
              "*AIRBAG_INTERACTION\n"
              "*AIRBAG_INTERACTION\n"
              "$      AB1       AB2      AREA        SF\n"
              "         7         8        0.     0.001\n"
              "*END\n");
}

// The summary counts keywords, cards, lookups and ID references of the
// example deck, which uses all eight keywords.
TEST_F(CliTest, SummaryCountsTheExampleDeck) {
    const ToolRun result = run("--summary " + shellWord(kExample));
    EXPECT_EQ(result.status, 0);
    const struct {
        const char* label;
        std::vector<long> numbers;
    } expected[] = {
        {"keywords imported:", {8}},
        {"  AIRBAG_REFERENCE_GEOMETRY_BIRTH ", {1}},
        {"cards built:", {30}},
        {"  NodeInfo", {5}},
        {"  AirCard", {3}},
        {"host lookups:", {3}},
        {"ID references:", {34}},
        {"  node (7/9999)", {14, 6}},
        {"  part (5/9999)", {4, 2}},
        {"  load curve (1/33)", {4, 4}},
        {"  shell element (6/41)", {2, 2}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(summaryNumbers(result.out, e.label), e.numbers) << e.label;
    }
    EXPECT_EQ(lines(result.out).front(), "deck " + kExample);
}

// --flags sets the host flag word: which host calls, cards and field names
// appear follows its bits.
TEST_F(CliTest, FlagsSteerReportsCardsAndNames) {
    const struct {
        const char* option;
        size_t reports;
        size_t cards;
        bool names;
    } cases[] = {
        {"", 3, 3, true},           {"--flags 0x16", 3, 3, true}, {"--flags 22", 3, 3, true},
        {"--flags=0x4", 0, 3, false}, {"--flags 0X6", 0, 3, true}, {"--flags 0x10", 3, 0, false},
        {"--flags 0", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const ToolRun result = run(std::string("--json ") + c.option + " " + shellWord(golden("interaction.k")));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(countEvents(result.out, "keyword"), 5u);
        EXPECT_EQ(countEvents(result.out, "addIDToRefFile"), c.reports);
        EXPECT_EQ(countEvents(result.out, "card"), c.cards);
        EXPECT_EQ(result.out.find("\"fieldNames\":[\"AB1\"") != std::string::npos, c.names);
    }
}

// Bad command lines exit 2 and bad decks exit 1, each with one line on
// standard error naming the option or the file.
TEST_F(CliTest, ErrorsGiveOneLineAndTheirStatus) {
    const std::string deck = shellWord(golden("interaction.k"));
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"", 2, "no deck given"},
        {"--bogus " + deck, 2, "unknown option '--bogus'"},
        {"-x " + deck, 2, "unknown option '-x'"},
        {"--flags", 2, "option '--flags' needs a value"},
        {"--flags 0x1G " + deck, 2, "invalid value '0x1G' for '--flags'"},
        {"--flags 4294967296 " + deck, 2, "invalid value '4294967296'"},
        {"--flags -1 " + deck, 2, "invalid value '-1'"},
        {"--flags=0x " + deck, 2, "invalid value '0x'"},
        {"--json --summary " + deck, 2, "option '--summary' conflicts"},
        {"-q --json " + deck, 2, "option '--json' conflicts"},
        {shellWord(path("missing.k")), 1, "cannot read '" + path("missing.k") + "': No such file"},
        {shellWord(dir_), 1, "cannot read '" + dir_ + "': Is a directory"},
        {"--json " + shellWord(dir_), 1, "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun result = run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(lines(result.err).size(), 1u);
        EXPECT_EQ(result.err.rfind("abimport: ", 0), 0u);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

// Decks are handled one after the other; one that cannot be read does not
// stop the others, and the status still reports it.
TEST_F(CliTest, SeveralDecksAreHandledInTurn) {
    const std::string a = golden("interaction.k");
    const std::string b = golden("ale.k");
    const ToolRun result = run(shellWord(a) + " " + shellWord(path("missing.k")) + " " + shellWord(b));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, run(shellWord(a)).out + run(shellWord(b)).out);
    EXPECT_EQ(lines(result.err).size(), 1u);
    EXPECT_NE(result.err.find("missing.k"), std::string::npos);

    const ToolRun json = run("--json " + shellWord(a) + " " + shellWord(b));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, "{\"event\":\"deck\",\"path\":\"" + a + "\"}\n" + readFile(golden("interaction.jsonl")) +
                            "{\"event\":\"deck\",\"path\":\"" + b + "\"}\n" + readFile(golden("ale.jsonl")));

    const ToolRun summary = run("--summary " + shellWord(a) + " " + shellWord(b));
    EXPECT_EQ(summaryNumbers(summary.out, "keywords imported:"), (std::vector<long>{5}));
    EXPECT_NE(summary.out.find("deck " + b + "\nkeywords imported: 2\n"), std::string::npos);
}

// "-" reads the deck from standard input, in every mode.
TEST_F(CliTest, DashReadsStandardInput) {
    const std::string deck = golden("geometry.k");
    for (const char* mode : {"", "--json", "--summary"}) {
        SCOPED_TRACE(mode);
        std::string expected = run(std::string(mode) + " " + shellWord(deck)).out;
        const ToolRun result = run(std::string(mode) + " -", deck);
        EXPECT_EQ(result.status, 0);
        if (std::string(mode) == "--summary") expected.replace(5, deck.size(), "standard input");
        EXPECT_EQ(result.out, expected);
    }
    const ToolRun quiet = run("-q -", deck);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST_F(CliTest, HelpAndVersion) {
    const ToolRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: abimport", 0), 0u);
    for (const char* option : {"--json", "--summary", "--quiet", "--flags", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }

    const ToolRun version = run("--version");
    EXPECT_EQ(version.status, 0);
    const std::vector<std::string> text = lines(version.out);
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0], "abimport " ABIMPORT_EXPECTED_VERSION);
    EXPECT_EQ(text[1], "library " ABIMPORT_EXPECTED_VERSION);
}
