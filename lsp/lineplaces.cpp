#include "lineplaces.h"

#include <cmath>

#include "../model/card.h"
#include "../model/numbers/shortest.h"

namespace abimport::lsp {

bool keywordLineAbove(const TextDocument& document, size_t line, size_t& keywordLine) {
    for (size_t n = std::min(line + 1, document.lineCount()); n-- > 0;) {
        const std::string_view text = document.line(n);
        if (!text.empty() && text[0] == '*') {
            keywordLine = n;
            return true;
        }
    }
    return false;
}

size_t offsetOfLine(const TextDocument& document, size_t line) {
    return document.offsetOf({line, 0}, PositionEncoding::Utf8);
}

FieldAt fieldAt(const Session& session, const TextDocument& document, size_t line,
                size_t byteColumn) {
    FieldAt at;
    if (!keywordLineAbove(document, line, at.keywordLine)) return at;
    // The keyword is read up to the end of the line asked about.
    const size_t end =
        line + 1 < document.lineCount() ? offsetOfLine(document, line + 1) : document.text().size();
    at.keyword = std::make_unique<KeywordReading>(
        session.registry(), std::string_view(document.text()).substr(0, end),
        offsetOfLine(document, at.keywordLine), at.keywordLine + 1);
    if (!at.keyword->read() || line == at.keywordLine) return at;
    at.card = at.keyword->cardAt(line + 1, byteColumn);
    if (at.card) at.field = lsp::fieldAt(*at.card, byteColumn);
    return at;
}

std::string valueText(const Data* value) {
    if (!value) return "empty";
    switch (value->typeCode) {
        case kIntegerCode: return std::to_string(static_cast<const Integer*>(value)->val);
        case kUnsignedCode: return std::to_string(static_cast<const UInteger*>(value)->val);
        case kDoubleCode: {
            const double number = static_cast<const Double*>(value)->val;
            if (std::isnan(number)) return std::signbit(number) ? "-nan" : "nan";
            if (std::isinf(number)) return number < 0 ? "-inf" : "inf";
            char text[32];
            return std::string(text, detail::writeShortestDouble(text, number));
        }
        case kTextCode: {
            const char* text = static_cast<const CharArray*>(value)->val;
            return "'" + std::string(text ? text : "") + "'";
        }
        default: return "not read";
    }
}

bool idOf(const FieldPlace& field, int32_t& id) {
    if (!field.value) return false;
    if (field.value->typeCode == kIntegerCode) {
        id = static_cast<const Integer*>(field.value)->val;
        return id != 0;
    }
    if (field.value->typeCode == kUnsignedCode) {
        const uint32_t value = static_cast<const UInteger*>(field.value)->val;
        if (value == 0 || value > INT32_MAX) return false;
        id = static_cast<int32_t>(value);
        return true;
    }
    return false;
}

void idColumns(std::string_view line, size_t& begin, size_t& end) {
    begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    end = begin;
    if (end < line.size() && (line[end] == '-' || line[end] == '+')) ++end;
    while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
    if (end == begin) {
        begin = 0;
        end = line.size();
    }
}

}  // namespace abimport::lsp
