// The command line of abimport: what to print, the flag word, how to read the
// decks and which decks.
#pragma once

#include <string>
#include <vector>

namespace abimport {

enum class OutputMode { WriteBack, Json, Summary, Quiet };

struct Options {
    OutputMode mode = OutputMode::WriteBack;
    unsigned flags = 0x16;   // Card::contFlag: keep names, build cards, report IDs
    bool includes = true;    // follow include keywords
    bool warnings = true;    // check the reading and report what it changes
    bool strict = false;     // a deck with warnings ends with exit status 3
    std::string stdinName;   // the path that standard input is read as; empty: none
    bool check = false;      // check the model's references, duplicate IDs and includes
    bool parameters = true;  // give fields that name a parameter (&name) its value
    unsigned jobs = 0;       // decks imported at once; 0: as many as there are cores
    bool help = false;
    bool version = false;
    std::vector<std::string> decks;  // "-" is standard input
    // Editing: --set FILE:LINE:FIELD=VALUE, and what to do with the edits.
    std::vector<std::string> edits;
    bool diff = false;         // print the unified diff, write nothing
    bool inPlace = false;      // rewrite the edited files
    std::string outputFolder;  // write the whole model under this folder
};

// The outcome of parsing: the options, or one line naming what is wrong.
struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line is good
};

ParsedOptions parseOptions(int argc, const char* const* argv);

// Reads N as decimal or, after 0x/0X, as hex; digits only, at most 32 bits.
bool parseFlagWord(const std::string& text, unsigned& out);

// Why --strict and --no-warnings cannot be given together.
extern const char* const kStrictWithoutWarnings;

// The --help text.
const char* usageText();

}  // namespace abimport
