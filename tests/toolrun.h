// Test helper: the abimport tool run as a process, its output and status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace abimport {

struct ToolRun {
    int status;  // the exit status, -1 when the tool did not exit
    std::string out, err;
};

inline std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// Runs the tool at toolPath with args (shell words) in folder workDir (the
// current one when empty), standard input from input; its output goes
// through the files out and err of folder scratch.
inline ToolRun runTool(const std::string& toolPath, const std::string& args,
                       const std::string& scratch, const std::string& workDir = "",
                       const std::string& input = "/dev/null") {
    const std::string out = scratch + "/out", err = scratch + "/err";
    const std::string command = (workDir.empty() ? "" : "cd " + quoted(workDir) + " && ") +
                                quoted(toolPath) + " " + args + " <" + quoted(input) + " >" +
                                quoted(out) + " 2>" + quoted(err);
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileText(out), fileText(err)};
}

}  // namespace abimport
