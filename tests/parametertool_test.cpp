// Parameters through the tool: the provenance in JSON, the summary, the exit
// status of --check, standard input from a pipe, --no-parameters and diff.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "toolrun.h"

namespace {

using abimport::ToolRun;

class ParameterTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(dir_), nullptr); }
    void TearDown() override { std::system(("rm -rf '" + std::string(dir_) + "'").c_str()); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(std::string(dir_) + "/" + name, std::ios::binary) << text;
    }
    ToolRun run(const std::string& args) const {
        return abimport::runTool(ABIMPORT_CLI_PATH, args, dir_, dir_);
    }
    char dir_[40] = "/tmp/abimport-parameters-XXXXXX";
};

const std::string kDeck =
    "*AIRBAG_INTERACTION\n         1         2     &area       1.0        10        20\n"
    "*INCLUDE\nparams.k\n";
const std::string kParameters = "*PARAMETER\n    R area    0.0025\n";

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST_F(ParameterTool, OutputsNameTheParametersUsed) {
    write("main.k", kDeck);
    write("params.k", kParameters);
    const ToolRun json = run("--json main.k");
    EXPECT_TRUE(holds(json.out, "\"value\":0.0025}") &&
                holds(json.out, "\"parameters\":{\"AREA\":\"area\"}"))
        << json.out;
    EXPECT_EQ(json.status, 0);
    const ToolRun summary = run("--summary main.k");
    EXPECT_TRUE(holds(summary.out, "parameters used: 1\n")) << summary.out;
    EXPECT_TRUE(holds(summary.out, "area = 0.0025")) << summary.out;
    // Read as text, as without parameters.
    const ToolRun text = run("--json --no-parameters main.k");
    EXPECT_FALSE(holds(text.out, "\"parameters\"")) << text.out;
    EXPECT_TRUE(holds(text.out, "'&area' is not a number")) << text.out;
    // From a pipe, read once: the definition after the use comes from its rest.
    std::string comments;
    for (int n = 0; n < 3000; ++n)
        comments += "$ a comment of some length, line after line after line\n";
    write("pipe.k", "*AIRBAG_INTERACTION\n&area\n" + comments + kParameters);
    const ToolRun piped = abimport::runTool(
        "/bin/sh", "-c \"cat pipe.k | '" + std::string(ABIMPORT_CLI_PATH) + "' --json -\"", dir_,
        dir_);
    EXPECT_TRUE(holds(piped.out, "\"parameters\":{\"AB1\":\"area\"}")) << piped.out << piped.err;
}

TEST_F(ParameterTool, AnUndefinedParameterIsAProblemOfTheModel) {
    write("main.k", kDeck);
    write("params.k", "*PARAMETER\n    R arae    0.0025\n");
    const ToolRun plain = run("-q main.k");
    EXPECT_TRUE(
        holds(plain.err,
              "main.k:2: warning: AREA: &area: no parameter of the model is called so; read "
              "as written [undefined-parameter]"))
        << plain.err;
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(run("--check -q main.k").status, 3);
}

TEST_F(ParameterTool, DiffReportsAChangedParameterOnce) {
    write("main.k", kDeck);
    write("params.k", kParameters);
    write("new.k", kDeck + "*PARAMETER\n    R area     0.003\n");
    const ToolRun diff = run("diff main.k new.k");
    EXPECT_EQ(
        diff.out,
        "parameter area: 0.0025 -> 0.003   (params.k:2 -> new.k:6)\n"
        "AIRBAG_INTERACTION Interaction AREA: 0.0025 -> 0.003 (&area)   (main.k:2 -> new.k:2)\n")
        << diff.err;
    EXPECT_EQ(diff.status, 1);
}
