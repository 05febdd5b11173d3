// Model checks through the tool: what counts as a reference, and --check's
// undefined references, duplicate IDs and repeated includes with their places.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "toolrun.h"

namespace {

using Lines = std::vector<std::string>;

using ToolResult = abimport::ToolRun;

// A scratch folder of model files, and the tool run in it.
struct Model : abimport::ModelFolder {
    ToolResult run(const std::string& args) const {
        return ModelFolder::run(ABIMPORT_CLI_PATH, args);
    }
};

// The summary's lines with their runs of blanks made one.
std::string squeezed(const std::string& text) {
    return std::regex_replace(text, std::regex(" +"), " ");
}

void expectLines(const std::string& text, const Lines& lines) {
    const std::string all = "\n" + squeezed(text);
    for (const std::string& line : lines)
        EXPECT_NE(all.find("\n" + line + "\n"), std::string::npos) << line << "\nin:\n" << text;
}

}  // namespace

// Only a non-zero integer word of the line just read is a reference: not
// 5.5 or 6.0, and not a word a short comma line, or the end of the file,
// leaves from the line before. (IDs that touch the next field, read by their
// columns: WarnsWhatTheModelLacksOrRepeats.)
TEST(Check, ReferencesAreIntegerWordsOfTheirLine) {
    Model model;
    model.write("m.k",
                "*AIRBAG_INTERACTION\n1,2,1.5,1.0,10,20,0\n*AIRBAG_INTERACTION\n"
                "5.5,6.0,1.5,1.0,7\n*AIRBAG_SHELL_REFERENCE_GEOMETRY\n"
                "       5       0       1       2     1.5     abc\n*AIRBAG_INTERACTION\n");
    const ToolResult run = model.run("--summary --no-warnings m.k");
    expectLines(run.out,
                {"ID references: 8", " airbag (19/9999) 2 2", " part (5/9999) 2 2",
                 " load curve (1/33) 1 1", " node (7/9999) 2 2", " shell element (6/41) 1 1"});
}

namespace {

struct CheckCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> files;  // main.k first
    Lines warnings;                                          // "FILE:LINE KIND", in the order given
};

const std::string kNodes =
    "*NODE\n$ nid x y z\n       1             0.0             0.0             0.0\n"
    "2,1.0,0.0,0.0\n       3             1.0             1.0             0.0\n"
    "       4             0.0             1.0             0.0\n";
const std::string kShells = "*ELEMENT_SHELL\n     100      10       1       2       3       4\n";
const std::string kParts =
    "*PART\nbag fabric\n        10         1         1\n*PART\n"
    "        20\n        11         1         1\n";
const std::string kCurves =
    "*DEFINE_CURVE_TITLE\ninflow\n        20\n         0.0       1.0\n"
    "        21\n*DEFINE_CURVE\n        33\n";
const std::string kBag =
    "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n     100      10       1       2       3       4\n"
    "*AIRBAG_INTERACTION\n         1         2       1.5       1.0        11        20\n";

std::vector<CheckCase> checkCases() {
    return {
        {"a complete model is quiet, wherever its definitions stand",
         {{"main.k", "*INCLUDE\nbag.k\n" + kNodes + kShells + kParts + kCurves + "*END\n"},
          {"bag.k", kBag + "*END\n"}},
         {}},
        {"each reference to nothing, at its line; a curve's second line and a part's heading "
         "define nothing",
         {{"main.k",
           kBag + "*AIRBAG_REFERENCE_GEOMETRY\n       5\n       1\n" + kNodes + kShells + kParts +
               kCurves +
               "*AIRBAG_INTERACTION\n         1         2       1.5       1.0        10        21\n"
               "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n     100      20       3       4       "
               "0\n*END\n"}},
         {"main.k:6 undefined-reference", "main.k:30 undefined-reference",
          "main.k:32 undefined-reference"}},
        {"IDs defined twice, with both places; a geometry keyword that gives a node twice",
         {{"main.k", kNodes + "*INCLUDE\nmore.k\n" + kBag +
                         "*AIRBAG_REFERENCE_GEOMETRY\n"
                         "       1\n       2\n       1\n*AIRBAG_REFERENCE_GEOMETRY\n       1\n" +
                         kShells + kParts + kCurves + "*END\n"},
          {"more.k", "*NODE\n       9\n       3\n"}},
         {"main.k:16 duplicate-id", "more.k:3 duplicate-id"}},
        {"other forms of a defining keyword: its references are not warned",
         {{"main.k", kBag + "*PART_COMPOSITE\n*NODE_RIGID_SURFACE\n" + kShells + kCurves +
                         "*NODE\n       1\n"}},
         {}},
        {"a node number that runs into the next field; a comma word longer than the field",
         {{"main.k",
           "*NODE\n       71.0             0.0\n123456789 ,1.0\n 1.5\n"
           "*AIRBAG_REFERENCE_GEOMETRY\n       7\n123456789,0,0,0\n       1\n*END\n"}},
         {"main.k:8 undefined-reference"}},
        {"IDs of 8 and 10 digits read in their own columns, whatever touches them",
         {{"main.k",
           "*NODE\n1234567812345.678901234567             0.0             0.0\n"
           "       1             0.0             0.0             0.0\n"
           "*ELEMENT_SHELL\n100000021000000112345678       1       1       1\n"
           "*PART\nfabric\n  10000001\n*PART\nbag\n1000000001         1         1\n"
           "*DEFINE_CURVE\n2000000001         0\n"
           "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n100000021000000112345678       1       187654321\n"
           "*AIRBAG_INTERACTION\n         1         2       1.5       1.0100000000120000000010\n"
           "*END\n"}},
         {"main.k:15 undefined-reference"}},
        {"sets: every form defines its set ID; the set kind follows the type field",
         {{"main.k",
           "*SET_PART_LIST_TITLE\nbag parts\n       100        10\n*SET_SEGMENT\n       200\n"
           "         1         2         3         4\n*SET_PART_ADD\n       300\n"
           "*AIRBAG_ALE\n       100         1\n\n\n       200         2\n"
           "*AIRBAG_ALE\n       200         0\n\n\n         7         1\n"
           "*AIRBAG_ALE\n       300         0\n\n\n       400\n"
           "*AIRBAG_ADVANCED_ALE\n\n\n\n         0         0         0         0         0"
           "         0       500\n" +
               kParts}},
         {"main.k:18 undefined-reference", "main.k:20 undefined-reference",
          "main.k:23 undefined-reference", "main.k:28 undefined-reference"}},
        {"kinds that nothing in the model defines are not checked", {{"main.k", kBag}}, {}},
    };
}

// The model check's warnings: "FILE:LINE KIND".
Lines warningsOf(const std::string& err) {
    Lines out;
    std::istringstream in(err);
    static const std::regex line(
        R"(^([^:]+):(\d+): warning: .* \[(undefined-reference|duplicate-id|include-repeated)\]$)");
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line))
            out.push_back(m[1].str() + ":" + m[2].str() + " " + m[3].str());
    }
    return out;
}

}  // namespace

TEST(Check, WarnsWhatTheModelLacksOrRepeats) {
    for (const CheckCase& c : checkCases()) {
        SCOPED_TRACE(c.label);
        Model model;
        for (const auto& [name, text] : c.files) model.write(name, text);
        const ToolResult run = model.run("--check -q main.k");
        EXPECT_EQ(warningsOf(run.err), c.warnings) << run.err;
        // A problem of the model is exit status 3.
        EXPECT_EQ(run.status, c.warnings.empty() ? 0 : 3);
        // Without --check the same model gives none of these.
        EXPECT_EQ(warningsOf(model.run("-q main.k").err), Lines{}) << c.label;
    }
}

// The messages name the keyword, card and field of a reference, here a set's;
// the summary tells per kind what was checked and how. (The other messages
// and the summary's form: the docs' transcript of examples/check in
// docs/cli.md.)
TEST(Check, MessagesAndSummarySayWhatWasChecked) {
    Model model;
    model.write("main.k", kBag + "*PART_COMPOSITE\n*PART\n\n        10\n" + kShells + kCurves +
                              "*DEFINE_CURVE\n        33\n*INCLUDE\nbag.k\n*INCLUDE\nbag.k\n" +
                              "*AIRBAG_ALE\n         5         1\n*SET_PART\n         6\n");
    model.write(
        "bag.k",
        "*AIRBAG_INTERACTION\n         1         2       1.5       1.0         0        99\n");
    const ToolResult run = model.run("--check --summary main.k");
    EXPECT_NE(run.err.find("main.k:25: warning: AIRBAG_ALE SetInfo SID: part set 5 is not defined "
                           "in the model [undefined-reference]\n"),
              std::string::npos)
        << run.err;
    expectLines(run.out, {"references checked: 3 undefined", " load curve (1/33) 3 2 2",
                          " part (5/9999) 2 2 1 unresolved, not fully checked (the model has "
                          "*PART_... keywords)",
                          " shell element (6/41) 1 1 0",
                          " node (7/9999) 4 4 - no *NODE in the model: node references not checked",
                          " airbag (19/9999) 6 2 - not checked", " part set (SID) 1 1 1"});
}
