// The command line of abimport: what to print, the flag word, how to read the
// decks and which decks.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "../host/contflag.h"
#include "../host/deckimport.h"
#include "optiontable.h"

namespace abimport {

// What an import and abimport diff read decks with.
struct ReadingOptions {
    unsigned flags = kDefaultFlags;  // Card::contFlag
    bool includes = true;            // follow include keywords
    bool warnings = true;            // check the reading and report what it changes
    bool strict = false;             // a deck with warnings ends with exit status 3
    bool parameters = true;          // give fields that name a parameter (&name) its value
    bool help = false;
};

// The options of both, their help included: --no-includes, --no-warnings,
// --no-parameters, --strict and --flags N.
template <class Target>
std::vector<Option<Target>> readingOptions();

// The deck loop's settings for them.
ImportSettings importSettings(const ReadingOptions& options);

// An error when the reading options do not go together, or "".
std::string readingOptionsError(const ReadingOptions& options);

enum class OutputMode { WriteBack, Json, Summary, Quiet };

struct Options : ReadingOptions {
    OutputMode mode = OutputMode::WriteBack;
    bool modeChosen = false;  // an output option was given
    std::string stdinName;    // the path that standard input is read as; empty: none
    bool check = false;       // check the model's references, duplicate IDs and includes
    unsigned jobs = 0;        // decks imported at once; 0: as many as there are cores
    bool version = false;
    std::vector<std::string> decks;  // "-" is standard input
    // Editing: --set FILE:LINE:FIELD=VALUE, and what to do with the edits.
    std::vector<std::string> edits;
    std::vector<std::string> nodeFiles;  // --set-nodes CSV: NID,X,Y,Z rows
    bool round = false;                  // write the closest text where no exact one fits
    bool diff = false;                   // print the unified diff, write nothing
    bool inPlace = false;                // rewrite the edited files
    std::string outputFolder;            // write the whole model under this folder
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
const std::string& usageText();

// --help and its error: "-h, --help", which sets help.
template <class Target>
Option<Target> helpOption() {
    return {{"-h", "--help"},
            nullptr,
            "print this help and exit",
            [](Target& target, const OptionUse&, std::string&) {
                target.help = true;
                return true;
            }};
}

template <class Target>
std::vector<Option<Target>> readingOptions() {
    const auto set = [](bool ReadingOptions::*member, bool value) {
        return [member, value](Target& target, const OptionUse&, std::string&) {
            target.*member = value;
            return true;
        };
    };
    char defaultFlags[16];
    std::snprintf(defaultFlags, sizeof defaultFlags, "%#x", kDefaultFlags);
    return {
        {{"--no-includes"},
         nullptr,
         "do not follow *INCLUDE and the other include keywords\n"
         "(for decks from untrusted sources); each is a warning",
         set(&ReadingOptions::includes, false)},
        {{"--no-warnings"},
         nullptr,
         "do not run the reading checks (faster): the warnings of\n"
         "includes (and of --check) are still reported",
         set(&ReadingOptions::warnings, false)},
        {{"--no-parameters"},
         nullptr,
         "read a field that names a parameter (&name) as its text,\n"
         "not as the value of *PARAMETER or *PARAMETER_EXPRESSION",
         set(&ReadingOptions::parameters, false)},
        {{"--strict"},
         nullptr,
         "warnings end with exit status 3 (not with --no-warnings)",
         set(&ReadingOptions::strict, true)},
        {{"--flags"},
         "N",
         std::string("the host flag word, decimal or 0x hex (default ") + defaultFlags +
             "):\n0x2 keep field names, 0x4 build cards, 0x10 report IDs",
         [](Target& target, const OptionUse& use, std::string& error) {
             if (parseFlagWord(use.value, target.flags)) return true;
             error = "invalid value '" + use.value +
                     "' for '--flags': expected a decimal number or 0x and hex digits, "
                     "at most 0xffffffff";
             return false;
         }},
    };
}

}  // namespace abimport
