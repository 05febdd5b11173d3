#include "jsonevents.h"

#include <cstring>

#include "jsontext.h"

namespace {

void appendUnsignedArray(std::string& out, const unsigned* values, unsigned count) {
    out += '[';
    for (unsigned k = 0; k < count; ++k) {
        if (k) out += ',';
        out += std::to_string(values[k]);
    }
    out += ']';
}

// The value of a field by its class: integers, a double, a string, or null
// for a blank placeholder.
void appendFieldValue(std::string& out, const Data& value) {
    if (auto* u = dynamic_cast<const UInteger*>(&value)) {
        out += std::to_string(u->val);
    } else if (auto* i = dynamic_cast<const Integer*>(&value)) {
        out += std::to_string(i->val);
    } else if (auto* d = dynamic_cast<const Double*>(&value)) {
        appendJsonDouble(out, d->val);
    } else if (auto* t = dynamic_cast<const CharArray*>(&value); t && t->val) {
        appendJsonString(out, t->val, std::strlen(t->val));
    } else {
        out += "null";
    }
}

}  // namespace

void JsonEventWriter::flushLine() {
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), out_);
    line_.clear();
}

void JsonEventWriter::deckStarts(const std::string& path) {
    line_ += "{\"event\":\"deck\",\"path\":";
    appendJsonString(line_, path);
    line_ += '}';
    flushLine();
}

void JsonEventWriter::keywordStarts(const KeywordTitle& keyword) {
    line_ += "{\"event\":\"keyword\",\"code\":";
    line_ += std::to_string(keyword.code);
    line_ += ",\"title\":";
    appendJsonString(line_, keyword.title);
    line_ += '}';
    flushLine();
}

void JsonEventWriter::keywordEnds(const KeywordTitle&, const ImportObject& target,
                                  size_t firstCard) {
    for (size_t i = firstCard; i < target.cards.size(); ++i) {
        if (target.cards[i]) writeCard(*target.cards[i]);
    }
}

void JsonEventWriter::idReport(char** words, unsigned idCount, const unsigned* idPos,
                               const unsigned* idCode1, const unsigned* idCode2) {
    line_ += "{\"event\":\"addIDToRefFile\",\"idCount\":";
    line_ += std::to_string(idCount);
    line_ += ",\"idPos\":";
    appendUnsignedArray(line_, idPos, idCount);
    line_ += ",\"idCode1\":";
    appendUnsignedArray(line_, idCode1, idCount);
    line_ += ",\"idCode2\":";
    appendUnsignedArray(line_, idCode2, idCount);
    line_ += ",\"words\":[";
    for (unsigned k = 0; k < idCount; ++k) {
        if (k) line_ += ',';
        appendJsonString(line_, wordText(words, idPos[k]));
    }
    line_ += "]}";
    flushLine();
}

void JsonEventWriter::airbagCall(HostCallKind kind, char** words, unsigned wordCount) {
    line_ += "{\"event\":\"";
    line_ += hostCallName(kind);
    line_ += "\",\"wordCount\":";
    line_ += std::to_string(wordCount);
    line_ += ",\"words\":[";
    // The word list has one buffer per word a line can yield.
    for (unsigned k = 0; k < wordCount && k < DataLine::kWordBufferCount; ++k) {
        if (k) line_ += ',';
        appendJsonString(line_, wordText(words, k));
    }
    line_ += "]}";
    flushLine();
}

void JsonEventWriter::writeCard(Card& card) {
    line_ += "{\"event\":\"card\",\"name\":";
    appendJsonString(line_, card.name);
    line_ += ",\"fieldNames\":";
    appendJsonStringArray(line_, card.fieldNames);
    line_ += ",\"emptyFieldNames\":";
    appendJsonStringArray(line_, card.emptyFieldNames);
    line_ += ",\"fields\":[";
    for (size_t i = 0; i < card.fields.size(); ++i) {
        if (i) line_ += ',';
        const Data* value = card.fields[i];
        if (!value) {
            line_ += "null";
            continue;
        }
        line_ += "{\"type\":";
        line_ += std::to_string(value->typeCode);
        line_ += ",\"width\":";
        line_ += std::to_string(value->width);
        line_ += ",\"value\":";
        appendFieldValue(line_, *value);
        line_ += '}';
    }
    line_ += "],\"text\":";
    std::string text;
    card.tostring(text);
    appendJsonString(line_, text);
    line_ += '}';
    flushLine();
}
