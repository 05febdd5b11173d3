// abimport-makedeck: writes a synthetic deck for timing runs.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "deckwriter.h"

using namespace abimport;

namespace {

const char kUsage[] =
    "Usage: abimport-makedeck [--model-nodes N] [--model-shells N] [--parts N]\n"
    "                         [--nodes N] [--comma] [--shells N] [--airbags M]\n"
    "                         [--interactions M] OUTPUT\n"
    "Writes a keyword deck: a model of N *NODE lines, N *ELEMENT_SHELL lines and\n"
    "N *PART keywords, a reference geometry of N nodes (fixed 8/16/16/16\n"
    "columns, or comma-separated with --comma), a shell geometry of N elements,\n"
    "M ALE and M advanced ALE airbags, and M interaction keywords. OUTPUT '-' is\n"
    "standard output.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "abimport-makedeck: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool parseCount(const char* text, unsigned long& out) {
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    DeckShape shape;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        unsigned long* count = arg == "--model-nodes"    ? &shape.modelNodes
                               : arg == "--model-shells" ? &shape.modelShells
                               : arg == "--parts"        ? &shape.parts
                               : arg == "--nodes"        ? &shape.nodes
                               : arg == "--shells"       ? &shape.shells
                               : arg == "--airbags"      ? &shape.airbags
                               : arg == "--interactions" ? &shape.interactions
                                                         : nullptr;
        if (count) {
            if (i + 1 >= argc || !parseCount(argv[i + 1], *count)) {
                return usageError("option '" + arg + "' needs a count");
            }
            ++i;
        } else if (arg == "--comma") {
            shape.commaNodes = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else if (output) {
            return usageError("more than one output given");
        } else {
            output = argv[i];
        }
    }
    if (!output) return usageError("no output given");

    const bool toStdout = std::strcmp(output, "-") == 0;
    std::FILE* out = toStdout ? stdout : std::fopen(output, "w");
    if (!out) {
        std::fprintf(stderr, "abimport-makedeck: cannot write '%s': %s\n", output,
                     std::strerror(errno));
        return 1;
    }
    bool written = writeDeck(out, shape);
    if (!toStdout) written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "abimport-makedeck: writing '%s' failed\n", output);
        return 1;
    }
    return 0;
}
