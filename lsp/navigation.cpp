// Go to definition and find references: from an ID field to the line that
// defines the ID, from an include's file name to the file.
#include <map>

#include "../host/keywordtitles.h"
#include "../host/parametersubstitution.h"
#include "features.h"
#include "lineplaces.h"
#include "parameterplaces.h"
#include "rpcerror.h"
#include "uri.h"

namespace abimport::lsp {

using nlohmann::json;

std::string documentPath(const json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    std::string path;
    if (!pathOfUri(uri, path)) throw RequestError(kInvalidParams, "not a file URI: " + uri);
    return absolutePath(path);
}

Position positionIn(const json& position) {
    const long long line = position.at("line"), character = position.at("character");
    if (line < 0 || character < 0) throw RequestError(kInvalidParams, "a negative position");
    return {static_cast<size_t>(line), static_cast<size_t>(character)};
}

Range rangeIn(const json& range) {
    return {positionIn(range.at("start")), positionIn(range.at("end"))};
}

json locationOf(const Session& session, const std::string& path, size_t line, size_t begin,
                size_t end) {
    TextDocument scratch;
    const TextDocument* document = session.documentOf(path, scratch);
    json range = document ? session.rangeOf(*document, line, begin, end)
                          : json{{"start", {{"line", line}, {"character", 0}}},
                                 {"end", {{"line", line}, {"character", 0}}}};
    return {{"uri", uriOfPath(path)}, {"range", std::move(range)}};
}

namespace {

// What stands at a position: an ID of a kind, a parameter, or the file an
// include names.
struct Target {
    const IdKind* kind = nullptr;
    int32_t id = 0;
    const ParameterDefinition* parameter = nullptr;
    std::string includedFile;  // absolute path
    bool found() const { return kind || parameter || !includedFile.empty(); }
};

// The name line of an include keyword at line: the file it opened.
std::string includedAt(const ModelReading& model, const std::string& path,
                       const TextDocument& document, size_t line) {
    size_t keywordLine;
    if (!keywordLineAbove(document, line, keywordLine) || keywordLine == line) return "";
    const std::string_view keyword = document.line(keywordLine);
    const std::string_view title = keywordTitleOf(keyword.data(), keyword.size());
    if (!titleIs(title, "INCLUDE") &&
        !(title.size() > 8 && titleIs(title.substr(0, 8), "INCLUDE_")))
        return "";
    for (size_t i = 0; i < model.files().size(); ++i) {
        const ModelFile& file = model.files()[i];
        if (file.parent != kNoFile && model.files()[file.parent].path == path &&
            file.includeLine == keywordLine + 1)
            return file.path;
    }
    return "";
}

// A place of a line that no airbag card holds: a parameter's definition, an
// ID's definition, or an include's file name.
Target definedAt(const ModelReading& model, const std::string& path, const TextDocument& document,
                 size_t line, size_t column) {
    Target target;
    const size_t file = model.fileIndex(path);
    if (file == kNoFile) return target;
    if (model.parameters())
        target.parameter = definitionAt(*model.parameters(), file, line + 1, column);
    if (!target.parameter)
        target.kind = model.definedOn(file, line + 1, document.line(line), target.id);
    if (!target.found()) target.includedFile = includedAt(model, path, document, line);
    return target;
}

Target targetAt(Session& session, const json& params, std::string& path) {
    path = documentPath(params);
    const Position position = positionIn(params.at("position"));
    TextDocument scratch;
    const TextDocument* document = session.documentOf(path, scratch);
    Target target;
    if (!document || position.line >= document->lineCount()) return target;
    const size_t column =
        byteColumnOf(document->line(position.line), position.character, session.encoding);
    const FileParameters parameters = parametersOf(session, path);
    const FieldAt at = fieldAt(session, *document, position.line, column, parameters);
    if (at.field) {
        std::string name;
        bool negated;
        if (parameterReference(at.field->text, name, negated)) {
            if (parameters.table) target.parameter = parameters.table->find(name, parameters.file);
        } else if ((target.kind = fieldIdKind(*at.card, *at.field)) &&
                   !idOf(*at.field, target.id)) {
            target.kind = nullptr;
        }
        return target;
    }
    if (at.card) return target;
    return definedAt(session.modelOf(path), path, *document, position.line, column);
}

// Where the model defines a parameter: its name.
json definitionOf(const Session& session, const ModelReading& model,
                  const ParameterDefinition& definition) {
    if (definition.file >= model.files().size()) return nullptr;
    const std::string& file = model.files()[definition.file].path;
    TextDocument scratch;
    const TextDocument* document = session.documentOf(file, scratch);
    size_t begin = 0, end = 0;
    if (document) nameColumns(definition, document->line(definition.line - 1), begin, end);
    return locationOf(session, file, definition.line - 1, begin, end);
}

json definitionOf(Session& session, const std::string& path, const Target& target) {
    if (!target.includedFile.empty()) return locationOf(session, target.includedFile, 0, 0, 0);
    const ModelReading& model = session.modelOf(path);
    if (target.parameter) return definitionOf(session, model, *target.parameter);
    ModelPlace place;
    if (!model.definitionOf(*target.kind, target.id, place)) return nullptr;
    const std::string& file = model.files()[place.file].path;
    TextDocument scratch;
    const TextDocument* document = session.documentOf(file, scratch);
    size_t begin = 0, end = 0;
    if (document) idColumns(document->line(place.line - 1), begin, end);
    return locationOf(session, file, place.line - 1, begin, end);
}

// The fields of a card line that hold the target ID.
void addFieldsHolding(Session& session, const std::string& file, const TextDocument& document,
                      size_t line, const Target& target, json& out) {
    const FieldAt at = fieldAt(session, document, line, 0, parametersOf(session, file));
    if (!at.keyword) return;
    for (const CardPlace& card : at.keyword->cards()) {
        if (card.line != line + 1) continue;
        for (const FieldPlace& field : card.fields) {
            int32_t id;
            if (sameKind(fieldIdKind(card, field), target.kind) && idOf(field, id) &&
                id == target.id)
                out.push_back(locationOf(session, file, line, field.begin, field.end));
        }
    }
}

// Every include keyword of the model that opened the file.
void addIncludesOf(Session& session, const ModelReading& model, const std::string& included,
                   json& out) {
    for (const ModelFile& file : model.files()) {
        if (file.path == included && file.parent != kNoFile)
            out.push_back(
                locationOf(session, model.files()[file.parent].path, file.includeLine - 1, 0, 0));
    }
}

void addIdReferences(Session& session, const ModelReading& model, const Target& target, json& out) {
    std::map<size_t, std::vector<unsigned long long>> byFile;
    for (const ModelPlace& place : model.referencesTo(*target.kind, target.id))
        byFile[place.file].push_back(place.line);
    for (const auto& [index, lines] : byFile) {
        const std::string& file = model.files()[index].path;
        TextDocument scratch;
        const TextDocument* document = session.documentOf(file, scratch);
        if (!document) continue;
        unsigned long long last = 0;
        for (const unsigned long long line : lines) {
            // One line of several references is looked at once; line 0 is no line.
            if (line == last || line == 0) continue;
            last = line;
            addFieldsHolding(session, file, *document, line - 1, target, out);
        }
    }
}

}  // namespace

json definition(Session& session, const json& params) {
    std::string path;
    const Target target = targetAt(session, params, path);
    if (!target.found()) return nullptr;
    return definitionOf(session, path, target);
}

json references(Session& session, const json& params) {
    std::string path;
    const Target target = targetAt(session, params, path);
    json out = json::array();
    if (!target.found()) return out;
    const bool declaration =
        params.value("context", json::object()).value("includeDeclaration", true);
    const ModelReading& model = session.modelOf(path);
    if (declaration) {
        json defined = definitionOf(session, path, target);
        if (!defined.is_null()) out.push_back(std::move(defined));
    }
    if (!target.includedFile.empty()) {
        addIncludesOf(session, model, target.includedFile, out);
    } else if (target.parameter) {
        for (const FilePlace& use : usesOf(session, model, *target.parameter))
            out.push_back(
                locationOf(session, model.files()[use.file].path, use.line, use.begin, use.end));
    } else {
        addIdReferences(session, model, target, out);
    }
    return out;
}

}  // namespace abimport::lsp
