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

using ToolOption = Option<Options>;

ToolOption::Take chooseMode(OutputMode mode) {
    return chooseOutput(&Options::mode, &Options::modeChosen, mode);
}

// The value of an option that names a file or folder (`what`), which must
// not be empty.
bool isPath(const OptionUse& use, const char* what, std::string& error) {
    if (!use.value.empty()) return true;
    error = "option '" + use.name + "' needs " + what + use.seeHelp;
    return false;
}

ToolOption::Take setPath(std::string Options::*member, const char* what) {
    return [member, what](Options& options, const OptionUse& use, std::string& error) {
        if (!isPath(use, what, error)) return false;
        options.*member = use.value;
        return true;
    };
}

// The same for an option that may be given several times.
ToolOption::Take addPath(std::vector<std::string> Options::*member, const char* what) {
    return [member, what](Options& options, const OptionUse& use, std::string& error) {
        if (!isPath(use, what, error)) return false;
        (options.*member).push_back(use.value);
        return true;
    };
}

const OptionTable<Options>& toolOptions() {
    static const OptionTable<Options> table = [] {
        OptionTable<Options> groups = {
            {"Output (one of):",
             {{{},
               nullptr,
               "the imported keywords written back as deck text: for each\n"
               "a \"$ FILE:LINE\" comment, its title line and its cards",
               nullptr,
               "(default)"},
              {{"--json"},
               nullptr,
               "JSON Lines, one event per line: keyword (with its file and\n"
               "line), the host calls of its import (addIDToRefFile,\n"
               "airbagFind, airbagVentHoleFind, airbagAdvancedAle) and its\n"
               "cards, each with its line; include and warning events; with\n"
               "several decks each deck starts with {\"event\":\"deck\",...}",
               chooseMode(OutputMode::Json)},
              {{"--summary"},
               nullptr,
               "keywords by title, cards by name, the reported IDs by kind\n"
               "(blank, zero and non-numeric ID fields count as none), the\n"
               "files read and the warnings by kind",
               chooseMode(OutputMode::Summary)},
              {{"-q", "--quiet"},
               nullptr,
               "import only and print nothing but warnings",
               chooseMode(OutputMode::Quiet)}}},
            {"Reading:", readingOptions<Options>()},
            {nullptr,
             {{{"--stdin-name"},
               "PATH",
               "read deck '-' as if it were the file PATH: its folder\n"
               "for includes, its name in provenance and warnings",
               setPath(&Options::stdinName, "a path")},
              {{"--check"},
               nullptr,
               "check the model: references to nodes, shells, parts,\n"
               "curves, vectors, transformations and sets that nothing\n"
               "in the model defines, IDs defined twice, files included\n"
               "twice; any of them, or a parameter nothing defines, ends\n"
               "with exit status 3",
               setFlag<Options>(&Options::check)},
              {{"-j", "--jobs"},
               "N",
               "import N decks at once (default: one per core); the\n"
               "output is as if they were handled one after the other",
               [](Options& options, const OptionUse& use, std::string& error) {
                   if (parseJobs(use.value, options.jobs)) return true;
                   error = "invalid value '" + use.value + "' for '" + use.name +
                           "': expected a number of decks from 1 to 1024";
                   return false;
               }}}},
            {"Editing (one deck):",
             {{{"--set"},
               "FILE:LINE:FIELD=VALUE",
               "change a field of the card read from FILE:LINE\n"
               "(as the provenance prints them); only its columns or its\n"
               "comma word change; may be given several times; VALUE empty\n"
               "blanks the field (fixed-form lines only)",
               [](Options& options, const OptionUse& use, std::string&) {
                   options.edits.push_back(use.value);
                   return true;
               }},
              {{"--set-nodes"},
               "CSV",
               "set the coordinates of the reference geometries' nodes\n"
               "from CSV rows NID,X,Y,Z (a header line optional)",
               addPath(&Options::nodeFiles, "a CSV file")},
              {{"--round"},
               nullptr,
               "where a value has no exact text that fits its field, write\n"
               "the closest one and say what the field reads (else an error)\n"
               "With one of:",
               setFlag<Options>(&Options::round)},
              {{"--diff"},
               nullptr,
               "print the unified diff of the changes, write nothing",
               setFlag<Options>(&Options::diff)},
              {{"--in-place"},
               nullptr,
               "rewrite the changed files (atomically)",
               setFlag<Options>(&Options::inPlace)},
              {{"--output"},
               "DIR",
               "write the whole model under DIR, mirroring its folders",
               setPath(&Options::outputFolder, "a folder")}}},
            {"Other options:",
             {helpOption<Options>(),
              {{"--version"},
               nullptr,
               "print the tool's and the loaded library's version and exit",
               setFlag<Options>(&Options::version)},
              {{}, nullptr, "treat every later argument as a deck", nullptr, "--"}}},
        };
        return groups;
    }();
    return table;
}

// What no single option can tell: the deck list and the options that go together.
std::string commandLineError(const Options& options) {
    if (options.decks.empty()) return std::string("no deck given") + kSeeHelp;
    std::string error = readingOptionsError(options);
    if (!error.empty()) return error;
    if (!options.stdinName.empty() &&
        std::find(options.decks.begin(), options.decks.end(), "-") == options.decks.end()) {
        return std::string("option '--stdin-name' names standard input, but no deck is '-'") +
               kSeeHelp;
    }
    const int saves =
        (options.diff ? 1 : 0) + (options.inPlace ? 1 : 0) + (options.outputFolder.empty() ? 0 : 1);
    const bool edits = !options.edits.empty() || !options.nodeFiles.empty();
    if (!saves && !edits && !options.round) return "";
    if (!edits) {
        return std::string("--diff, --in-place, --output and --round need --set or --set-nodes") +
               kSeeHelp;
    }
    if (saves != 1)
        return std::string("--set needs one of --diff, --in-place and --output DIR") + kSeeHelp;
    if (options.decks.size() != 1 || options.modeChosen)
        return std::string("--set edits one deck and prints no other output") + kSeeHelp;
    return "";
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

ImportSettings importSettings(const ReadingOptions& options) {
    ImportSettings settings;
    settings.followIncludes = options.includes;
    settings.warnings = options.warnings;
    settings.parameters = options.parameters;
    return settings;
}

const char* const kStrictWithoutWarnings =
    "'--strict' and '--no-warnings' do not go together: --strict fails on the "
    "warnings of the reading checks, which --no-warnings turns off";

std::string readingOptionsError(const ReadingOptions& options) {
    return options.strict && !options.warnings ? kStrictWithoutWarnings : "";
}

ParsedOptions parseOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    parsed.error = parseCommandLine(argc, argv, toolOptions(), kSeeHelp, options, options.decks);
    if (parsed.error.empty() && !options.help && !options.version)
        parsed.error = commandLineError(options);
    return parsed;
}

const std::string& usageText() {
    static const std::string text =
        "Usage: abimport [OPTION]... DECK...\n"
        "   or: abimport diff [OPTION]... OLD NEW   (see abimport diff --help)\n"
        "Imports the airbag keywords of each keyword input DECK through the airbag\n"
        "import library and prints the result. DECK '-' is standard input. Several\n"
        "decks are handled one after the other.\n"
        "\n" +
        optionHelp(toolOptions()) +
        "\n"
        "Warnings go to standard error as FILE:LINE: warning: MESSAGE [KIND], at\n"
        "most 20 of a kind per deck (--json lists them all as warning events).\n"
        "\n"
        "Exit status: 0 when every deck was read, 1 when a deck or one of its\n"
        "includes could not be read (the other decks are still handled), 2 for a\n"
        "bad command line, 3 with --strict when a deck gave warnings and with\n"
        "--check when the model has a problem (1 and 2 win over 3).\n";
    return text;
}

}  // namespace abimport
