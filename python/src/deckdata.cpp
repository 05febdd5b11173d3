#include "deckdata.h"

#include <algorithm>

#include "deckedit.h"
#include "importheap.h"

namespace abimport {

void CardLines::push(unsigned long long line) {
    if (line >= kFar) {
        far_.emplace_back(lines_.size(), line);
        lines_.push_back(kFar);
    } else {
        lines_.push_back(static_cast<uint32_t>(line));
    }
}

unsigned long long CardLines::at(size_t card) const {
    if (lines_[card] != kFar) return lines_[card];
    const auto found = std::lower_bound(far_.begin(), far_.end(), card,
                                        [](const std::pair<size_t, unsigned long long>& entry,
                                           size_t index) { return entry.first < index; });
    return found->second;
}

DeckData::DeckData() = default;

DeckData::~DeckData() {
    for (Card* card : cards) delete card;
}

void FreeDeck::operator()(const DeckData* deck) const {
    HeapScope heap(HeapScope::Use::kRelease);
    delete deck;
}

std::vector<LoggedCall> DeckData::callsOf(const DeckKeyword& keyword) const {
    std::vector<LoggedCall> out(keyword.callCount);
    CallLog::Position position = keyword.calls;
    for (LoggedCall& call : out) calls.read(position, call);
    return out;
}

void DeckRecorder::includeOpened(const SourceFile& include, const SourceFile& includingFile) {
    deck_.includes.push_back({includingFile.path, include.includeLine, include.path});
    event(DeckEvent::Include, deck_.includes.size() - 1);
}

void DeckRecorder::keywordStarts(const KeywordSource& keyword) {
    DeckKeyword kept;
    kept.keyword = &keyword.keyword;
    kept.file = keyword.file.path;
    kept.line = keyword.line;
    kept.firstCard = cardsKept_;
    kept.firstCall = deck_.calls.size();
    kept.calls = deck_.calls.end();
    deck_.keywords.push_back(std::move(kept));
    event(DeckEvent::KeywordStarts, deck_.keywords.size() - 1);
}

void DeckRecorder::keywordEnds(const ImportedKeyword& keyword) {
    DeckKeyword& kept = deck_.keywords.back();
    kept.callCount = deck_.calls.size() - kept.firstCall;
    const auto& cards = keyword.target.cards;
    const size_t built = cards.size() - keyword.firstCard;
    if (deck_.cardLines.capacity() < cardsKept_ + built) {
        // Room for this keyword's cards, and half as much again for the ones
        // after it, so that many small keywords do not copy the list each time.
        deck_.cardLines.reserve(std::max(cardsKept_ + built, deck_.cardLines.capacity() * 3 / 2));
    }
    const auto& gaps = keyword.emptyBeforeFilled;
    auto gap = gaps.begin();
    auto parameters = keyword.parameters.begin();
    for (size_t n = 0; n < built; ++n) {
        if (!cards[keyword.firstCard + n]) {
            nullCards_ = true;
            continue;
        }
        while (gap != gaps.end() && gap->first < n) ++gap;
        if (gap != gaps.end() && gap->first == n)
            kept.gaps.emplace_back(kept.cardCount, gap->second);
        while (parameters != keyword.parameters.end() && parameters->first < n) ++parameters;
        if (parameters != keyword.parameters.end() && parameters->first == n)
            kept.parameters.emplace_back(kept.cardCount, parameters->second);
        deck_.cardLines.push(n < keyword.cardLines.size() ? keyword.cardLines[n] : 0);
        ++kept.cardCount;
        ++cardsKept_;
    }
    event(DeckEvent::KeywordEnds, deck_.keywords.size() - 1);
}

void DeckRecorder::warning(const abimport::Warning& warning) {
    deck_.warnings.push_back(warning);
    event(DeckEvent::Warning, deck_.warnings.size() - 1);
}

void DeckRecorder::idReport(char** words, unsigned idCount, const unsigned* idPos,
                            const unsigned* idCode1, const unsigned* idCode2,
                            unsigned long long line) {
    deck_.calls.addIdReport(words, idCount, idPos, idCode1, idCode2, line);
}

void DeckRecorder::airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                              unsigned long long line) {
    deck_.calls.addAirbagCall(kind, words, wordCount, line);
}

void DeckRecorder::take(ImportObject& target, const DeckImport& import) {
    deck_.cards = std::move(target.cards);
    target.cards.clear();
    // The deck loop skips null cards; so do the keyword ranges counted above.
    if (nullCards_) {
        deck_.cards.erase(std::remove(deck_.cards.begin(), deck_.cards.end(), nullptr),
                          deck_.cards.end());
    }
    for (const SourceFile& file : import.files()) deck_.files.push_back(*file.path);
    if (const ParameterTable* parameters = import.parameters()) {
        deck_.parameters = parameters->definitions();
        deck_.parameterUses = parameters->uses();
    }
}

}  // namespace abimport
