#include "jsonevents.h"

#include <cstring>
#include <typeinfo>

namespace {

constexpr size_t kWriteSize = size_t{1} << 16;

// The value as its class T when it is one.
template <class T>
const T* valueAs(const Data& value) {
    return typeid(value) == typeid(T) ? static_cast<const T*>(&value) : dynamic_cast<const T*>(&value);
}

// The value of a field by its class: integers, a double, a string, or null
// for a blank placeholder. The type code names the class to try first.
void appendFieldValue(std::string& out, const Data& value) {
    switch (value.typeCode) {
    case kUnsignedCode:
        if (auto* u = valueAs<UInteger>(value)) return appendJsonNumber(out, u->val);
        break;
    case kIntegerCode:
        if (auto* i = valueAs<Integer>(value)) return appendJsonNumber(out, i->val);
        break;
    case kDoubleCode:
        if (auto* d = valueAs<Double>(value)) return appendJsonDouble(out, d->val);
        break;
    case kTextCode:
        if (auto* t = valueAs<CharArray>(value); t && t->val) {
            return appendJsonString(out, t->val, std::strlen(t->val));
        }
        break;
    default:
        break;
    }
    out += "null";
}

std::string_view wordView(char** words, unsigned pos) {
    return words && words[pos] ? std::string_view(words[pos]) : std::string_view();
}

}  // namespace

void appendJsonLine(std::string& out, unsigned long long line) {
    if (line == 0) {
        out += "null";
    } else {
        appendJsonNumber(out, static_cast<long long>(line));
    }
}

void appendUnsignedArray(std::string& out, const unsigned* values, unsigned count) {
    out += '[';
    for (unsigned k = 0; k < count; ++k) {
        if (k) out += ',';
        appendJsonNumber(out, values[k]);
    }
    out += ']';
}

void appendDeckEvent(std::string& out, const std::string& path) {
    out += "{\"event\":\"deck\",\"path\":";
    appendJsonString(out, path);
    out += '}';
}

void appendKeywordEvent(std::string& out, const KeywordTitle& keyword, const std::string& file,
                        unsigned long long line) {
    out += "{\"event\":\"keyword\",\"code\":";
    appendJsonNumber(out, keyword.code);
    out += ",\"title\":";
    appendJsonString(out, keyword.title);
    out += ",\"file\":";
    appendJsonString(out, file);
    out += ",\"line\":";
    appendJsonLine(out, line);
    out += '}';
}

void appendIncludeEvent(std::string& out, const std::string& file, unsigned long long line,
                        const std::string& path) {
    out += "{\"event\":\"include\",\"file\":";
    appendJsonString(out, file);
    out += ",\"line\":";
    appendJsonLine(out, line);
    out += ",\"path\":";
    appendJsonString(out, path);
    out += '}';
}

void appendWarningEvent(std::string& out, const Warning& warning) {
    out += "{\"event\":\"warning\",\"file\":";
    appendJsonString(out, *warning.file);
    out += ",\"line\":";
    appendJsonLine(out, warning.line);
    out += ",\"kind\":";
    appendJsonString(out, warningKindName(warning.kind));
    out += ",\"message\":";
    appendJsonString(out, warning.message);
    out += '}';
}

void appendCardEvent(std::string& out, Card& card, unsigned long long line,
                     std::string& cardText) {
    out += "{\"event\":\"card\",\"name\":";
    appendJsonString(out, card.name);
    out += ",\"fieldNames\":";
    appendJsonStringArray(out, card.fieldNames);
    out += ",\"emptyFieldNames\":";
    appendJsonStringArray(out, card.emptyFieldNames);
    out += ",\"fields\":[";
    for (size_t i = 0; i < card.fields.size(); ++i) {
        if (i) out += ',';
        const Data* value = card.fields[i];
        if (!value) {
            out += "null";
            continue;
        }
        out += "{\"type\":";
        appendJsonNumber(out, value->typeCode);
        out += ",\"width\":";
        appendJsonNumber(out, value->width);
        out += ",\"value\":";
        appendFieldValue(out, *value);
        out += '}';
    }
    out += "],\"text\":";
    cardText.clear();
    card.tostring(cardText);
    appendJsonString(out, cardText);
    out += ",\"line\":";
    appendJsonLine(out, line);
    out += '}';
}

JsonEventWriter::~JsonEventWriter() { flush(); }

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
    const auto& cards = keyword.target.cards;
    for (size_t i = keyword.firstCard; i < cards.size(); ++i) {
        if (!cards[i]) continue;
        const size_t n = i - keyword.firstCard;
        appendCardEvent(buffer_, *cards[i], n < keyword.cardLines.size() ? keyword.cardLines[n] : 0,
                        cardText_);
        endEvent();
    }
}

void JsonEventWriter::warning(const Warning& warning) {
    if (!warnings_) return;
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
