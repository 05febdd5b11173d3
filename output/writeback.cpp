#include "writeback.h"

#include <algorithm>

#include "exacttext.h"
#include "orderedchunks.h"

namespace abimport {

void appendKeywordHeader(std::string& out, const std::string& file, unsigned long long line,
                         const char* title) {
    out += "$ ";
    for (char c : file) out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    out += ':';
    out += std::to_string(line);
    out += "\n*";
    out += title;
    out += '\n';
}

DeckTextWriter::~DeckTextWriter() {
    flush();
}

void DeckTextWriter::flush() {
    if (buffer_.empty()) return;
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
}

const EmptyFields* gapsOf(const std::vector<std::pair<size_t, EmptyFields>>& cards, size_t n) {
    auto at = std::lower_bound(cards.begin(), cards.end(), n,
                               [](const auto& entry, size_t card) { return entry.first < card; });
    return at != cards.end() && at->first == n ? &at->second : nullptr;
}

void appendCards(std::string& out, const std::vector<Card*>& cards, size_t first, size_t begin,
                 size_t end, const std::vector<std::pair<size_t, EmptyFields>>& gaps,
                 std::vector<InexactCardField>* inexact) {
    std::vector<exact_text::InexactField> fields;
    for (size_t n = begin; n < end; ++n) {
        if (!cards[first + n]) continue;
        const Card& card = *cards[first + n];
        const EmptyFields* cardGaps = gapsOf(gaps, n);
        const Card* previous = n > 0 ? cards[first + n - 1] : nullptr;
        if (!previous || !exact_text::sameLayout(*previous, gapsOf(gaps, n - 1), card, cardGaps)) {
            exact_text::appendHeader(out, card, cardGaps);
        }
        exact_text::appendValues(out, card, cardGaps, inexact ? &fields : nullptr);
        for (auto& field : fields) inexact->push_back({n, std::move(field)});
        fields.clear();
    }
}

void DeckTextWriter::keywordEnds(const ImportedKeyword& keyword) {
    const KeywordSource& source = keyword.source;
    appendKeywordHeader(buffer_, *source.file.path, source.line, source.keyword.title);
    flush();
    // The cards are written in chunks that two threads prepare, with the
    // fields that have no exact text.
    struct Chunk {
        std::string text;
        std::vector<InexactCardField> inexact;
    };
    const auto& cards = keyword.target.cards;
    const size_t count = cards.size() - keyword.firstCard;
    forChunksInOrder<Chunk>(
        count,
        [&](size_t begin, size_t end, Chunk& chunk) {
            appendCards(chunk.text, cards, keyword.firstCard, begin, end, keyword.emptyBeforeFilled,
                        warnings_ ? &chunk.inexact : nullptr);
        },
        [&](Chunk& chunk) {
            std::fwrite(chunk.text.data(), 1, chunk.text.size(), out_);
            chunk.text.clear();
            for (const InexactCardField& field : chunk.inexact) warnInexact(keyword, field);
            chunk.inexact.clear();
        });
}

void DeckTextWriter::warnInexact(const ImportedKeyword& keyword, const InexactCardField& field) {
    if (!warnings_->shows(kWriteBackInexact)) {
        warnings_->countHidden(kWriteBackInexact);
        return;
    }
    const Card& card = *keyword.target.cards[keyword.firstCard + field.card];
    const unsigned long long line =
        field.card < keyword.cardLines.size() ? keyword.cardLines[field.card] : 0;
    warnings_->warning({kWriteBackInexact, keyword.source.file.path,
                        line ? line : keyword.source.line,
                        card.name + " card: " + field.field.message});
}

void DeckTextWriter::deckEnds() {
    buffer_ += kDeckEndText;
    flush();
}

}  // namespace abimport
