// Model checks through the tool: what counts as a reference, and --check's
// undefined references, duplicate IDs and repeated includes with their places.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

struct ToolResult {
    int status;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A scratch folder of model files, and the tool run in it.
class Model {
public:
    Model() { mkdtemp(dir_); }
    ~Model() { std::system(("rm -rf '" + std::string(dir_) + "'").c_str()); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(std::string(dir_) + "/" + name, std::ios::binary) << text;
    }
    ToolResult run(const std::string& args) const {
        const std::string d = dir_;
        const int raw = std::system(("cd '" + d + "' && '" ABIMPORT_CLI_PATH "' " + args +
                                     " >out.txt 2>err.txt </dev/null")
                                        .c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(d + "/out.txt"),
                slurp(d + "/err.txt")};
    }

private:
    char dir_[32] = "/tmp/abimport-check-XXXXXX";
};

// The summary's lines with their runs of blanks made one.
std::string squeezed(const std::string& text) { return std::regex_replace(text, std::regex(" +"), " "); }

void expectLines(const std::string& text, const Lines& lines) {
    const std::string all = "\n" + squeezed(text);
    for (const std::string& line : lines) EXPECT_NE(all.find("\n" + line + "\n"), std::string::npos) << line << "\nin:\n" << text;
}

}  // namespace

// Only a non-zero integer word of the line just read is a reference: not
// 5.5 or 6.0, and not a word a short comma line leaves from the line before.
TEST(Check, ReferencesAreIntegerWordsOfTheirLine) {
    Model model;
    model.write("m.k", "*AIRBAG_INTERACTION\n1,2,1.5,1.0,10,20,0\n*AIRBAG_INTERACTION\n"
                       "5.5,6.0,1.5,1.0,7\n*AIRBAG_SHELL_REFERENCE_GEOMETRY\n"
                       "       5       0       1       2     1.5     abc\n*END\n");
    const ToolResult run = model.run("--summary --no-warnings m.k");
    expectLines(run.out, {"ID references: 8", " airbag (19/9999) 2 2", " part (5/9999) 2 2",
                          " load curve (1/33) 1 1", " node (7/9999) 2 2",
                          " shell element (6/41) 1 1"});
}
