#include "diffmain.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../compare/diffprint.h"
#include "../host/deckread.h"
#include "../host/hostcalls.h"
#include "../output/warningprinter.h"
#include "options.h"

namespace abimport {

namespace {

constexpr int kChanges = 1;
constexpr int kTrouble = 2;
constexpr int kStrictWarnings = 3;
constexpr const char* kSeeHelp = " (see abimport diff --help)";

using DiffOption = Option<DiffOptions>;

DiffOption::Take chooseDiffOutput(DiffOptions::Output output) {
    return chooseOutput(&DiffOptions::output, &DiffOptions::outputChosen, output);
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

// A tolerance option: a finite number, 0 or more (`what` shows one).
DiffOption::Take setTolerance(double DiffOptions::*member, const char* what) {
    return [member, what](DiffOptions& options, const OptionUse& use, std::string& error) {
        if (parseTolerance(use.value, options.*member)) return true;
        error = "invalid value '" + use.value + "' for '" + use.name + "': expected " + what +
                ", 0 or more";
        return false;
    };
}

// The reading options of an import, but a flag word must build cards: diff
// compares cards.
std::vector<DiffOption> diffReadingOptions() {
    std::vector<DiffOption> options = readingOptions<DiffOptions>();
    for (DiffOption& option : options) {
        if (option.names.front() != "--flags") continue;
        option.take = [take = option.take](DiffOptions& target, const OptionUse& use,
                                           std::string& error) {
            if (!take(target, use, error)) return false;
            if (target.flags & Card::kBuildCards) return true;
            error = "'--flags " + use.value + "' builds no cards (0x4), and diff compares cards";
            return false;
        };
    }
    return options;
}

const OptionTable<DiffOptions>& diffOptions() {
    static const OptionTable<DiffOptions> table = {
        {nullptr,
         {{{"--tolerance"},
           "REL",
           "doubles a and b are equal when |a-b| <= REL*max(|a|,|b|)\n"
           "(default 0: exactly equal)",
           setTolerance(&DiffOptions::tolerance, "a relative tolerance such as 1e-9")},
          {{"--abs-tolerance"},
           "ABS",
           "doubles a and b are also equal when |a-b| <= ABS: the\n"
           "larger of the two tolerances counts (default 0)",
           setTolerance(&DiffOptions::absTolerance, "an absolute tolerance such as 1e-6")},
          {{"--all"},
           nullptr,
           "list each node and shell changed, added or removed, not\n"
           "only their count per keyword",
           setFlag<DiffOptions>(&DiffOptions::all)},
          {{"--json"},
           nullptr,
           "one JSON object per change",
           chooseDiffOutput(DiffOptions::Output::Json)},
          {{"--summary"},
           nullptr,
           "the changes counted by keyword",
           chooseDiffOutput(DiffOptions::Output::Summary)}}},
        {nullptr, diffReadingOptions()},
        {nullptr,
         {helpOption<DiffOptions>(),
          {{}, nullptr, "treat every later argument as a model", nullptr, "--"}}},
    };
    return table;
}

// The names of the fields that pair keywords (their first card's ID) and
// rows (the ID of a node or shell list's line), as the keyword table gives them.
std::string pairingNames(bool rows) {
    std::vector<std::string> names;
    for (const KeywordDescription* keyword : keywordList()) {
        for (unsigned c = 0; c < keyword->cardCount; ++c) {
            const CardDescription& card = keyword->cards[c];
            const FieldDescription* id = nullptr;
            if (!rows) id = fieldWithRole(card, FieldRole::KeywordId);
            if (rows && (card.role == CardRole::NodeList || card.role == CardRole::ShellList))
                id = &card.fields[0];
            if (id && std::find(names.begin(), names.end(), id->name) == names.end())
                names.push_back(id->name);
        }
    }
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : rows && i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

const std::string& diffUsageText() {
    static const std::string text =
        "Usage: abimport diff [OPTION]... OLD NEW\n"
        "Compares the airbag keywords of two models (each a deck or a model's main\n"
        "deck, include files followed) as imported: values, not text. Keywords pair\n"
        "by title and by the ID of their first card (" +
        pairingNames(false) +
        "), else by\n"
        "order; cards by name and order; nodes and shells by " +
        pairingNames(true) +
        ". Formatting,\n"
        "comments, include layout and line numbers are no changes. One line per\n"
        "change, with its place in OLD and in NEW; a parameter whose value changed\n"
        "comes first, and each field that took it names it. '-' is standard input.\n"
        "\n" +
        optionHelp(diffOptions()) +
        "\n"
        "Warnings of either model go to standard error as in an import.\n"
        "Exit status: 0 no change, 1 changes, 2 trouble (a bad command line, a model\n"
        "or one of its includes that cannot be read), 3 with --strict when a model\n"
        "gave warnings.\n";
    return text;
}

}  // namespace

ParsedDiffOptions parseDiffOptions(int argc, const char* const* argv) {
    ParsedDiffOptions parsed;
    DiffOptions& options = parsed.options;
    std::string& error = parsed.error;
    error = parseCommandLine(argc, argv, diffOptions(), kSeeHelp, options, options.models);
    if (!error.empty() || options.help) return parsed;
    if (options.models.size() != 2) {
        error = "diff compares two models, OLD and NEW; " + std::to_string(options.models.size()) +
                " given" + kSeeHelp;
    } else {
        error = readingOptionsError(options);
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
    DeckRead deck(path);
    if (!deck.opened()) {
        std::fprintf(stderr, "abimport: %s\n", deck.error().c_str());
        read.trouble = true;
        return read;
    }
    read.opened = true;
    ImportSettings settings = importSettings(options);
    settings.cardLines = true;
    WarningPrinter printer(stderr);
    HostImportObject target;
    DiffRecorder recorder(model, target);
    ObserverPair both(recorder, printer);
    deck.run(registry, target, &both, settings, path, [&](const DeckImport& import) {
        if (const ParameterTable* parameters = import.parameters())
            model.addParameters(parameters->definitions(), parameters->uses());
    });
    printer.deckEnds(path);
    read.trouble = deck.includeFailed() || deck.readFailed();
    read.warnings = printer.count();
    if (deck.readFailed()) std::fprintf(stderr, "abimport: %s\n", deck.error().c_str());
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
        std::fputs(diffUsageText().c_str(), stdout);
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
    settings.absTolerance = options.absTolerance;
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
