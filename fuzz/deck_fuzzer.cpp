// libFuzzer target: any bytes as a deck. The first byte is the host flag word
// (Card::contFlag); the rest is the deck text. The deck goes through the host
// loop with every keyword the host knows, every host call and card is written
// as JSON Lines (which writes each card back as text), each card's own text is
// checked against the card, and everything is freed before the next input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../tests/deckfile.h"
#include "../tools/jsonevents.h"

namespace {

// A broken invariant is a finding: say which and stop like a crash.
void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "deck_fuzzer: %s\n", what);
    std::abort();
}

// Most cards one import can build beyond one per line piece read: the longest
// chain of cards that each take the end of the file as a card without fields.
constexpr size_t kMostCardsAtEndOfFile = 11;

void checkCard(Card& card) {
    require(card.fieldNames.empty() || card.fieldNames.size() == card.fields.size(),
            "field names out of step with the values");
    std::string text;
    card.tostring(text);
    // A header line when names were kept, then exactly one values line.
    size_t lineEnds = 0;
    for (char c : text) lineEnds += c == '\n';
    require(!text.empty() && text.back() == '\n', "card text does not end its line");
    require(lineEnds == (card.fieldNames.empty() ? 1u : 2u), "card text has stray lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const ABImport registry = [] {
        ABImport r;
        r.initABALETypesAndFunctions();
        return r;
    }();
    static FILE* const sink = std::fopen("/dev/null", "w");
    require(sink != nullptr, "cannot open /dev/null for the output");

    Card::contFlag = data[0];
    DeckFile deck(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    require(deck.get() != nullptr, "cannot open the deck in memory");
    DataLine dataLine(deck.get());
    JsonEventWriter writer(sink);
    HostImportObject target(&writer);
    const size_t imported = importDeck(dataLine, registry, target, &writer);

    require(target.cards.size() <= size + kMostCardsAtEndOfFile * imported,
            "more cards than the deck has lines");
    for (Card* card : target.cards) checkCard(*card);
    return 0;
}
