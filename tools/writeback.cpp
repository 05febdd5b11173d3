#include "writeback.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "../frame/exponentrepair.h"

namespace {

constexpr size_t kWriteSize = size_t{1} << 16;
constexpr unsigned kWordFieldWidth = 10;

std::string fieldName(const Card& card, size_t i) {
    return i < card.fieldNames.size() ? card.fieldNames[i] : "field " + std::to_string(i + 1);
}

// The double that the written text of a value reads back as.
double readBack(const char* text, size_t length, unsigned width) {
    char field[Object::kTextBufferSize + 2] = {};
    std::memcpy(field, text, length);
    if (width == kWordFieldWidth) abimport_detail::repairExponent(field, kWordFieldWidth);
    return std::strtod(field, nullptr);
}

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

std::string shortest(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace

std::string writeBackDifference(Card& card) {
    char text[Object::kTextBufferSize];
    for (size_t i = 0; i < card.fields.size(); ++i) {
        Data* value = card.fields[i];
        if (!value) continue;
        text[0] = '\0';
        value->tostring(text);
        const size_t length = std::strlen(text);
        if (length > value->width) {
            return fieldName(card, i) + ": '" + text + "' is wider than its " +
                   std::to_string(value->width) + " columns";
        }
        auto* real = dynamic_cast<Double*>(value);
        if (!real) continue;
        const double back = readBack(text, length, value->width);
        if (!sameDouble(back, real->val)) {
            size_t start = 0;
            while (text[start] == ' ') ++start;
            return fieldName(card, i) + ": " + shortest(real->val) + " is written as '" +
                   (text + start) + "', which reads back as " + shortest(back);
        }
    }
    return "";
}

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
        const unsigned long long line = n < keyword.cardLines.size() ? keyword.cardLines[n] : 0;
        std::string why = writeBackDifference(*cards[i]);
        while (moved != keyword.emptyBeforeFilled.end() && moved->first < n) ++moved;
        if (why.empty() && moved != keyword.emptyBeforeFilled.end() && moved->first == n) {
            why = moved->second +
                  " is empty but a later field is filled: the written card moves the later "
                  "values one field left";
        }
        if (!why.empty()) {
            warnings_->warning({WarningKind::WriteBackInexact, source.file.path,
                                line ? line : source.line, cards[i]->name + " card: " + why});
        }
    }
}

void DeckTextWriter::deckEnds() {
    buffer_ += kDeckEndText;
    flush();
}
