// The --summary output: a short report of one deck, gathered while it is
// imported and printed at its end: keywords, cards, host lookups, reported IDs,
// the files read and the warnings.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../host/idset.h"

namespace abimport {

// What the summaries of several decks add up to.
struct SummaryTotals {
    size_t decks = 0;
    size_t keywords = 0, cards = 0, lookups = 0, references = 0, files = 0, warnings = 0;
    bool checked = true;  // whether the reading checks ran

    void add(const SummaryTotals& other);
    // The block that ends the summaries of several decks.
    void print(FILE* out) const;
};

class DeckSummary : public HostCallListener, public DeckObserver {
public:
    // reader: the reader of the deck, which tells the words of the line just read.
    explicit DeckSummary(const DataLine* reader = nullptr) : reader_(reader) {}
    void keywordStarts(const KeywordSource& keyword) override;
    void keywordEnds(const ImportedKeyword& keyword) override;
    // A reported field refers to an ID when its word is a non-zero integer
    // of the line just read (referenceAt).
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2, unsigned long long line) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                    unsigned long long line) override;

    // The report; deck gives its title, the files read and the warnings by kind.
    void print(FILE* out, const std::string& deckName, const DeckImport& deck) const;
    // The deck's counts, for the totals over several decks.
    SummaryTotals totals(const DeckImport& deck) const;

private:
    struct IdGroup {
        size_t references = 0;
        IdSet ids;
    };

    const DataLine* reader_;
    std::map<unsigned, size_t> keywords_;                // by code
    std::vector<std::pair<std::string, size_t>> cards_;  // by name, first seen first
    std::map<std::string, size_t> cardIndex_;
    std::map<HostCallKind, size_t> lookups_;
    std::map<std::pair<unsigned, unsigned>, IdGroup> idGroups_;
};

}  // namespace abimport
