#include "lineplaces.h"

#include <climits>
#include <cmath>
#include <cstring>

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
                size_t byteColumn, const FileParameters& parameters) {
    FieldAt at;
    if (!keywordLineAbove(document, line, at.keywordLine)) return at;
    // The keyword is read up to the end of the line asked about.
    const size_t end =
        line + 1 < document.lineCount() ? offsetOfLine(document, line + 1) : document.text().size();
    at.keyword = std::make_unique<KeywordReading>(
        session.registry(), std::string_view(document.text()).substr(0, end),
        offsetOfLine(document, at.keywordLine), at.keywordLine + 1, parameters);
    if (!at.keyword->read() || line == at.keywordLine) return at;
    at.card = at.keyword->cardAt(line + 1, byteColumn);
    if (at.card) at.field = lsp::fieldAt(*at.card, byteColumn);
    return at;
}

FileParameters parametersOf(Session& session, const std::string& path) {
    return session.modelOf(path).parametersOf(path);
}

std::string shownPlace(const Session& session, const ModelReading& model, size_t file,
                       unsigned long long line) {
    const std::string name =
        file < model.files().size() ? session.workspace.shownName(model.files()[file].path) : "?";
    return name + ":" + std::to_string(line);
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

const IdKind* fieldIdKind(const CardPlace& card, const FieldPlace& field) {
    if (field.idKind()) return field.idKind();
    const LookupIds* lookup = field.description->lookup;
    if (!lookup) return nullptr;
    if (!lookup->typeField) return lookup->kinds[0];
    for (const FieldPlace& type : card.fields) {
        if (std::strcmp(type.name(), lookup->typeField) != 0) continue;
        // An empty type field reads as 0.
        if (!type.value) return lookup->kinds[0];
        if (type.value->typeCode != kIntegerCode) return nullptr;
        const int32_t value = static_cast<const Integer*>(type.value)->val;
        return value >= 0 && value <= 2 ? lookup->kinds[value] : nullptr;
    }
    return nullptr;
}

bool sameKind(const IdKind* a, const IdKind* b) {
    return a && b && std::strcmp(a->label, b->label) == 0;
}

bool idOnLine(std::string_view line, unsigned width, int32_t& id) {
    // The first field: the first comma word, or the first width columns.
    const size_t comma = line.find(',');
    std::string_view field = line.substr(0, comma != std::string_view::npos ? comma : width);
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t'))
        field.remove_prefix(1);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t' || field.back() == '\r'))
        field.remove_suffix(1);
    const bool negative = !field.empty() && field.front() == '-';
    if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
    if (field.empty() || field.size() > 10 ||
        field.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    long long value = 0;
    for (const char digit : field) value = value * 10 + (digit - '0');
    if (negative) value = -value;
    if (value == 0 || value < INT32_MIN || value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
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
