#include "keywordreading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "../frame/readobserver.h"
#include "../host/fileendstream.h"
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

// The fields of the airbag keywords take the values of the parameters they
// name, as in the model's reading.
class Substitution : public LineEditor {
public:
    explicit Substitution(const FileParameters& parameters)
        : substitution_(*parameters.table), file_(parameters.file) {}
    void prepare() override {}
    bool edit(unsigned keywordCode, bool firstDataLine, const char* line, size_t length,
              std::string& out, LineParameters& fields) override {
        return substitution_.substitute(keywordCode, firstDataLine, file_, line, length, out,
                                        fields);
    }

private:
    ParameterSubstitution substitution_;
    size_t file_;
};

}  // namespace

// Notes every card the import reads, with the piece of line it came from.
class KeywordReading::Observer : public ReadObserver {
public:
    // written gives a line of the text as written, by its number.
    using WrittenLine = std::function<std::string_view(unsigned long long line)>;
    Observer(std::vector<CardPlace>& cards, const ImportObject& target, const FileEndStream& stream,
             WrittenLine written)
        : cards_(cards), target_(target), stream_(stream), written_(std::move(written)) {}

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
        // A line whose fields took parameter values (a line of one piece) is
        // placed as written; what the reader cut is what it read.
        const bool edited = pieceOffset_ == 0 && stream_.parametersOn(reader.lineNumber);
        const std::string written = edited ? std::string(written_(reader.lineNumber)) : piece_;
        const auto words = commaWords(written);
        for (unsigned i = 0; i < read.card.fieldCount; ++i) {
            FieldPlace field;
            field.description = &read.card.fields[i];
            field.index = i;
            if (card.commaForm) {
                field.begin = i < words.size() ? words[i].first : written.size();
                field.end = i < words.size() ? words[i].second : written.size();
            } else {
                const Columns columns = columnsOf(read.card, i);
                field.begin = std::min<size_t>(columns.first - 1, written.size());
                field.end = std::min<size_t>(columns.last, written.size());
            }
            field.text = written.substr(field.begin, field.end - field.begin);
            if (!read.line && read.words && i < read.wordCount) {
                field.read = read.words[i];
            } else if (!card.commaForm) {
                const Columns columns = columnsOf(read.card, i);
                const size_t begin = std::min<size_t>(columns.first - 1, piece_.size());
                field.read =
                    piece_.substr(begin, std::min<size_t>(columns.last, piece_.size()) - begin);
            } else {
                field.read = field.text;
            }
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
    const FileEndStream& stream_;
    WrittenLine written_;
    unsigned long long pieceLine_ = 0;
    size_t pieceOffset_ = 0, pieceBytes_ = 0;
    std::string piece_;
    size_t firstUnbuilt_ = 0;
    bool waiting_ = false;
};

KeywordReading::KeywordReading(const ABImport& registry, std::string_view text,
                               size_t keywordOffset, unsigned long long keywordLine,
                               FileParameters parameters) {
    if (keywordOffset >= text.size()) return;
    const size_t newline = text.find('\n', keywordOffset);
    const size_t lineEnd = newline == std::string_view::npos ? text.size() : newline;
    const KeywordDescription* keyword =
        findKeyword(text.data() + keywordOffset, lineEnd - keywordOffset);
    if (!keyword) return;
    const auto entry = registry.abaleTypeMap.find(keyword->code);
    if (entry == registry.abaleTypeMap.end() || !entry->second) return;
    keyword_ = keyword;

    const size_t start = newline == std::string_view::npos ? text.size() : newline + 1;
    const std::string_view rest = text.substr(start);
    // fmemopen of no bytes is not portable: an empty rest reads from an empty file.
    FILE* file = !rest.empty() ? fmemopen(const_cast<char*>(rest.data()), rest.size(), "r")
                               : std::fopen("/dev/null", "r");
    if (!file) return;
    auto target = std::make_unique<HostImportObject>();
    {
        std::optional<Substitution> substitution;
        if (parameters.table) substitution.emplace(parameters);
        DataLine reader(static_cast<FILE*>(nullptr));
        FileEndStream stream(file, substitution ? &*substitution : nullptr, &reader);
        // The lines as written, by number, for the lines that took parameter values.
        std::vector<size_t> starts;
        auto written = [&](unsigned long long line) -> std::string_view {
            if (starts.empty()) {
                starts.push_back(0);
                for (size_t at = rest.find('\n'); at != std::string_view::npos;
                     at = rest.find('\n', at + 1))
                    starts.push_back(at + 1);
            }
            const size_t index = static_cast<size_t>(line - keywordLine - 1);
            if (line <= keywordLine || index >= starts.size()) return {};
            const size_t end = index + 1 < starts.size() ? starts[index + 1] : rest.size();
            std::string_view found = rest.substr(starts[index], end - starts[index]);
            while (!found.empty() && (found.back() == '\n' || found.back() == '\r'))
                found.remove_suffix(1);
            return found;
        };
        Observer observer(cards_, *target, stream, written);
        reader.file = stream.stream();
        reader.lineNumber = keywordLine;
        reader.lineEnded = true;
        reader.observer = &observer;
        target->reader = &reader;
        stream.airbagKeywordStarts(keyword->code);
        entry->second(&reader, target.get());
        stream.airbagKeywordEnds();
        observer.settle();
        target->reader = nullptr;
    }
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
