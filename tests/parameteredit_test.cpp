// Setting parameters in process and from the command line: the value field
// rewritten and read again by the reading, what cannot be set, and fields
// that name a parameter, which edits leave to it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../edit/modeledit.h"
#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../model/numbers/shortest.h"
#include "deckloop.h"
#include "toolrun.h"

using namespace abimport;

namespace {

class ParameterEditTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return folder_.path(name); }
    void write(const std::string& name, const std::string& text) const {
        folder_.write(name, text);
    }
    // text with the folder's path taken out of it.
    std::string relative(std::string text) const {
        const std::string folder = folder_.path("");
        for (size_t at; (at = text.find(folder)) != std::string::npos;)
            text.erase(at, folder.size());
        return text;
    }
    // The value of parameter name in the main deck as the reading gives it
    // now, read from the files on disk.
    std::string valueRead(const std::string& name) const {
        HostImportObject target;
        ImportSettings settings;
        settings.parameters = true;
        std::string value = "none";
        importFile(path("main.k"), target, nullptr, settings, [&](const DeckImport& import) {
            const ParameterTable* table = import.parameters();
            const ParameterDefinition* definition = table ? table->find(name, 0) : nullptr;
            if (!definition || !definition->valid) return;
            char text[32];
            value = definition->type == 'C'
                        ? "'" + definition->chars + "'"
                        : std::string(text, abimport::detail::writeShortestDouble(
                                                text, definition->number));
        });
        return value;
    }
    ToolRun run(const std::string& args) const { return folder_.run(ABIMPORT_CLI_PATH, args); }
    const ABImport& registry_ = airbagRegistry();
    ModelFolder folder_;
};

const std::string kUse = "*AIRBAG_INTERACTION\n         1         2     &vent\n";

}  // namespace

// Only the value's columns or its comma word change, to a text that the
// reading reads as the value asked for; the definitions beside it read as
// before. (Left in its columns, and --round: SetParameterFromTheCommandLine
// and the transcripts of docs/cli.md.)
TEST_F(ParameterEditTest, WritesTheValueFieldExactly) {
    struct Case {
        const char* label;
        std::string line;  // the *PARAMETER data line
        std::string set;   // NAME=VALUE
        std::string written;
        std::string reads;  // the value the reading gives it then
    };
    const std::vector<Case> cases = {
        {"right in its columns, the text given kept", "R vent        0.0025\n", "VENT=-1.50e-3",
         "R vent      -1.50e-3\n", "-0.0015"},
        {"a letterless exponent reads only at the right of the columns", "R vent    0.0025\n",
         "vent=1.5-3", "R vent         1.5-3\n", "0.0015"},
        {"hexadecimal is written as its decimal", "R vent    0.0025\n", "vent=0x1p-2",
         "R vent    0.25\n", "0.25"},
        {"the second pair of a line", "R scale   1.2       R vent    0.0025\n", "vent=7",
         "R scale   1.2       R vent    7\n", "7"},
        {"a comma word keeps the blanks around it", "R vent, 0.0025 ,R scale,1.2\n", "vent=0.003",
         "R vent, 0.003 ,R scale,1.2\n", "0.003"},
        {"the last comma word before CRLF takes no letterless exponent", "R vent,0.0025\r\n",
         "vent=2.5+12", "R vent,2.5e12\r\n", "2.5e+12"},
        {"an integer parameter", "I vent    20\n", "vent=-7", "I vent    -7\n", "-7"},
        {"a character parameter", "C vent    abc\n", "vent=x y", "C vent    x y\n", "'x y'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        write("main.k", "*PARAMETER\n" + c.line + kUse);
        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        ParameterEdit edit;
        ASSERT_TRUE(parseParameterEdit(c.set, edit, error)) << error;
        EditedParameter result;
        ASSERT_TRUE(model.setParameter(edit, error, &result)) << error;
        EXPECT_EQ(model.contentOf(path("main.k")), "*PARAMETER\n" + c.written + kUse);
        EXPECT_FALSE(result.rounded);
        ASSERT_TRUE(model.saveInPlace(error)) << error;
        EXPECT_EQ(valueRead("vent"), c.reads);
    }
}

// What cannot be set is an error naming the definition's FILE:LINE, and
// nothing changes; a name defined twice changes where the reading takes it.
TEST_F(ParameterEditTest, RefusesWhatItCannotSetAndSaysWhichDefinitionChanges) {
    const std::string deck =
        "*PARAMETER\nR vent    0.0025    I n       3\nC tag     abc\n"
        "*PARAMETER_EXPRESSION\nR area    &vent * 2\n" +
        kUse + "*INCLUDE\nbag.k\n";
    write("main.k", deck);
    write("bag.k", "*PARAMETER_LOCAL\nR scale   1.\n*PARAMETER\nR scale   2.\n");
    struct Case {
        std::string set;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"nope=1",
         "no parameter of the model is called nope (its parameters: vent n tag area "
         "scale)"},
        {"n=2.5",
         "main.k:2: parameter n: '2.5' is not an integer from -2147483648 to 2147483647 "
         "(an I parameter takes integers only)"},
        {"n=2147483648",
         "main.k:2: parameter n: '2147483648' is not an integer from "
         "-2147483648 to 2147483647 (an I parameter takes integers only)"},
        {"vent=inf",
         "main.k:2: parameter vent: 'inf' is no finite number, which a parameter "
         "must be"},
        {"vent=x", "main.k:2: parameter vent: 'x' is not a number"},
        {"vent=", "main.k:2: parameter vent: a parameter's value cannot be blank"},
        {"vent=0.123456789012",
         "main.k:2: parameter vent: '0.123456789012' has no text that "
         "fits its 10 columns; the closest is '.123456789'"},
        {"tag=a,b",
         "main.k:3: parameter tag: 'a,b' cannot be held as it is: a character value "
         "has no comma, line end or blank at either end"},
        {"tag=abcdefghijk",
         "main.k:3: parameter tag: 'abcdefghijk' does not fit the value "
         "field's 10 columns"},
        {"scale=3",
         "parameter scale is given by definitions that hold in different files: "
         "bag.k:4 bag.k:2 (local); change the one meant in its file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        ParameterEdit edit;
        ASSERT_TRUE(parseParameterEdit(c.set, edit, error)) << error;
        EXPECT_FALSE(model.setParameter(edit, error));
        EXPECT_EQ(relative(error), c.error);
        EXPECT_EQ(model.diff(), "");
    }

    write("main.k", "*PARAMETER\nR vent    1.\n" + kUse + "*PARAMETER\nR VENT    2.\n");
    ModelEdit model;
    std::string error;
    ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
    EditedParameter result;
    ASSERT_TRUE(model.setParameter({"vent", "3"}, error, &result)) << error;
    EXPECT_EQ(relative(result.note),
              "main.k:6: parameter VENT: defined more than once: this definition, which the "
              "reading uses, is changed; the one at main.k:2 is left as it is");
    EXPECT_EQ(model.contentOf(path("main.k")),
              "*PARAMETER\nR vent    1.\n" + kUse + "*PARAMETER\nR VENT    3\n");
}

// A field that names a parameter takes its value from it: an edit of the
// field is an error that says where the parameter is defined, and the other
// fields of its line are edited as any.
TEST_F(ParameterEditTest, FieldsThatNameAParameterAreLeftToIt) {
    write("main.k",
          "*PARAMETER\nR vent    0.0025\n*PARAMETER_EXPRESSION\nR x       &vent*2\n"
          "*AIRBAG_INTERACTION\n         1         2     &vent       1.0\n"
          "*AIRBAG_INTERACTION\n3,4,-&vent,&nope\n"
          "*AIRBAG_REFERENCE_GEOMETRY\n       7              &x             0.0\n");
    struct Case {
        unsigned long long line;
        std::string field, value;
        std::string error;  // empty: the edit is made
    };
    const std::string set =
        ": set the parameter instead (--set-parameter vent=VALUE; Python: "
        "deck.set_parameter)";
    const std::vector<Case> cases = {
        {6, "AREA", "1",
         "main.k:6: Interaction AREA: the field holds '&vent', the value of "
         "parameter vent defined at main.k:2" +
             set},
        {8, "AREA", "1",
         "main.k:8: Interaction AREA: the field holds '-&vent', the value of "
         "parameter vent defined at main.k:2" +
             set},
        {8, "SF", "1",
         "main.k:8: Interaction SF: the field holds '&nope', a parameter that "
         "nothing in the model defines: define it, or change the line itself"},
        {10, "X", "1",
         "main.k:10: NodeInfo X: the field holds '&x', the value of parameter x, "
         "the expression at main.k:4: change the expression instead"},
        {6, "SF", "2", ""},
        {8, "AB2", "5", ""},
        {10, "Y", "0.5", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field + " of line " + std::to_string(c.line));
        ModelEdit model;
        std::string error;
        ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
        EXPECT_EQ(model.apply({path("main.k"), c.line, c.field, c.value}, error), c.error.empty());
        EXPECT_EQ(relative(error), c.error);
        EXPECT_EQ(model.diff().empty(), !c.error.empty());
    }
    ModelEdit model;
    std::string error;
    ASSERT_TRUE(model.load(path("main.k"), registry_, true, error)) << error;
    EXPECT_FALSE(model.setNodes({{7, {1.0, 0.0, 0.0}}}, false, error));
    EXPECT_EQ(relative(error),
              "main.k:10: NodeInfo X: the field holds '&x', the value of "
              "parameter x, the expression at main.k:4: change the expression "
              "instead");
    EXPECT_TRUE(model.setNodes({{7, {0.005, 0.0, 0.25}}}, false, error)) << error;
    EXPECT_EQ(model.diff(), "--- " + path("main.k") + "\n+++ " + path("main.k") +
                                "\n@@ -10 +10 @@\n"
                                "-       7              &x             0.0\n"
                                "+       7              &x             0.0            0.25\n");
}

// --set-parameter from the command line: with --diff, --in-place and the
// others, and the exit status of each misuse. (Two at once with --diff, a
// field that names a parameter given to --set, and an expression: the
// transcripts of examples/parameters in docs/cli.md.)
TEST_F(ParameterEditTest, SetParameterFromTheCommandLine) {
    const std::string params = "*PARAMETER\nR vent    0.0025    I n       3\n";
    write("main.k", "*INCLUDE\nparams.k\n" + kUse);
    write("params.k", params);
    struct Case {
        std::string args;
        int status;
        std::string out, err;
    };
    const std::vector<Case> cases = {
        {"--set-parameter vent=0.123456789012 --round --diff main.k", 0,
         "--- params.k\n+++ params.k\n@@ -2 +2 @@\n"
         "-R vent    0.0025    I n       3\n+R vent    .123456789I n       3\n",
         "abimport: params.k:2: parameter vent: '0.123456789012' is written as '.123456789', "
         "which reads 0.123456789\n"},
        {"--set-parameter vent=1 --set-parameter VENT=2 --diff main.k", 2, "",
         "abimport: parameter VENT is set twice (--set-parameter vent=1 and --set-parameter "
         "VENT=2)\n"},
        {"--set-parameter 1x=2 --diff main.k", 2, "",
         "abimport: invalid --set-parameter '1x=2': expected NAME=VALUE\n"},
        {"--set-parameter vent=1 main.k", 2, "",
         "abimport: --set, --set-nodes and --set-parameter need one of --diff, --in-place and "
         "--output DIR (see abimport --help)\n"},
        {"--set main.k:4:AB2=5 --set-parameter vent=0.5 --in-place main.k", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun result = run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(fileText(path("params.k")), "*PARAMETER\nR vent    0.5       I n       3\n");
    EXPECT_EQ(fileText(path("main.k")),
              "*INCLUDE\nparams.k\n*AIRBAG_INTERACTION\n         1         5     &vent\n");
}

// The tool's outputs name the parameters the fields took, or read the fields
// as text (--no-parameters); a deck from a pipe is read once, the definition
// after the use coming from its rest. (The summary's parameters, a name
// nothing defines under --check and diff: the docs' transcripts of
// docs/cli.md.)
TEST_F(ParameterEditTest, ToolOutputsNameTheParametersUsed) {
    const auto holds = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    write("main.k",
          "*AIRBAG_INTERACTION\n         1         2     &area       1.0\n*INCLUDE\np.k\n");
    write("p.k", "*PARAMETER\n    R area    0.0025\n");
    const ToolRun json = run("--json main.k");
    EXPECT_TRUE(holds(json.out, "\"value\":0.0025}") &&
                holds(json.out, "\"parameters\":{\"AREA\":\"area\"}"))
        << json.out;
    const ToolRun text = run("--json --no-parameters main.k");
    EXPECT_FALSE(holds(text.out, "\"parameters\"")) << text.out;
    EXPECT_TRUE(holds(text.out, "'&area' is not a number")) << text.out;
    std::string comments;
    for (int n = 0; n < 3000; ++n) comments += "$ a comment of some length, line after line\n";
    write("pipe.k",
          "*AIRBAG_INTERACTION\n&area\n" + comments + "*PARAMETER\n    R area    0.0025\n");
    const ToolRun piped =
        folder_.run("/bin/sh", "-c \"cat pipe.k | '" ABIMPORT_CLI_PATH "' --json -\"");
    EXPECT_TRUE(holds(piped.out, "\"parameters\":{\"AB1\":\"area\"}")) << piped.out << piped.err;
}
