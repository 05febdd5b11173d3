#include "summary.h"

#include <cstdlib>

#include "../host/references.h"
#include "referencesummary.h"
#include "../host/idlabels.h"

namespace {

template <class Counts>
size_t total(const Counts& counts) {
    size_t sum = 0;
    for (const auto& entry : counts) sum += entry.second;
    return sum;
}

void printCount(FILE* out, const std::string& label, size_t count) {
    std::fprintf(out, "  %-40s %10zu\n", label.c_str(), count);
}

}  // namespace

void DeckSummary::keywordStarts(const KeywordSource& keyword) {
    ++keywords_[keyword.keyword.code];
}

void DeckSummary::keywordEnds(const ImportedKeyword& keyword) {
    const ImportObject& target = keyword.target;
    for (size_t i = keyword.firstCard; i < target.cards.size(); ++i) {
        if (!target.cards[i]) continue;
        const std::string& name = target.cards[i]->name;
        auto at = cardIndex_.find(name);
        if (at == cardIndex_.end()) {
            at = cardIndex_.emplace(name, cards_.size()).first;
            cards_.emplace_back(name, 0);
        }
        ++cards_[at->second].second;
    }
}

void DeckSummary::idReport(char** words, unsigned idCount, const unsigned* idPos,
                           const unsigned* idCode1, const unsigned* idCode2,
                           unsigned long long) {
    for (unsigned k = 0; k < idCount; ++k) {
        IdGroup& group = idGroups_[{idCode1[k], idCode2[k]}];
        long long id;
        if (referenceAt(reader_, words, idPos[k], id)) {
            ++group.references;
            group.ids.insert(id);
        }
    }
}

void DeckSummary::airbagCall(HostCallKind kind, char**, unsigned, unsigned long long) {
    ++lookups_[kind];
}

void DeckSummary::print(FILE* out, const std::string& deckName, const DeckImport& deck) const {
    std::fprintf(out, "deck %s\n", deckName.c_str());
    std::fprintf(out, "keywords imported: %zu\n", total(keywords_));
    for (const auto& entry : keywords_) printCount(out, keywordTitle(entry.first), entry.second);
    if (!deck.airbagKeywordsNotImported().empty()) {
        std::fprintf(out, "airbag keywords not imported: %zu\n", total(deck.airbagKeywordsNotImported()));
        for (const auto& entry : deck.airbagKeywordsNotImported()) printCount(out, entry.first, entry.second);
    }
    std::fprintf(out, "cards built: %zu\n", total(cards_));
    for (const auto& entry : cards_) printCount(out, entry.first, entry.second);
    std::fprintf(out, "host lookups: %zu\n", total(lookups_));
    for (const auto& entry : lookups_) printCount(out, hostCallName(entry.first), entry.second);

    size_t references = 0;
    for (const auto& entry : idGroups_) references += entry.second.references;
    std::fprintf(out, "ID references: %zu\n", references);
    if (!idGroups_.empty()) {
        std::fprintf(out, "  %-40s %10s %10s\n", "kind (idCode1/idCode2)", "references",
                     "distinct");
    }
    for (const auto& entry : idGroups_) {
        const std::string label = std::string(idKindLabel(entry.first.first, entry.first.second)) +
                                  " (" + std::to_string(entry.first.first) + "/" +
                                  std::to_string(entry.first.second) + ")";
        std::fprintf(out, "  %-40s %10zu %10zu\n", label.c_str(), entry.second.references,
                     entry.second.ids.size());
    }

    if (const ModelCheck* check = deck.modelCheck()) printReferences(out, *check);

    // Each file indented under the one that includes it, with its keywords.
    std::fprintf(out, "files read: %zu\n", deck.files().size());
    for (const SourceFile& file : deck.files()) {
        printCount(out, std::string(2 * file.depth, ' ') + *file.path, file.keywords);
    }
    std::fprintf(out, "warnings: %zu\n", deck.warningTotal());
    for (unsigned kind = 0; kind < kWarningKindCount; ++kind) {
        const size_t count = deck.warningCounts()[kind];
        if (count) printCount(out, warningKindName(static_cast<WarningKind>(kind)), count);
    }
}
