#include "writeback.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "../frame/exponentrepair.h"
#include "../model/numbertext.h"

namespace {

constexpr size_t kWriteSize = size_t{1} << 16;
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
    const auto& cards = keyword.target.cards;
    auto moved = keyword.emptyBeforeFilled.begin();
    for (size_t i = keyword.firstCard; i < cards.size(); ++i) {
        if (!cards[i]) continue;
        cardText_.clear();
        cards[i]->tostring(cardText_);
        buffer_ += cardText_;
        if (buffer_.size() >= kWriteSize) flush();
        if (!warnings_) continue;

        const size_t n = i - keyword.firstCard;
        const size_t field = inexactField(*cards[i], cardText_);
        while (moved != keyword.emptyBeforeFilled.end() && moved->first < n) ++moved;
        const bool shifts = moved != keyword.emptyBeforeFilled.end() && moved->first == n;
        if (field == kAllExact && !shifts) continue;
        // The message is made only when it will be shown.
        if (!warnings_->shows(WarningKind::WriteBackInexact)) {
            warnings_->countHidden(WarningKind::WriteBackInexact);
            continue;
        }
        const std::string why =
            field != kAllExact ? inexactReason(*cards[i], field)
                               : moved->second +
                                     " is empty but a later field is filled: the written card "
                                     "moves the later values one field left";
        const unsigned long long line = n < keyword.cardLines.size() ? keyword.cardLines[n] : 0;
        warnings_->warning({WarningKind::WriteBackInexact, source.file.path,
                            line ? line : source.line, cards[i]->name + " card: " + why});
    }
}

void DeckTextWriter::deckEnds() {
    buffer_ += kDeckEndText;
    flush();
}
