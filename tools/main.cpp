// abimport: imports the airbag keywords of keyword input decks through the
// shared import library, as a host application would, and prints the result.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../frame/version.h"
#include "../model/card.h"
#include "cardsatexit.h"
#include "deckinput.h"
#include "jsonevents.h"
#include "options.h"
#include "summary.h"
#include "writeback.h"

namespace {

constexpr int kDeckUnreadable = 1;
constexpr int kUsageError = 2;

void reportError(const std::string& message) {
    std::fprintf(stderr, "abimport: %s\n", message.c_str());
}

int printVersion() {
    const char* library = abimportLibraryVersion();
    std::printf("abimport %s\nlibrary %s\n", ABIMPORT_TOOL_VERSION, library);
    if (std::strcmp(library, ABIMPORT_TOOL_VERSION) != 0) {
        reportError(std::string("the loaded library (") + library +
                    ") does not match this tool (" ABIMPORT_TOOL_VERSION ")");
        return kDeckUnreadable;
    }
    return 0;
}

// Imports one deck with its own DataLine and ImportObject and prints it in the
// chosen mode. False when the deck could not be read. The last deck's cards
// are left to the process exit (cardsatexit.h).
bool handleDeck(const std::string& path, const Options& options, const ABImport& registry,
                bool severalDecks, bool lastDeck) {
    DeckInput input(path);
    if (!input.file()) {
        reportError(input.error());
        return false;
    }
    DataLine dataLine(input.file());
    switch (options.mode) {
    case OutputMode::WriteBack: {
        DeckTextWriter writer(stdout);
        HostImportObject target;
        importDeck(dataLine, registry, target, &writer);
        writer.deckEnds();
        if (lastDeck) leaveCardsToExit(target);
        break;
    }
    case OutputMode::Json: {
        JsonEventWriter writer(stdout);
        if (severalDecks) writer.deckStarts(path);
        HostImportObject target(&writer);
        importDeck(dataLine, registry, target, &writer);
        if (lastDeck) leaveCardsToExit(target);
        break;
    }
    case OutputMode::Summary: {
        DeckSummary summary;
        HostImportObject target(&summary);
        importDeck(dataLine, registry, target, &summary);
        summary.print(stdout, input.name());
        if (lastDeck) leaveCardsToExit(target);
        break;
    }
    case OutputMode::Quiet: {
        HostImportObject target;
        importDeck(dataLine, registry, target);
        if (lastDeck) leaveCardsToExit(target);
        break;
    }
    }
    if (input.readFailed()) {
        reportError(input.error());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.error.empty()) {
        reportError(parsed.error);
        return kUsageError;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) return printVersion();

    Card::contFlag = options.flags;
    ABImport registry;
    registry.initABALETypesAndFunctions();

    int status = 0;
    for (const std::string& deck : options.decks) {
        const bool lastDeck = &deck == &options.decks.back();
        if (!handleDeck(deck, options, registry, options.decks.size() > 1, lastDeck))
            status = kDeckUnreadable;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        reportError(std::string("cannot write the output: ") + std::strerror(errno));
        return kDeckUnreadable;
    }
    return status;
}
