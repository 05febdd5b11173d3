#include "deckjob.h"

#include <functional>

#include "../host/deckread.h"
#include "../output/jsonevents.h"
#include "../output/summary.h"
#include "../output/warningprinter.h"
#include "../output/writeback.h"
#include "cardsatexit.h"

namespace abimport {

DeckOutcome importAndPrint(const std::string& path, const Options& options,
                           const ABImport& registry, bool severalDecks, bool lastDeck, FILE* out,
                           FILE* err) {
    DeckOutcome outcome;
    DeckRead deck(path);
    // Standard input may be read as a named file: its folder for includes,
    // its name wherever the deck is named.
    const bool named = path == "-" && !options.stdinName.empty();
    const std::string& deckPath = named ? options.stdinName : path;
    if (!deck.opened()) {
        std::fprintf(err, "abimport: %s\n", deck.error().c_str());
        outcome.readFailed = true;
        return outcome;
    }
    ImportSettings settings = importSettings(options);
    settings.check = options.check;
    WarningPrinter printer(err);
    size_t jsonWarnings = 0;

    // The deck loop with the mode's observer and import target; then what
    // the mode prints from the whole deck.
    auto run = [&](DeckObserver& observer, HostImportObject& target,
                   const std::function<void(const DeckImport&)>& atEnd) {
        deck.run(registry, target, &observer, settings, deckPath, [&](const DeckImport& loop) {
            outcome.modelProblems = loop.modelProblems();
            if (atEnd) atEnd(loop);
        });
        if (lastDeck) leaveCardsToExit(target);
    };
    switch (options.mode) {
        case OutputMode::WriteBack: {
            settings.cardLines = settings.warnings;
            settings.emptyBeforeFilled = true;  // where the values stand in their lines
            DeckTextWriter writer(out, settings.warnings ? &printer : nullptr);
            ObserverPair both(writer, printer);
            HostImportObject target;
            run(both, target, [&](const DeckImport&) { writer.deckEnds(); });
            break;
        }
        case OutputMode::Json: {
            // Warnings are events in the stream; nothing goes to standard error.
            settings.cardLines = true;
            JsonEventWriter writer(out);
            if (severalDecks) writer.deckStarts(deckPath);
            HostImportObject target(&writer);
            run(writer, target,
                [&](const DeckImport& loop) { jsonWarnings = loop.warningTotal(); });
            break;
        }
        case OutputMode::Summary: {
            DeckSummary summary(&deck.reader());
            ObserverPair both(summary, printer);
            HostImportObject target(&summary);
            run(both, target, [&](const DeckImport& loop) {
                summary.print(out, named ? deckPath : deck.name(), loop);
                outcome.summary = summary.totals(loop);
            });
            break;
        }
        case OutputMode::Quiet: {
            HostImportObject target;
            run(printer, target, nullptr);
            break;
        }
    }
    printer.deckEnds(deckPath);
    outcome.warnings = printer.count() + jsonWarnings;
    outcome.readFailed = deck.includeFailed() || deck.readFailed();
    if (deck.readFailed()) std::fprintf(err, "abimport: %s\n", deck.error().c_str());
    return outcome;
}

}  // namespace abimport
