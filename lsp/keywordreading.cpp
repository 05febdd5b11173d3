#include "keywordreading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "../frame/readobserver.h"
#include "../host/hostcalls.h"
#include "../host/keywordtitles.h"

namespace abimport::lsp {

namespace {

// A piece's text without its line end: up to the newline, or the bytes
// before the NULs that follow what fgets stored.
size_t textLength(const char* piece, size_t size) {
    const void* newline = std::memchr(piece, '\n', size);
    size_t length = newline ? static_cast<size_t>(static_cast<const char*>(newline) - piece) : size;
    if (!newline) {
        while (length > 0 && piece[length - 1] == '\0') --length;
    }
    if (length > 0 && piece[length - 1] == '\r') --length;
    return length;
}

// The comma words of a text as the reader cuts them: runs of commas
// separate, and none yields an empty word. [begin, end) of each.
std::vector<std::pair<size_t, size_t>> commaWords(std::string_view text) {
    std::vector<std::pair<size_t, size_t>> words;
    for (size_t at = 0; at < text.size();) {
        if (text[at] == ',') {
            ++at;
            continue;
        }
        const size_t comma = text.find(',', at);
        const size_t end = comma == std::string_view::npos ? text.size() : comma;
        words.emplace_back(at, end);
        at = end;
    }
    return words;
}

}  // namespace

// Notes every card the import reads, with the piece of line it came from.
class KeywordReading::Observer : public ReadObserver {
public:
    Observer(std::vector<CardPlace>& cards, const ImportObject& target)
        : cards_(cards), target_(target) {}

    void linePieceRead(const DataLine& reader) override {
        if (reader.lineNumber == pieceLine_) {
            pieceOffset_ += pieceBytes_;
        } else {
            pieceOffset_ = 0;
            pieceLine_ = reader.lineNumber;
        }
        const char* buffer = reader.lineBuffer;
        const void* newline = std::memchr(buffer, '\n', DataLine::kLineBufferSize - 1);
        pieceBytes_ = newline ? static_cast<size_t>(static_cast<const char*>(newline) - buffer) + 1
                              : DataLine::kLineBufferSize - 1;
        piece_.assign(buffer, textLength(buffer, DataLine::kLineBufferSize - 1));
        // The text up to a NUL is what the reader cuts.
        piece_.resize(strnlen(piece_.data(), piece_.size()));
    }

    void cardRead(const DataLine& reader, const CardRead& read) override {
        settle();
        if (reader.endOfFile) return;
        CardPlace card;
        card.description = &read.card;
        card.line = reader.lineNumber;
        card.pieceOffset = pieceOffset_;
        card.commaForm = piece_.find(',') != std::string::npos;
        const auto words = commaWords(piece_);
        for (unsigned i = 0; i < read.card.fieldCount; ++i) {
            FieldPlace field;
            field.description = &read.card.fields[i];
            field.index = i;
            if (card.commaForm) {
                field.begin = i < words.size() ? words[i].first : piece_.size();
                field.end = i < words.size() ? words[i].second : piece_.size();
            } else {
                const Columns columns = columnsOf(read.card, i);
                field.begin = std::min<size_t>(columns.first - 1, piece_.size());
                field.end = std::min<size_t>(columns.last, piece_.size());
            }
            field.text = piece_.substr(field.begin, field.end - field.begin);
            field.read = !read.line && read.words && i < read.wordCount ? std::string(read.words[i])
                                                                        : field.text;
            while (!field.read.empty() && (field.read.back() == '\n' || field.read.back() == '\r'))
                field.read.pop_back();
            while (!field.text.empty() && (field.text.back() == '\n' || field.text.back() == '\r'))
                field.text.pop_back();
            field.begin += pieceOffset_;
            field.end += pieceOffset_;
            card.fields.push_back(std::move(field));
        }
        cards_.push_back(std::move(card));
        firstUnbuilt_ = target_.cards.size();
        waiting_ = true;
    }

    void numberTaken(const DataLine&, unsigned) override {}
    void repetitionEnded(const DataLine&, const CardDescription&, unsigned, unsigned) override {}

    // The card built since the last card read belongs to it: its values,
    // found by field name (the card keeps its names).
    void settle() {
        if (!waiting_) return;
        waiting_ = false;
        if (target_.cards.size() <= firstUnbuilt_) return;
        const Card* built = target_.cards[firstUnbuilt_];
        CardPlace& card = cards_.back();
        card.built = built;
        if (built->fieldNames.size() != built->fields.size()) return;
        std::vector<bool> taken(built->fields.size(), false);
        for (FieldPlace& field : card.fields) {
            for (size_t i = 0; i < built->fieldNames.size(); ++i) {
                if (taken[i] || built->fieldNames[i] != field.name()) continue;
                taken[i] = true;
                field.value = built->fields[i];
                break;
            }
        }
    }

private:
    std::vector<CardPlace>& cards_;
    const ImportObject& target_;
    unsigned long long pieceLine_ = 0;
    size_t pieceOffset_ = 0, pieceBytes_ = 0;
    std::string piece_;
    size_t firstUnbuilt_ = 0;
    bool waiting_ = false;
};

KeywordReading::KeywordReading(const ABImport& registry, std::string_view text,
                               size_t keywordOffset, unsigned long long keywordLine) {
    if (keywordOffset >= text.size()) return;
    const size_t newline = text.find('\n', keywordOffset);
    const size_t lineEnd = newline == std::string_view::npos ? text.size() : newline;
    const KeywordDescription* keyword =
        findKeyword(text.data() + keywordOffset, lineEnd - keywordOffset);
    if (!keyword) return;
    const auto entry = registry.abaleTypeMap.find(keyword->code);
    if (entry == registry.abaleTypeMap.end() || !entry->second) return;
    keyword_ = keyword;

    auto target = std::make_unique<HostImportObject>();
    Observer observer(cards_, *target);
    const size_t start = newline == std::string_view::npos ? text.size() : newline + 1;
    // fmemopen of no bytes is not portable: an empty rest reads from an empty file.
    FILE* file = start < text.size()
                     ? fmemopen(const_cast<char*>(text.data() + start), text.size() - start, "r")
                     : std::fopen("/dev/null", "r");
    if (!file) return;
    DataLine reader(file);
    reader.lineNumber = keywordLine;
    reader.lineEnded = true;
    reader.observer = &observer;
    target->reader = &reader;
    entry->second(&reader, target.get());
    observer.settle();
    target->reader = nullptr;
    std::fclose(file);
    target_ = std::move(target);
}

KeywordReading::~KeywordReading() = default;

const CardPlace* KeywordReading::cardAt(unsigned long long line, size_t byteColumn) const {
    const CardPlace* found = nullptr;
    for (const CardPlace& card : cards_) {
        if (card.line == line && card.pieceOffset <= byteColumn) found = &card;
    }
    return found;
}

const FieldPlace* fieldAt(const CardPlace& card, size_t byteColumn) {
    for (const FieldPlace& field : card.fields) {
        if (byteColumn >= field.begin && byteColumn < field.end) return &field;
    }
    return nullptr;
}

std::vector<std::string> importedTitles(const ABImport& registry) {
    std::vector<std::string> titles;
    for (const KeywordDescription* keyword : keywordList()) {
        const auto entry = registry.abaleTypeMap.find(keyword->code);
        if (entry != registry.abaleTypeMap.end() && entry->second) titles.push_back(keyword->title);
    }
    return titles;
}

}  // namespace abimport::lsp
