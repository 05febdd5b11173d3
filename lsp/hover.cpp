// Hover: what the library reads at a place of a deck.
#include <map>

#include "../host/parametersubstitution.h"
#include "features.h"
#include "lineplaces.h"
#include "parameterplaces.h"
#include "rpcerror.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

std::string columnsText(const CardPlace& card, const FieldPlace& field) {
    if (card.commaForm) return "word " + std::to_string(field.index + 1) + " of the comma line";
    const Columns columns = columnsOf(*card.description, field.index);
    return "columns " + std::to_string(card.pieceOffset + columns.first) + "-" +
           std::to_string(card.pieceOffset + columns.last);
}

// The kind of ID a field holds and where the model defines it.
std::string idText(Session& session, const std::string& path, const CardPlace& card,
                   const FieldPlace& field) {
    const IdKind& kind = *fieldIdKind(card, field);
    int32_t id;
    if (!idOf(field, id)) return std::string(kind.label) + " ID (none given)";
    std::string text = kind.label + (" " + std::to_string(id));
    const ModelReading& model = session.modelOf(path);
    if (!model.definesKind(kind)) return text;
    ModelPlace place;
    if (model.definitionOf(kind, id, place))
        return text + ", defined at " + shownPlace(session, model, place.file, place.line);
    return text + ", not defined in the model";
}

// The parameter a field names, as the file sees it.
std::string parameterText(Session& session, const std::string& path, const std::string& name) {
    const ModelReading& model = session.modelOf(path);
    const FileParameters parameters = model.parametersOf(path);
    const ParameterDefinition* definition =
        parameters.table ? parameters.table->find(name, parameters.file) : nullptr;
    if (!definition) return "no parameter of the model is called " + name;
    return definitionText(session, model, *definition);
}

std::string fieldHover(Session& session, const std::string& path, const FieldAt& at) {
    const CardPlace& card = *at.card;
    const FieldPlace& field = *at.field;
    std::string text = "**" + at.keyword->title() + "** card **" + card.name() + "** field **" +
                       field.name() + "** (" + columnsText(card, field) + ")\n\n";
    if (field.type() == kBlankRequestCode) return text + "not read by the library";
    std::string shown = field.text;
    const size_t first = shown.find_first_not_of(' ');
    shown = first == std::string::npos ? "" : shown.substr(first);
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    const std::string value = valueText(field.value);
    if (shown.empty()) {
        text += "empty";
    } else {
        text += "`" + shown + "` reads as " + value;
    }
    std::string name;
    bool negated;
    if (parameterReference(field.text, name, negated))
        text += "\n\n" + parameterText(session, path, name);
    if (fieldIdKind(card, field)) text += "\n\n" + idText(session, path, card, field);
    return text;
}

// A definition of a *PARAMETER line: what it holds, whether it holds in its
// file, how many fields took its value.
std::string definitionHover(const Session& session, const ModelReading& model,
                            const ParameterDefinition& definition) {
    const ParameterTable& table = *model.parameters();
    std::string text = definitionText(session, model, definition);
    const ParameterDefinition* holding = table.find(definition.name, definition.file);
    if (holding && holding != &definition && holding->file < model.files().size())
        text += "\n\nthe definition at " +
                shownPlace(session, model, holding->file, holding->line) + " holds in this file";
    const size_t index = static_cast<size_t>(&definition - table.definitions().data());
    const size_t uses = index < table.uses().size() ? table.uses()[index] : 0;
    text += "\n\nits value is taken by " + std::to_string(uses) +
            (uses == 1 ? " field" : " fields") + " of the airbag keywords";
    return text;
}

// The keyword's cards as this keyword reads them: each name with its count.
std::string keywordHover(const KeywordReading& keyword) {
    std::string text = "**" + keyword.title() + "**";
    std::vector<std::pair<std::string, size_t>> runs;
    for (const CardPlace& card : keyword.cards()) {
        if (!runs.empty() && runs.back().first == card.name())
            ++runs.back().second;
        else
            runs.emplace_back(card.name(), 1);
    }
    if (runs.empty()) return text + "\n\nno cards";
    text += "\n\ncards:";
    for (const auto& [name, count] : runs)
        text += "\n- " + name + (count > 1 ? " ×" + std::to_string(count) : "");
    return text;
}

}  // namespace

json hover(Session& session, const json& params) {
    const std::string path = documentPath(params);
    const Position position = positionIn(params.at("position"));
    TextDocument scratch;
    const TextDocument* document = session.documentOf(path, scratch);
    if (!document || position.line >= document->lineCount()) return nullptr;
    const std::string_view line = document->line(position.line);
    const size_t column = byteColumnOf(line, position.character, session.encoding);
    if (!line.empty() && line[0] == '*') {
        // A keyword line: read the whole keyword for its cards.
        size_t next = position.line + 1;
        while (next < document->lineCount() &&
               (document->line(next).empty() || document->line(next)[0] != '*'))
            ++next;
        const FieldAt at = fieldAt(session, *document, next - 1, 0, parametersOf(session, path));
        if (!at.keyword || !at.keyword->read() || at.keywordLine != position.line) return nullptr;
        return {{"contents", {{"kind", "markdown"}, {"value", keywordHover(*at.keyword)}}},
                {"range", session.rangeOf(*document, position.line, 0, line.size())}};
    }
    const FieldAt at =
        fieldAt(session, *document, position.line, column, parametersOf(session, path));
    if (at.field)
        return {
            {"contents", {{"kind", "markdown"}, {"value", fieldHover(session, path, at)}}},
            {"range", session.rangeOf(*document, position.line, at.field->begin, at.field->end)}};
    const ModelReading& model = session.modelOf(path);
    const size_t file = model.fileIndex(path);
    const ParameterDefinition* definition =
        at.card || !model.parameters() || file == kNoFile
            ? nullptr
            : definitionAt(*model.parameters(), file, position.line + 1, column);
    if (!definition) return nullptr;
    size_t begin, end;
    nameColumns(*definition, line, begin, end);
    return {{"contents",
             {{"kind", "markdown"}, {"value", definitionHover(session, model, *definition)}}},
            {"range", session.rangeOf(*document, position.line, begin, end)}};
}

}  // namespace abimport::lsp
