#include "deckread.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../../host/deckread.h"
#include "deckreleaser.h"
#include "flagguard.h"
#include "importheap.h"

namespace abimport {

namespace {

// Reads the opened deck; what the import makes comes from the heap.
DeckOwner importDeck(DeckRead& source, const std::string& path, const ReadOptions& options) {
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
    settings.parameters = options.parameters;
    FlagGuard guard(options.flags);
    source.run(registry, target, &recorder, settings, path,
               [&](const DeckImport& import) { recorder.take(target, import); });
    if (source.readFailed()) throw DeckReadError(source.errorNumber(), source.error());
    return deck;
}

}  // namespace

DeckOwner readDeckFile(const std::string& path, const ReadOptions& options) {
    DeckRead source(path);
    if (!source.opened()) throw DeckReadError(source.errorNumber(), source.error());
    return importDeck(source, path, options);
}

DeckOwner readDeckText(const std::string& text, const std::string& name,
                       const ReadOptions& options) {
    // A stream over the text (glibc takes an empty one too).
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!file) throw DeckReadError(errno, "cannot read '" + name + "': " + std::strerror(errno));
    try {
        DeckRead source(file, name);
        auto deck = importDeck(source, name, options);
        deck->fromText = true;
        std::fclose(file);
        return deck;
    } catch (...) {
        std::fclose(file);
        throw;
    }
}

}  // namespace abimport
