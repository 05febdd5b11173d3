// Completion: keyword titles after a '*' at the start of a line, and the
// parameters after an '&' in a field of an airbag keyword that takes one.
#include <cctype>
#include <set>

#include "features.h"
#include "keywordreading.h"
#include "lineplaces.h"
#include "parameterplaces.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

enum CompletionKind { kVariable = 6, kKeyword = 14 };

// The keywords that the deck loop reads itself besides the airbag keywords.
constexpr const char* kDeckLoopKeywords[] = {
    "KEYWORD", "TITLE", "INCLUDE", "INCLUDE_PATH", "INCLUDE_PATH_RELATIVE", "END"};

// Whether a field of that type code takes a parameter of that type: a
// number field a real or an integer, a text field any.
bool takes(unsigned fieldType, char parameterType) {
    switch (fieldType) {
        case kIntegerCode:
        case kUnsignedCode:
        case kDoubleCode: return parameterType == 'R' || parameterType == 'I';
        case kTextCode: return true;
        default: return false;
    }
}

// The parameters that the field at byte column of line may name, when the
// field's text up to there is an '&' (or "-&") and the start of a name.
json parameterItems(Session& session, const std::string& path, const TextDocument& document,
                    size_t line, size_t column) {
    json items = json::array();
    if (column == 0) return items;
    const FileParameters parameters = parametersOf(session, path);
    if (!parameters.table) return items;
    // The character before the cursor stands in the field being typed.
    const FieldAt at = fieldAt(session, document, line, column - 1, parameters);
    if (!at.field) return items;
    const std::string_view text = document.line(line);
    size_t ampersand = column;
    while (ampersand > at.field->begin && text[ampersand - 1] != '&') --ampersand;
    if (ampersand == at.field->begin) return items;
    const std::string_view typed = text.substr(ampersand, column - ampersand);
    std::string before(text.substr(at.field->begin, ampersand - 1 - at.field->begin));
    before.erase(0, before.find_first_not_of(" \t"));
    if (!(before.empty() || before == "-")) return items;
    for (const char c : typed) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return items;
    }
    const ModelReading& model = session.modelOf(path);
    const json range = session.rangeOf(document, line, ampersand, column);
    std::set<const ParameterDefinition*> listed;
    for (const ParameterDefinition& definition : parameters.table->definitions()) {
        // The definition each name means in this file, once.
        const ParameterDefinition* meant = parameters.table->find(definition.name, parameters.file);
        if (!meant || !listed.insert(meant).second || !takes(at.field->type(), meant->type))
            continue;
        items.push_back({{"label", meant->name},
                         {"kind", kVariable},
                         {"detail", definitionText(session, model, *meant)},
                         {"textEdit", {{"range", range}, {"newText", meant->name}}}});
    }
    return items;
}

}  // namespace

json completion(Session& session, const json& params) {
    const std::string path = documentPath(params);
    const Position position = positionIn(params.at("position"));
    TextDocument scratch;
    const TextDocument* document = session.documentOf(path, scratch);
    json items = json::array();
    if (!document || position.line >= document->lineCount()) return items;
    const std::string_view line = document->line(position.line);
    const size_t column = byteColumnOf(line, position.character, session.encoding);
    if (line.empty() || line[0] != '*')
        return parameterItems(session, path, *document, position.line, column);
    if (column == 0 || line.substr(1, column - 1).find_first_of(" \t,") != std::string_view::npos)
        return items;
    // The title typed so far is replaced whole, whatever its case.
    const json range = session.rangeOf(*document, position.line, 1, column);
    auto add = [&](const std::string& title, const char* detail) {
        items.push_back({{"label", title},
                         {"kind", kKeyword},
                         {"detail", detail},
                         {"textEdit", {{"range", range}, {"newText", title}}}});
    };
    for (const std::string& title : importedTitles(session.registry()))
        add(title, "airbag keyword");
    for (const char* title : kDeckLoopKeywords) add(title, "read by the deck loop");
    return items;
}

}  // namespace abimport::lsp
