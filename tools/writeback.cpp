#include "writeback.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "../frame/exponentrepair.h"
#include "../model/numbertext.h"
#include "orderedchunks.h"

namespace {

constexpr unsigned kWordFieldWidth = 10;

std::string fieldName(const Card& card, size_t i) {
    return i < card.fieldNames.size() ? card.fieldNames[i] : "field " + std::to_string(i + 1);
}

// The double that the written text of a value reads back as: the field's
// columns as the card step reads them, with the exponent repair of a word
// card's ten-column fields.
double readBack(const char* text, size_t length, unsigned width) {
    char field[Object::kTextBufferSize + 2] = {};
    std::memcpy(field, text, std::min(length, sizeof field - 2));
    if (width == kWordFieldWidth) abimport_detail::repairExponent(field, kWordFieldWidth);
    return abimport_detail::textToDouble(field);
}

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

std::string shortest(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Why value i does not read back, formatting it anew; empty when it does.
std::string valueDifference(Card& card, size_t i) {
    Data* value = card.fields[i];
    char text[Object::kTextBufferSize] = "";
    value->tostring(text);
    const size_t length = std::strlen(text);
    if (length > value->width) {
        return fieldName(card, i) + ": '" + text + "' is wider than its " +
               std::to_string(value->width) + " columns";
    }
    auto* real = dynamic_cast<Double*>(value);
    if (!real) return "";
    const double back = readBack(text, length, value->width);
    if (sameDouble(back, real->val)) return "";
    size_t start = 0;
    while (text[start] == ' ') ++start;
    return fieldName(card, i) + ": " + shortest(real->val) + " is written as '" + (text + start) +
           "', which reads back as " + shortest(back);
}

}  // namespace

size_t inexactField(Card& card, const std::string& text) {
    // Each value stands in its own columns when none is wider than its field:
    // then the values line is as long as the widths together, and only the
    // doubles need reading back.
    const size_t valuesStart = card.fieldNames.empty() ? 0 : text.find('\n') + 1;
    size_t columns = 0;
    for (const Data* value : card.fields) columns += value ? value->width : 0;
    const bool allFit = valuesStart < text.size() && text.size() - valuesStart - 1 == columns;
    size_t at = valuesStart;
    for (size_t i = 0; i < card.fields.size(); ++i) {
        const Data* value = card.fields[i];
        if (!value) continue;
        if (!allFit) {
            if (!valueDifference(card, i).empty()) return i;
        } else if (typeid(*value) == typeid(Double) &&
                   !sameDouble(readBack(text.data() + at, value->width, value->width),
                               static_cast<const Double*>(value)->val)) {
            return i;
        }
        at += value->width;
    }
    return kAllExact;
}

std::string inexactReason(Card& card, size_t field) { return valueDifference(card, field); }

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

DeckTextWriter::~DeckTextWriter() { flush(); }

void DeckTextWriter::flush() {
    if (buffer_.empty()) return;
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
}

void DeckTextWriter::keywordEnds(const ImportedKeyword& keyword) {
    const KeywordSource& source = keyword.source;
    appendKeywordHeader(buffer_, *source.file.path, source.line, source.keyword.title);
    flush();
    // The cards are written in chunks that two threads prepare, with the
    // cards (by index from firstCard) whose text would not read back.
    struct Chunk {
        std::string text;
        std::string cardText;
        std::vector<std::pair<size_t, size_t>> inexact;  // card, field (kAllExact: a shift)
    };
    const auto& cards = keyword.target.cards;
    const auto& shifted = keyword.emptyBeforeFilled;
    auto shifts = [&shifted](size_t n) {
        auto at = std::lower_bound(shifted.begin(), shifted.end(), n,
                                   [](const auto& entry, size_t card) { return entry.first < card; });
        return at != shifted.end() && at->first == n ? &at->second : nullptr;
    };
    forCardsInOrder<Chunk>(
        cards, keyword.firstCard,
        [&](size_t n, Card& card, Chunk& chunk) {
            chunk.cardText.clear();
            card.tostring(chunk.cardText);
            chunk.text += chunk.cardText;
            if (!warnings_) return;
            const size_t field = inexactField(card, chunk.cardText);
            if (field != kAllExact || shifts(n)) chunk.inexact.emplace_back(n, field);
        },
        [&](Chunk& chunk) {
            std::fwrite(chunk.text.data(), 1, chunk.text.size(), out_);
            chunk.text.clear();
            for (const auto& [n, field] : chunk.inexact) warnInexact(keyword, n, field, shifts(n));
            chunk.inexact.clear();
        });
}

void DeckTextWriter::warnInexact(const ImportedKeyword& keyword, size_t n, size_t field,
                                 const std::string* shiftedField) {
    // The message is made only when it will be shown.
    if (!warnings_->shows(WarningKind::WriteBackInexact)) {
        warnings_->countHidden(WarningKind::WriteBackInexact);
        return;
    }
    Card& card = *keyword.target.cards[keyword.firstCard + n];
    const std::string why =
        field != kAllExact ? inexactReason(card, field)
                           : *shiftedField +
                                 " is empty but a later field is filled: the written card moves "
                                 "the later values one field left";
    const unsigned long long line = n < keyword.cardLines.size() ? keyword.cardLines[n] : 0;
    warnings_->warning({WarningKind::WriteBackInexact, keyword.source.file.path,
                        line ? line : keyword.source.line, card.name + " card: " + why});
}

void DeckTextWriter::deckEnds() {
    buffer_ += kDeckEndText;
    flush();
}
