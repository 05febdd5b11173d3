#include "jsonevents.h"

#include <cstring>
#include <typeinfo>

#include "orderedchunks.h"
#include "warningkinds.h"

namespace abimport {

namespace {

constexpr size_t kWriteSize = size_t{1} << 16;

// The value as its class T when it is one.
template <class T>
const T* valueAs(const Data& value) {
    return typeid(value) == typeid(T) ? static_cast<const T*>(&value)
                                      : dynamic_cast<const T*>(&value);
}

// The value of a field by its class: integers, a double, a string, or null
// for a blank placeholder. The type code names the class to try first.
void appendFieldValue(JsonText& out, const Data& value) {
    switch (value.typeCode) {
        case kUnsignedCode:
            if (auto* u = valueAs<UInteger>(value)) return out.number(u->val);
            break;
        case kIntegerCode:
            if (auto* i = valueAs<Integer>(value)) return out.number(i->val);
            break;
        case kDoubleCode:
            if (auto* d = valueAs<Double>(value)) return out.real(d->val);
            break;
        case kTextCode:
            if (auto* t = valueAs<CharArray>(value); t && t->val) {
                return out.string(t->val, std::strlen(t->val));
            }
            break;
        default: break;
    }
    out.raw("null");
}

std::string_view wordView(char** words, unsigned pos) {
    return words && words[pos] ? std::string_view(words[pos]) : std::string_view();
}

}  // namespace

void appendJsonLine(JsonText& out, unsigned long long line) {
    if (line == 0) {
        out.raw("null");
    } else {
        out.number(line);
    }
}

void appendUnsignedArray(JsonText& out, const unsigned* values, unsigned count) {
    out.raw('[');
    for (unsigned k = 0; k < count; ++k) {
        if (k) out.raw(',');
        out.number(values[k]);
    }
    out.raw(']');
}

void appendDeckEvent(std::string& text, const std::string& path) {
    JsonText out(text);
    out.raw("{\"event\":\"deck\",\"path\":");
    out.string(path);
    out.raw('}');
}

void appendKeywordEvent(std::string& text, const KeywordDescription& keyword,
                        const std::string& file, unsigned long long line) {
    JsonText out(text);
    out.raw("{\"event\":\"keyword\",\"code\":");
    out.number(keyword.code);
    out.raw(",\"title\":");
    out.string(keyword.title, std::strlen(keyword.title));
    out.raw(",\"file\":");
    out.string(file);
    out.raw(",\"line\":");
    appendJsonLine(out, line);
    out.raw('}');
}

void appendIncludeEvent(std::string& text, const std::string& file, unsigned long long line,
                        const std::string& path) {
    JsonText out(text);
    out.raw("{\"event\":\"include\",\"file\":");
    out.string(file);
    out.raw(",\"line\":");
    appendJsonLine(out, line);
    out.raw(",\"path\":");
    out.string(path);
    out.raw('}');
}

void appendWarningEvent(std::string& text, const Warning& warning) {
    JsonText out(text);
    out.raw("{\"event\":\"warning\",\"file\":");
    out.string(*warning.file);
    out.raw(",\"line\":");
    appendJsonLine(out, warning.line);
    out.raw(",\"kind\":");
    const char* kind = warningKindName(warning.kind);
    out.string(kind, std::strlen(kind));
    out.raw(",\"message\":");
    out.string(warning.message);
    out.raw('}');
}

void appendCardEvent(std::string& text, Card& card, unsigned long long line, std::string& cardText,
                     const CardParameters* parameters) {
    JsonText out(text);
    out.raw("{\"event\":\"card\",\"name\":");
    out.string(card.name);
    out.raw(",\"fieldNames\":");
    appendJsonStringArray(out, card.fieldNames);
    out.raw(",\"emptyFieldNames\":");
    appendJsonStringArray(out, card.emptyFieldNames);
    out.raw(",\"fields\":[");
    for (size_t i = 0; i < card.fields.size(); ++i) {
        if (i) out.raw(',');
        const Data* value = card.fields[i];
        if (!value) {
            out.raw("null");
            continue;
        }
        out.raw("{\"type\":");
        out.number(value->typeCode);
        out.raw(",\"width\":");
        out.number(value->width);
        out.raw(",\"value\":");
        appendFieldValue(out, *value);
        out.raw('}');
    }
    out.raw(']');
    if (parameters && !parameters->empty()) {
        out.raw(",\"parameters\":{");
        for (size_t i = 0; i < parameters->size(); ++i) {
            if (i) out.raw(',');
            out.string((*parameters)[i].first);
            out.raw(':');
            out.string((*parameters)[i].second);
        }
        out.raw('}');
    }
    out.raw(",\"text\":");
    cardText.clear();
    card.tostring(cardText);
    out.string(cardText);
    out.raw(",\"line\":");
    appendJsonLine(out, line);
    out.raw('}');
}

JsonEventWriter::~JsonEventWriter() {
    flush();
}

void JsonEventWriter::flush() {
    if (buffer_.empty()) return;
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
}

void JsonEventWriter::endEvent() {
    buffer_ += '\n';
    if (buffer_.size() >= kWriteSize) flush();
}

void JsonEventWriter::deckStarts(const std::string& path) {
    appendDeckEvent(buffer_, path);
    endEvent();
}

void JsonEventWriter::includeOpened(const SourceFile& include, const SourceFile& includingFile) {
    appendIncludeEvent(buffer_, *includingFile.path, include.includeLine, *include.path);
    endEvent();
}

void JsonEventWriter::keywordStarts(const KeywordSource& keyword) {
    appendKeywordEvent(buffer_, keyword.keyword, *keyword.file.path, keyword.line);
    endEvent();
}

void JsonEventWriter::keywordEnds(const ImportedKeyword& keyword) {
    // A keyword's cards are written in chunks that two threads prepare.
    struct Chunk {
        std::string text;
        std::string cardText;
    };
    const auto& lines = keyword.cardLines;
    forCardsInOrder<Chunk>(
        keyword.target.cards, keyword.firstCard,
        [&](size_t n, Card& card, Chunk& chunk) {
            appendCardEvent(chunk.text, card, n < lines.size() ? lines[n] : 0, chunk.cardText,
                            parametersOf(keyword.parameters, n));
            chunk.text += '\n';
        },
        [&](Chunk& chunk) {
            flush();
            std::fwrite(chunk.text.data(), 1, chunk.text.size(), out_);
            chunk.text.clear();
        });
}

void JsonEventWriter::warning(const Warning& warning) {
    appendWarningEvent(buffer_, warning);
    endEvent();
}

void JsonEventWriter::idReport(char** words, unsigned idCount, const unsigned* idPos,
                               const unsigned* idCode1, const unsigned* idCode2,
                               unsigned long long line) {
    appendIdReportEvent(
        buffer_, idCount, idPos, idCode1, idCode2,
        [&](unsigned k) { return wordView(words, idPos[k]); }, line);
    endEvent();
}

void JsonEventWriter::airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                                 unsigned long long line) {
    appendAirbagCallEvent(
        buffer_, kind, wordCount, [&](unsigned k) { return wordView(words, k); }, line);
    endEvent();
}

}  // namespace abimport
