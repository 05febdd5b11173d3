// A deck as read through the stand-in host: its keywords with their cards
// and host calls, its warnings and files, and the order in which the deck
// loop reported them, so that the tool's outputs can be written again from it.
// It owns the cards; nothing in it changes after the read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../../host/deckimport.h"
#include "../../host/hostcalls.h"
#include "../../model/card.h"
#include "calllog.h"

namespace abimport {

// One imported keyword.
struct DeckKeyword {
    const KeywordDescription* keyword = nullptr;
    std::shared_ptr<const std::string> file;
    unsigned long long line = 0;
    size_t firstCard = 0, cardCount = 0;  // into DeckData::cards
    size_t firstCall = 0, callCount = 0;  // by number among all calls
    CallLog::Position calls;              // where its first call is logged
    // Its cards (by index from firstCard) with empty fields before filled ones.
    std::vector<std::pair<size_t, EmptyFields>> gaps;
    // Its cards (by index from firstCard) with fields that took a parameter's value.
    std::vector<std::pair<size_t, CardParameters>> parameters;
};

// An include opened: the including file, the line of the include keyword and
// the path opened.
struct DeckInclude {
    std::shared_ptr<const std::string> file;
    unsigned long long line;
    std::shared_ptr<const std::string> path;
};

// What the deck loop reported, in order; the host calls fall between these
// and are placed by how many came before.
struct DeckEvent {
    enum Kind : uint8_t { Include, KeywordStarts, KeywordEnds, Warning };
    Kind kind;
    size_t index;        // into includes, keywords or warnings
    size_t callsBefore;  // host calls logged before it
};

// The line of each card: four bytes a card, with the rare line past
// 32 bits kept aside.
class CardLines {
public:
    void reserve(size_t count) { lines_.reserve(count); }
    size_t capacity() const { return lines_.capacity(); }
    void push(unsigned long long line);
    unsigned long long at(size_t card) const;

private:
    static constexpr uint32_t kFar = UINT32_MAX;
    std::vector<uint32_t> lines_;
    std::vector<std::pair<size_t, unsigned long long>> far_;  // by ascending card
};

struct DeckEdits;  // deckedit.h

struct DeckData {
    DeckData();
    ~DeckData();
    DeckData(const DeckData&) = delete;
    DeckData& operator=(const DeckData&) = delete;

    std::string path;  // as given
    unsigned flags = 0;
    bool followIncludes = true;  // the include keywords were followed
    bool fromText = false;       // read from memory, not from a file
    // The edits from Python, made when the first is asked for. The one part
    // of a deck that changes; only while the GIL is held.
    mutable std::unique_ptr<DeckEdits> edits;
    std::vector<std::string> files;  // every file read, the deck first
    std::vector<DeckKeyword> keywords;
    std::vector<Card*> cards;  // owned; never null
    CardLines cardLines;
    CallLog calls;
    std::vector<abimport::Warning> warnings;
    std::vector<DeckInclude> includes;
    std::vector<DeckEvent> events;
    // The model's parameters, when it has any, and how often airbag fields used each.
    std::vector<ParameterDefinition> parameters;
    std::vector<size_t> parameterUses;

    // The host calls of one keyword, in order.
    std::vector<LoggedCall> callsOf(const DeckKeyword& keyword) const;
};

// Deletes a deck with its blocks going back to the heap through a cache of
// its own (HeapScope), not through the heap's locks one block at a time.
struct FreeDeck {
    void operator()(const DeckData* deck) const;
};
using DeckOwner = std::unique_ptr<DeckData, FreeDeck>;

// Fills a DeckData from the deck loop and the reporting functions. Cards stay
// in the import target until take() moves them over at the end.
class DeckRecorder : public DeckObserver, public HostCallListener {
public:
    explicit DeckRecorder(DeckData& deck) : deck_(deck) {}

    void includeOpened(const SourceFile& include, const SourceFile& includingFile) override;
    void keywordStarts(const KeywordSource& keyword) override;
    void keywordEnds(const ImportedKeyword& keyword) override;
    void warning(const abimport::Warning& warning) override;
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2, unsigned long long line) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                    unsigned long long line) override;

    // After the import: the cards of target and the list of files read.
    void take(ImportObject& target, const DeckImport& import);

private:
    void event(DeckEvent::Kind kind, size_t index) {
        deck_.events.push_back({kind, index, deck_.calls.size()});
    }

    DeckData& deck_;
    size_t cardsKept_ = 0;  // cards that are not null
    bool nullCards_ = false;
};

}  // namespace abimport
