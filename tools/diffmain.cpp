#include "diffmain.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../compare/diffprint.h"
#include "../host/deckimport.h"
#include "../host/deckinput.h"
#include "../host/hostcalls.h"
#include "../output/parametertexts.h"
#include "../output/warningprinter.h"
#include "options.h"

namespace abimport {

namespace {

constexpr int kChanges = 1;
constexpr int kTrouble = 2;
constexpr int kStrictWarnings = 3;
constexpr const char* kSeeHelp = " (see abimport diff --help)";

const char* diffUsageText() {
    return "Usage: abimport diff [OPTION]... OLD NEW\n"
           "Compares the airbag keywords of two models (each a deck or a model's main\n"
           "deck, include files followed) as imported: values, not text. Keywords pair\n"
           "by title and by the ID of their first card (AB1, SID, BAGID1), else by\n"
           "order; cards by name and order; nodes and shells by NID and EID. Formatting,\n"
           "comments, include layout and line numbers are no changes. One line per\n"
           "change, with its place in OLD and in NEW; a parameter whose value changed\n"
           "comes first, and each field that took it names it. '-' is standard input.\n"
           "\n"
           "  --tolerance REL  doubles a and b are equal when |a-b| <= REL*max(|a|,|b|)\n"
           "                   (default 0: exactly equal)\n"
           "  --all            list each node and shell changed, added or removed, not\n"
           "                   only their count per keyword\n"
           "  --json           one JSON object per change\n"
           "  --summary        the changes counted by keyword\n"
           "  --no-includes, --no-warnings, --no-parameters, --strict, --flags N\n"
           "                   as for an import\n"
           "  -h, --help       print this help and exit\n"
           "\n"
           "Warnings of either model go to standard error as in an import.\n"
           "Exit status: 0 no change, 1 changes, 2 trouble (a bad command line, a model\n"
           "or one of its includes that cannot be read), 3 with --strict when a model\n"
           "gave warnings.\n";
}

bool parseTolerance(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value) || value < 0) return false;
    out = value;
    return true;
}

}  // namespace

ParsedDiffOptions parseDiffOptions(int argc, const char* const* argv) {
    ParsedDiffOptions parsed;
    DiffOptions& options = parsed.options;
    std::string& error = parsed.error;
    bool outputChosen = false, optionsEnded = false;
    const auto output = [&](DiffOptions::Output chosen, const std::string& arg) {
        if (outputChosen && options.output != chosen) {
            error = "option '" + arg + "' conflicts with an earlier output option" + kSeeHelp;
        }
        outputChosen = true;
        options.output = chosen;
    };
    for (int i = 1; i < argc && error.empty(); ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.models.push_back(arg);
            continue;
        }
        // "--name value" or "--name=value".
        std::string value;
        const auto valued = [&](const char* name) {
            const size_t length = std::strlen(name);
            if (arg.compare(0, length, name) != 0) return false;
            if (arg.size() > length && arg[length] != '=') return false;
            if (arg.size() > length)
                value = arg.substr(length + 1);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                error = "option '" + std::string(name) + "' needs a value" + kSeeHelp;
            return true;
        };
        if (arg == "--")
            optionsEnded = true;
        else if (arg == "-h" || arg == "--help")
            options.help = true;
        else if (arg == "--all")
            options.all = true;
        else if (arg == "--json")
            output(DiffOptions::Output::Json, arg);
        else if (arg == "--summary")
            output(DiffOptions::Output::Summary, arg);
        else if (arg == "--no-includes")
            options.includes = false;
        else if (arg == "--no-parameters")
            options.parameters = false;
        else if (arg == "--no-warnings")
            options.warnings = false;
        else if (arg == "--strict")
            options.strict = true;
        else if (valued("--tolerance")) {
            if (error.empty() && !parseTolerance(value, options.tolerance)) {
                error =
                    "invalid value '" + value +
                    "' for '--tolerance': expected a relative tolerance such as 1e-9, 0 or more";
            }
        } else if (valued("--flags")) {
            if (error.empty() && !parseFlagWord(value, options.flags)) {
                error = "invalid value '" + value +
                        "' for '--flags': expected a decimal number or 0x and hex digits, "
                        "at most 0xffffffff";
            } else if (error.empty() && !(options.flags & Card::kBuildCards)) {
                error = "'--flags " + value + "' builds no cards (0x4), and diff compares cards";
            }
        } else {
            error = "unknown option '" + arg + "'" + kSeeHelp;
        }
    }
    if (error.empty() && !options.help && options.models.size() != 2) {
        error = "diff compares two models, OLD and NEW; " + std::to_string(options.models.size()) +
                " given" + kSeeHelp;
    } else if (error.empty() && options.strict && !options.warnings) {
        error = kStrictWithoutWarnings;
    }
    return parsed;
}

namespace {

struct ModelRead {
    bool opened = false;   // the deck itself could be opened
    bool trouble = false;  // the deck or one of its includes could not be read
    size_t warnings = 0;
};

// Imports one model into model; its warnings go to standard error.
ModelRead readModel(const std::string& path, const DiffOptions& options, const ABImport& registry,
                    DiffModel& model) {
    ModelRead read;
    DeckInput input(path);
    if (!input.file()) {
        std::fprintf(stderr, "abimport: %s\n", input.error().c_str());
        read.trouble = true;
        return read;
    }
    read.opened = true;
    DataLine dataLine(input.file());
    ImportSettings settings;
    settings.followIncludes = options.includes;
    settings.warnings = options.warnings;
    settings.cardLines = true;
    if (options.parameters) settings.parameterTexts = &exactValueTexts();
    WarningPrinter printer(stderr);
    HostImportObject target;
    DiffRecorder recorder(model, target);
    ObserverPair both(recorder, printer);
    DeckImport deck(registry, target, &both, settings);
    deck.run(dataLine, path);
    if (const ParameterTable* parameters = deck.parameters())
        model.addParameters(parameters->definitions(), parameters->uses());
    printer.deckEnds(path);
    read.trouble = deck.includeFailed();
    read.warnings = printer.count();
    if (input.readFailed()) {
        std::fprintf(stderr, "abimport: %s\n", input.error().c_str());
        read.trouble = true;
    }
    return read;
}

}  // namespace

int diffMain(int argc, const char* const* argv) {
    const ParsedDiffOptions parsed = parseDiffOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "abimport: %s\n", parsed.error.c_str());
        return kTrouble;
    }
    const DiffOptions& options = parsed.options;
    if (options.help) {
        std::fputs(diffUsageText(), stdout);
        return 0;
    }
    if (options.models[0] == "-" && options.models[1] == "-") {
        std::fprintf(stderr, "abimport: standard input can be only one of the models%s\n",
                     kSeeHelp);
        return kTrouble;
    }
    Card::contFlag = options.flags;
    ABImport registry;
    registry.initABALETypesAndFunctions();

    // One model after the other: the first one's cards are freed as they are
    // taken over, and the second import reuses their memory.
    DiffModel before, after;
    const ModelRead a = readModel(options.models[0], options, registry, before);
    const ModelRead b = readModel(options.models[1], options, registry, after);

    DiffSettings settings;
    settings.tolerance = options.tolerance;
    bool changes = false;
    if (a.opened && b.opened) {
        switch (options.output) {
            case DiffOptions::Output::Lines: {
                DiffTextWriter writer(stdout, options.all);
                changes = compareModels(before, after, settings, writer);
                break;
            }
            case DiffOptions::Output::Json: {
                std::string buffer;
                DiffJsonWriter writer(buffer, options.all, stdout);
                changes = compareModels(before, after, settings, writer);
                break;
            }
            case DiffOptions::Output::Summary: {
                DiffSummary summary;
                changes = compareModels(before, after, settings, summary);
                summary.print(stdout);
                break;
            }
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "abimport: cannot write the output: %s\n", std::strerror(errno));
        return kTrouble;
    }
    if (a.trouble || b.trouble) return kTrouble;
    if (options.strict && a.warnings + b.warnings) return kStrictWarnings;
    return changes ? kChanges : 0;
}

}  // namespace abimport
