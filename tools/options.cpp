#include "options.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace abimport {

namespace {

constexpr const char* kSeeHelp = " (see abimport --help)";

bool hexDigit(char c, unsigned& value) {
    if (c >= '0' && c <= '9')
        value = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
        value = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
        value = static_cast<unsigned>(c - 'A' + 10);
    else
        return false;
    return true;
}

// Sets the output mode once; a second, different mode is an error.
bool chooseMode(Options& options, bool& chosen, OutputMode mode, const std::string& option,
                std::string& error) {
    if (chosen && options.mode != mode) {
        error = "option '" + option + "' conflicts with an earlier output option" + kSeeHelp;
        return false;
    }
    chosen = true;
    options.mode = mode;
    return true;
}

}  // namespace

bool parseFlagWord(const std::string& text, unsigned& out) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const unsigned base = hex ? 16 : 10;
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) return false;
    uint64_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        unsigned digit;
        if (!hexDigit(text[i], digit) || digit >= base) return false;
        value = value * base + digit;
        if (value > UINT32_MAX) return false;
    }
    out = static_cast<unsigned>(value);
    return true;
}

namespace {

// An option's value: the rest of "--name=value", or the next argument.
bool takeValue(const std::string& name, const std::string& arg, int argc, const char* const* argv,
               int& i, std::string& value, std::string& error) {
    if (arg.size() > name.size()) {
        value = arg.substr(name.size() + (arg[name.size()] == '=' ? 1 : 0));
        return true;
    }
    if (i + 1 < argc) {
        value = argv[++i];
        return true;
    }
    error = "option '" + name + "' needs a value" + kSeeHelp;
    return false;
}

// The same for an option whose value names a file or folder (`what`), which
// must not be empty.
bool takePath(const std::string& name, const char* what, const std::string& arg, int argc,
              const char* const* argv, int& i, std::string& value, std::string& error) {
    if (!takeValue(name, arg, argc, argv, i, value, error)) return false;
    if (!value.empty()) return true;
    error = "option '" + name + "' needs " + what + kSeeHelp;
    return false;
}

// "--name", "--name=value", and for a short name also "-jVALUE".
bool isValueOption(const std::string& arg, const std::string& name) {
    if (arg.compare(0, name.size(), name) != 0) return false;
    if (arg.size() == name.size()) return true;
    return name.size() == 2 ? true : arg[name.size()] == '=';
}

bool parseJobs(const std::string& text, unsigned& jobs) {
    if (text.empty() || text.size() > 4) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 1024) return false;
    jobs = value;
    return true;
}

}  // namespace

const char* const kStrictWithoutWarnings =
    "'--strict' and '--no-warnings' do not go together: --strict fails on the "
    "warnings of the reading checks, which --no-warnings turns off";

ParsedOptions parseOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    std::string& error = parsed.error;
    bool modeChosen = false;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.decks.push_back(arg);
            continue;
        }
        std::string value;
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--json") {
            if (!chooseMode(options, modeChosen, OutputMode::Json, arg, error)) return parsed;
        } else if (arg == "--summary") {
            if (!chooseMode(options, modeChosen, OutputMode::Summary, arg, error)) return parsed;
        } else if (arg == "-q" || arg == "--quiet") {
            if (!chooseMode(options, modeChosen, OutputMode::Quiet, arg, error)) return parsed;
        } else if (arg == "--no-includes") {
            options.includes = false;
        } else if (arg == "--no-warnings") {
            options.warnings = false;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (isValueOption(arg, "--stdin-name")) {
            if (!takePath("--stdin-name", "a path", arg, argc, argv, i, options.stdinName, error))
                return parsed;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--no-parameters") {
            options.parameters = false;
        } else if (isValueOption(arg, "--set")) {
            if (!takeValue("--set", arg, argc, argv, i, value, error)) return parsed;
            options.edits.push_back(value);
        } else if (arg == "--diff") {
            options.diff = true;
        } else if (arg == "--in-place") {
            options.inPlace = true;
        } else if (isValueOption(arg, "--output")) {
            if (!takePath("--output", "a folder", arg, argc, argv, i, options.outputFolder, error))
                return parsed;
        } else if (isValueOption(arg, "--flags")) {
            if (!takeValue("--flags", arg, argc, argv, i, value, error)) return parsed;
            if (!parseFlagWord(value, options.flags)) {
                error = "invalid value '" + value +
                        "' for '--flags': expected a decimal number or 0x and hex digits, "
                        "at most 0xffffffff";
                return parsed;
            }
        } else if (isValueOption(arg, "--jobs") || isValueOption(arg, "-j")) {
            const std::string name = arg[1] == 'j' ? "-j" : "--jobs";
            if (!takeValue(name, arg, argc, argv, i, value, error)) return parsed;
            if (!parseJobs(value, options.jobs)) {
                error = "invalid value '" + value + "' for '" + name +
                        "': expected a number of decks from 1 to 1024";
                return parsed;
            }
        } else {
            error = "unknown option '" + arg + "'" + kSeeHelp;
            return parsed;
        }
    }
    if (options.help || options.version) return parsed;
    if (options.decks.empty()) {
        error = std::string("no deck given") + kSeeHelp;
    } else if (options.strict && !options.warnings) {
        error = kStrictWithoutWarnings;
    } else if (!options.stdinName.empty() &&
               std::find(options.decks.begin(), options.decks.end(), "-") == options.decks.end()) {
        error = std::string("option '--stdin-name' names standard input, but no deck is '-'") +
                kSeeHelp;
    }
    const int saves =
        (options.diff ? 1 : 0) + (options.inPlace ? 1 : 0) + (options.outputFolder.empty() ? 0 : 1);
    if (error.empty() && !options.help && !options.version && (saves || !options.edits.empty())) {
        if (options.edits.empty()) {
            error = std::string("--diff, --in-place and --output need --set") + kSeeHelp;
        } else if (saves != 1) {
            error =
                std::string("--set needs one of --diff, --in-place and --output DIR") + kSeeHelp;
        } else if (options.decks.size() != 1 || modeChosen) {
            error = std::string("--set edits one deck and prints no other output") + kSeeHelp;
        }
    }
    return parsed;
}

const char* usageText() {
    return "Usage: abimport [OPTION]... DECK...\n"
           "   or: abimport diff [OPTION]... OLD NEW   (see abimport diff --help)\n"
           "Imports the airbag keywords of each keyword input DECK through the airbag\n"
           "import library and prints the result. DECK '-' is standard input. Several\n"
           "decks are handled one after the other.\n"
           "\n"
           "Output (one of):\n"
           "  (default)      the imported keywords written back as deck text: for each\n"
           "                 a \"$ FILE:LINE\" comment, its title line and its cards\n"
           "  --json         JSON Lines, one event per line: keyword (with its file and\n"
           "                 line), the host calls of its import (addIDToRefFile,\n"
           "                 airbagFind, airbagVentHoleFind, airbagAdvancedAle) and its\n"
           "                 cards, each with its line; include and warning events; with\n"
           "                 several decks each deck starts with {\"event\":\"deck\",...}\n"
           "  --summary      keywords by title, cards by name, the reported IDs by kind\n"
           "                 (blank, zero and non-numeric ID fields count as none), the\n"
           "                 files read and the warnings by kind\n"
           "  -q, --quiet    import only and print nothing but warnings\n"
           "\n"
           "Reading:\n"
           "  --no-includes  do not follow *INCLUDE and the other include keywords\n"
           "                 (for decks from untrusted sources); each is a warning\n"
           "  --no-warnings  do not run the reading checks (faster): only include\n"
           "                 warnings and those of --check are reported\n"
           "  --strict       a deck with warnings ends with exit status 3 (not with\n"
           "                 --no-warnings)\n"
           "  --stdin-name PATH  read deck '-' as if it were the file PATH: its folder\n"
           "                 for includes, its name in provenance and warnings\n"
           "  --check        check the model: references to nodes, shells, parts,\n"
           "                 curves, vectors, transformations and sets that nothing\n"
           "                 in the model defines, IDs defined twice, files included\n"
           "                 twice; any of them, or a parameter nothing defines, ends\n"
           "                 with exit status 3\n"
           "  --no-parameters  read a field that names a parameter (&name) as its text,\n"
           "                 not as the value of *PARAMETER or *PARAMETER_EXPRESSION\n"
           "  -j, --jobs N   import N decks at once (default: one per core); the\n"
           "                 output is as if they were handled one after the other\n"
           "  --flags N      the host flag word, decimal or 0x hex (default 0x16):\n"
           "                 0x2 keep field names, 0x4 build cards, 0x10 report IDs\n"
           "\n"
           "Editing (one deck):\n"
           "  --set FILE:LINE:FIELD=VALUE  change a field of the card read from FILE:LINE\n"
           "                 (as the provenance prints them); only its columns or its\n"
           "                 comma word change; may be given several times. With one of:\n"
           "  --diff         print the unified diff of the changes, write nothing\n"
           "  --in-place     rewrite the changed files (atomically)\n"
           "  --output DIR   write the whole model under DIR, mirroring its folders\n"
           "\n"
           "Other options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the tool's and the loaded library's version and exit\n"
           "  --             treat every later argument as a deck\n"
           "\n"
           "Warnings go to standard error as FILE:LINE: warning: MESSAGE [KIND], at\n"
           "most 20 of a kind per deck (--json lists them all as warning events).\n"
           "\n"
           "Exit status: 0 when every deck was read, 1 when a deck or one of its\n"
           "includes could not be read (the other decks are still handled), 2 for a\n"
           "bad command line, 3 with --strict when a deck gave warnings and with\n"
           "--check when the model has a problem (1 and 2 win over 3).\n";
}

}  // namespace abimport
