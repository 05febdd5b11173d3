// abimport diff OLD NEW: the command line, reading both models and printing
// what changed in their airbag keywords.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace abimport {

struct DiffOptions : ReadingOptions {
    enum class Output { Lines, Json, Summary } output = Output::Lines;
    bool outputChosen = false;        // an output option was given
    bool all = false;                 // each node and shell, not only their counts
    double tolerance = 0;             // relative, for doubles
    double absTolerance = 0;          // absolute, for doubles
    std::vector<std::string> models;  // OLD and NEW; "-" is standard input
};

struct ParsedDiffOptions {
    DiffOptions options;
    std::string error;  // empty when the command line is good
};

// argv[0] is "diff".
ParsedDiffOptions parseDiffOptions(int argc, const char* const* argv);

// Runs abimport diff; returns the exit status: 0 no change, 1 changes,
// 2 trouble (a bad command line, a model or include that cannot be read),
// 3 with --strict when a model gave warnings.
int diffMain(int argc, const char* const* argv);

}  // namespace abimport
