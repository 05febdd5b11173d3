#include "summary.h"

#include <algorithm>
#include <cstdlib>

#include "../host/references.h"
#include "../keywords/idkinds.h"
#include "../model/numbers/reading.h"
#include "../model/numbers/shortest.h"
#include "jsontext.h"
#include "referencesummary.h"
#include "warningkinds.h"

namespace abimport {

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

// The columns a terminal gives text: one per character, two for the wide
// characters of East Asian scripts and emoji, none for combining marks. A
// byte that is no part of valid UTF-8 shows as one replacement character.
size_t displayWidth(const std::string& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        unsigned c = static_cast<unsigned char>(text[i]);
        const size_t size = c < 0x80 ? 1 : utf8Sequence(text.data() + i, text.size() - i, c);
        i += size ? size : 1;
        const bool combining = (c >= 0x300 && c <= 0x36F) || (c >= 0x20D0 && c <= 0x20FF);
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) ||
                          (c >= 0x20000 && c <= 0x3FFFD);
        width += combining && size ? 0 : wide && size ? 2 : 1;
    }
    return width;
}

// Text followed by blanks up to width columns.
std::string padded(const std::string& text, size_t width) {
    const size_t used = displayWidth(text);
    return text + std::string(used < width ? width - used : 0, ' ');
}

void printWarnings(FILE* out, size_t total, bool checked, const size_t* counts) {
    if (checked) {
        std::fprintf(out, "warnings: %zu\n", total);
    } else {
        std::fprintf(out, "warnings: not checked (--no-warnings)\n");
    }
    for (unsigned kind = 0; counts && kind < kReadWarningKindCount; ++kind) {
        if (counts[kind])
            printCount(out, warningKindName(static_cast<WarningKind>(kind)), counts[kind]);
    }
}

// The parameters that airbag fields took their values from, with their
// values, how often and where each is defined.
void printParameters(FILE* out, const ParameterTable& parameters) {
    const auto& definitions = parameters.definitions();
    const auto& uses = parameters.uses();
    std::fprintf(out, "parameters used: %zu\n",
                 static_cast<size_t>(
                     std::count_if(uses.begin(), uses.end(), [](size_t n) { return n > 0; })));
    bool header = false;
    for (size_t i = 0; i < definitions.size(); ++i) {
        if (uses[i] == 0) continue;
        if (!header) std::fprintf(out, "  %-40s %10s  %s\n", "parameter", "uses", "defined at");
        header = true;
        const ParameterDefinition& definition = definitions[i];
        char number[32];
        const std::string value =
            definition.type == 'C'
                ? "'" + definition.chars + "'"
                : std::string(number, detail::writeShortestDouble(number, definition.number));
        std::fprintf(out, "  %-40s %10zu  %s:%llu\n", (definition.name + " = " + value).c_str(),
                     uses[i], definition.path->c_str(), definition.line);
    }
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
                           const unsigned* idCode1, const unsigned* idCode2, unsigned long long) {
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
    if (!deck.title().empty()) std::fprintf(out, "title: %s\n", deck.title().c_str());
    std::fprintf(out, "keywords imported: %zu\n", total(keywords_));
    for (const auto& entry : keywords_) printCount(out, keywordTitle(entry.first), entry.second);
    if (!deck.airbagKeywordsNotImported().empty()) {
        std::fprintf(out, "airbag keywords not imported: %zu\n",
                     total(deck.airbagKeywordsNotImported()));
        for (const auto& entry : deck.airbagKeywordsNotImported())
            printCount(out, entry.first, entry.second);
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
    if (const ParameterTable* parameters = deck.parameters()) printParameters(out, *parameters);

    // Each file indented under the one that includes it, with its keywords,
    // in a name column as wide as the widest name.
    std::vector<std::string> names;
    size_t width = 40;
    for (const SourceFile& file : deck.files()) {
        names.push_back(std::string(2 * file.depth, ' ') + *file.path);
        width = std::max(width, displayWidth(names.back()));
    }
    std::fprintf(out, "files read: %zu\n", deck.files().size());
    std::fprintf(out, "  %s %10s\n", padded("file", width).c_str(), "keywords");
    for (size_t i = 0; i < names.size(); ++i) {
        std::fprintf(out, "  %s %10zu\n", padded(names[i], width).c_str(),
                     deck.files()[i].keywords);
    }
    printWarnings(out, deck.warningTotal(), deck.settings().warnings, deck.warningCounts().data());
}

SummaryTotals DeckSummary::totals(const DeckImport& deck) const {
    SummaryTotals sum;
    sum.decks = 1;
    sum.keywords = total(keywords_);
    sum.cards = total(cards_);
    sum.lookups = total(lookups_);
    for (const auto& entry : idGroups_) sum.references += entry.second.references;
    sum.files = deck.files().size();
    sum.warnings = deck.warningTotal();
    sum.checked = deck.settings().warnings;
    return sum;
}

void SummaryTotals::add(const SummaryTotals& other) {
    decks += other.decks;
    keywords += other.keywords;
    cards += other.cards;
    lookups += other.lookups;
    references += other.references;
    files += other.files;
    warnings += other.warnings;
    checked = checked && other.checked;
}

void SummaryTotals::print(FILE* out) const {
    std::fprintf(out, "total over %zu decks\n", decks);
    std::fprintf(out, "keywords imported: %zu\ncards built: %zu\nhost lookups: %zu\n", keywords,
                 cards, lookups);
    std::fprintf(out, "ID references: %zu\nfiles read: %zu\n", references, files);
    printWarnings(out, warnings, checked, nullptr);
}

}  // namespace abimport
