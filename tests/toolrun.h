// Test helper: a scratch folder of its own for each test (main.k and the files
// it includes), and a program run as a process in it, its output and status.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A folder made for one test and removed after it, so that tests running at
// the same time never share a file.
class ModelFolder {
public:
    ModelFolder() { EXPECT_NE(mkdtemp(dir_), nullptr); }
    ~ModelFolder() { std::system(("rm -rf " + quoted(dir_)).c_str()); }
    ModelFolder(const ModelFolder&) = delete;
    ModelFolder& operator=(const ModelFolder&) = delete;

    std::string path(const std::string& name) const { return std::string(dir_) + "/" + name; }
    // Writes a file, making its folders.
    void write(const std::string& name, const std::string& text) const {
        for (size_t slash = name.find('/'); slash != std::string::npos;
             slash = name.find('/', slash + 1))
            mkdir(path(name.substr(0, slash)).c_str(), 0755);
        std::ofstream(path(name), std::ios::binary) << text;
    }
    std::string read(const std::string& name) const { return fileText(path(name)); }
    std::string relative(const std::string& full) const {
        const std::string prefix = std::string(dir_) + "/";
        return full.rfind(prefix, 0) == 0 ? full.substr(prefix.size()) : full;
    }
    // Runs the program with args in workDir (this folder when empty), its
    // output kept in this folder's files out and err.
    ToolRun run(const std::string& program, const std::string& args,
                const std::string& workDir = "", const std::string& input = "/dev/null") const {
        return runTool(program, args, dir_, workDir.empty() ? dir_ : workDir, input);
    }

private:
    char dir_[40] = "/tmp/abimport-test-XXXXXX";
};

}  // namespace abimport
