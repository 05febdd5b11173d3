// abimport: imports the airbag keywords of keyword input decks through the
// shared import library, as a host application would, and prints the result.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../frame/version.h"
#include "../model/card.h"
#include "deckqueue.h"
#include "diffmain.h"
#include "editmain.h"
#include "lspmain.h"
#include "options.h"

using namespace abimport;

namespace {

constexpr int kDeckUnreadable = 1;
constexpr int kUsageError = 2;
constexpr int kStrictWarnings = 3;  // also --check with a problem of the model

void reportError(const std::string& message) {
    std::fprintf(stderr, "abimport: %s\n", message.c_str());
}

int printVersion() {
    const char* library = abimport::libraryVersion();
    std::printf("abimport %s\nlibrary %s\n", ABIMPORT_TOOL_VERSION, library);
    if (std::strcmp(library, ABIMPORT_TOOL_VERSION) != 0) {
        reportError(std::string("the loaded library (") + library +
                    ") does not match this tool (" ABIMPORT_TOOL_VERSION ")");
        return kDeckUnreadable;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "diff") == 0) return diffMain(argc - 1, argv + 1);
    if (argc > 1 && std::strcmp(argv[1], "lsp") == 0) {
        ABImport registry;
        registry.initABALETypesAndFunctions();
        return lspMain(argc - 1, argv + 1, registry);
    }
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.error.empty()) {
        reportError(parsed.error);
        return kUsageError;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) return printVersion();

    Card::contFlag = options.flags;
    ABImport registry;
    registry.initABALETypesAndFunctions();
    if (!options.edits.empty() || !options.nodeFiles.empty() || !options.parameterEdits.empty())
        return runModelEdits(options, registry, stdout, stderr);

    const DeckTotals totals = importDecks(options, registry, jobsFor(options));
    if (options.mode == OutputMode::Summary && options.decks.size() > 1) {
        totals.summary.print(stdout);
    }
    const bool problems =
        (options.strict && totals.warnings) || (options.check && totals.modelProblems);
    const int status = totals.readFailed ? kDeckUnreadable : problems ? kStrictWarnings : 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        reportError(std::string("cannot write the output: ") + std::strerror(errno));
        return kDeckUnreadable;
    }
    return status;
}
