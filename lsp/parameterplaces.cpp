#include "parameterplaces.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include "../host/parameterexpression.h"
#include "../host/parametersubstitution.h"
#include "../model/numbers/shortest.h"
#include "lineplaces.h"

namespace abimport::lsp {

namespace {

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// Where name stands as a whole word in bytes [from, to) of line; false when
// it does not.
bool findName(std::string_view line, std::string_view name, size_t from, size_t to, size_t& begin) {
    to = std::min(to, line.size());
    for (size_t at = from; !name.empty() && at + name.size() <= to; ++at) {
        if (!sameIgnoringCase(line.substr(at, name.size()), name)) continue;
        if (at > from && isNameCharacter(line[at - 1])) continue;
        if (at + name.size() < to && isNameCharacter(line[at + name.size()])) continue;
        begin = at;
        return true;
    }
    return false;
}

// The fields of the airbag keywords in the file that name the definition.
void addFieldUses(Session& session, const ParameterTable& table, size_t file,
                  const TextDocument& document, const ParameterDefinition& definition,
                  std::vector<FilePlace>& uses) {
    if (document.text().find('&') == std::string::npos) return;
    const size_t kNone = static_cast<size_t>(-1);
    size_t keywordLine = kNone;
    std::unique_ptr<KeywordReading> keyword;  // the keyword above, read when a line needs it
    for (size_t n = 0; n < document.lineCount(); ++n) {
        const std::string_view line = document.line(n);
        if (!line.empty() && line[0] == '*') {
            keywordLine = n;
            keyword.reset();
            continue;
        }
        if (keywordLine == kNone || line.find('&') == std::string_view::npos) continue;
        if (!keyword)
            keyword = std::make_unique<KeywordReading>(
                session.registry(), document.text(), offsetOfLine(document, keywordLine),
                keywordLine + 1, FileParameters{&table, file});
        for (const CardPlace& card : keyword->cards()) {
            if (card.line != n + 1) continue;
            for (const FieldPlace& field : card.fields) {
                std::string name;
                bool negated;
                if (!parameterReference(field.text, name, negated) ||
                    table.find(name, file) != &definition)
                    continue;
                const size_t first = field.text.find_first_not_of(" \t");
                const size_t last = field.text.find_last_not_of(" \t\r\n");
                uses.push_back({file, n, field.begin + first, field.begin + last + 1});
            }
        }
    }
}

// The expressions of other definitions that use it.
void addExpressionUses(Session& session, const ModelReading& model, const ParameterTable& table,
                       const ParameterDefinition& definition, std::vector<FilePlace>& uses) {
    for (const ParameterDefinition& other : table.definitions()) {
        if (!other.expression || other.file >= model.files().size()) continue;
        ParameterExpression expression(other.text);
        for (const std::string& name : expression.names()) {
            if (table.find(name, other.file) != &definition) continue;
            TextDocument scratch;
            const TextDocument* document =
                session.documentOf(model.files()[other.file].path, scratch);
            const std::string_view line =
                document ? document->line(other.line - 1) : std::string_view();
            FilePlace place{other.file, other.line - 1, other.valueBegin, other.valueEnd};
            size_t at;
            if (findName(line, name, other.valueBegin, other.valueEnd, at)) {
                place.begin = at;
                place.end = at + name.size();
            }
            place.end = std::min(place.end, line.size());
            uses.push_back(place);
        }
    }
}

std::string valueOf(const ParameterDefinition& definition) {
    if (definition.type == 'C') return "'" + definition.chars + "'";
    char text[32];
    return std::string(text, detail::writeShortestDouble(text, definition.number));
}

}  // namespace

const ParameterDefinition* definitionAt(const ParameterTable& table, size_t file,
                                        unsigned long long line, size_t byteColumn) {
    size_t from = 0;  // where the pair begins: after the value before it
    for (const ParameterDefinition& definition : table.definitions()) {
        if (definition.file != file || definition.line != line) continue;
        const size_t end = std::max(definition.valueEnd, definition.nameEnd);
        if (byteColumn >= from && byteColumn < end) return &definition;
        from = end;
    }
    return nullptr;
}

void nameColumns(const ParameterDefinition& definition, std::string_view line, size_t& begin,
                 size_t& end) {
    begin = std::min(definition.nameBegin, line.size());
    end = std::min(definition.nameEnd, line.size());
    size_t at;
    // The name after its type letter.
    if (begin < end && findName(line, definition.name, begin + 1, end, at)) {
        begin = at;
        end = at + definition.name.size();
    }
}

std::vector<FilePlace> usesOf(Session& session, const ModelReading& model,
                              const ParameterDefinition& definition) {
    std::vector<FilePlace> uses;
    const ParameterTable* table = model.parameters();
    if (!table) return uses;
    for (size_t file = 0; file < model.files().size(); ++file) {
        TextDocument scratch;
        const TextDocument* document = session.documentOf(model.files()[file].path, scratch);
        if (document) addFieldUses(session, *table, file, *document, definition, uses);
    }
    addExpressionUses(session, model, *table, definition, uses);
    std::sort(uses.begin(), uses.end(), [](const FilePlace& a, const FilePlace& b) {
        return a.file != b.file   ? a.file < b.file
               : a.line != b.line ? a.line < b.line
                                  : a.begin < b.begin;
    });
    return uses;
}

std::string definitionText(const Session& session, const ModelReading& model,
                           const ParameterDefinition& definition) {
    const std::string place = definition.file < model.files().size()
                                  ? shownPlace(session, model, definition.file, definition.line)
                                  : *definition.path + ":" + std::to_string(definition.line);
    if (!definition.valid)
        return "parameter " + definition.name + " has no value, defined at " + place;
    return "parameter " + definition.name + " = " + valueOf(definition) + ", defined at " + place;
}

}  // namespace abimport::lsp
