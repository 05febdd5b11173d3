#include "deckread.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "deckreleaser.h"
#include "flagguard.h"
#include "host/deckinput.h"
#include "importheap.h"
#include "output/parametertexts.h"

namespace abimport {

namespace {

DeckOwner importDeck(FILE* file, const std::string& path, const ReadOptions& options) {
    // The deck's cards, and everything else made here, come from the heap.
    // Made first, so that the memory of decks let go of, which the import
    // then waits for, serves this import rather than going back to the
    // system.
    HeapScope heap(HeapScope::Use::kImport);
    waitForReleases();
    DeckOwner deck(new DeckData);
    deck->path = path;
    deck->flags = options.flags;
    deck->followIncludes = options.includes;
    ABImport registry;
    registry.initABALETypesAndFunctions();
    DeckRecorder recorder(*deck);
    HostImportObject target(&recorder);
    ImportSettings settings;
    settings.followIncludes = options.includes;
    settings.check = options.check;
    settings.warnings = true;
    settings.cardLines = true;
    settings.emptyBeforeFilled = true;  // where the values stand, for the write-back
    if (options.parameters) settings.parameterTexts = &exactValueTexts();
    DataLine reader(file);
    FlagGuard guard(options.flags);
    DeckImport import(registry, target, &recorder, settings);
    import.run(reader, path);
    recorder.take(target, import);
    return deck;
}

}  // namespace

DeckOwner readDeckFile(const std::string& path, const ReadOptions& options) {
    DeckInput input(path);
    if (!input.file()) throw DeckReadError(input.errorNumber(), input.error());
    auto deck = importDeck(input.file(), path, options);
    if (input.readFailed()) throw DeckReadError(input.errorNumber(), input.error());
    return deck;
}

DeckOwner readDeckText(const std::string& text, const std::string& name,
                       const ReadOptions& options) {
    // A stream over the text (glibc takes an empty one too).
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!file) throw DeckReadError(errno, "cannot read '" + name + "': " + std::strerror(errno));
    try {
        auto deck = importDeck(file, name, options);
        deck->fromText = true;
        std::fclose(file);
        return deck;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

}  // namespace abimport
