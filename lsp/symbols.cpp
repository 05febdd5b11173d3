// Symbols: the outline of a file (its keywords, an airbag keyword with its
// cards) and the include tree of the models as workspace symbols.
#include <algorithm>
#include <cctype>

#include "../host/keywordtitles.h"
#include "features.h"
#include "lineplaces.h"
#include "uri.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

enum SymbolKind { kFile = 1, kField = 8, kStruct = 23 };

json symbol(const std::string& name, const std::string& detail, int kind, json range,
            json selection) {
    return {{"name", name},
            {"detail", detail},
            {"kind", kind},
            {"range", std::move(range)},
            {"selectionRange", std::move(selection)}};
}

std::string linesText(unsigned long long first, unsigned long long last) {
    return first == last ? "line " + std::to_string(first)
                         : "lines " + std::to_string(first) + "-" + std::to_string(last);
}

// The cards of an airbag keyword, a run of cards of one name on
// consecutive lines as one symbol.
json cardSymbols(const Session& session, const TextDocument& document,
                 const KeywordReading& keyword) {
    json children = json::array();
    const std::vector<CardPlace>& cards = keyword.cards();
    for (size_t i = 0; i < cards.size();) {
        size_t j = i + 1;
        while (j < cards.size() && cards[j].description == cards[i].description &&
               cards[j].line <= cards[j - 1].line + 1)
            ++j;
        const size_t first = cards[i].line - 1, last = cards[j - 1].line - 1;
        json range = session.rangeOf(document, first, 0, 0);
        range["end"] = session.rangeOf(document, last, 0, document.line(last).size())["end"];
        const std::string count = j - i > 1 ? " (" + std::to_string(j - i) + " cards)" : "";
        children.push_back(
            symbol(cards[i].name(), linesText(first + 1, last + 1) + count, kField, range,
                   session.rangeOf(document, first, 0, document.line(first).size())));
        i = j;
    }
    return children;
}

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

}  // namespace

json documentSymbols(Session& session, const json& params) {
    const std::string path = documentPath(params);
    TextDocument scratch;
    const TextDocument* document = session.documentOf(path, scratch);
    json out = json::array();
    if (!document) return out;
    const FileParameters parameters = parametersOf(session, path);
    std::vector<size_t> keywordLines;
    for (size_t n = 0; n < document->lineCount(); ++n) {
        const std::string_view line = document->line(n);
        if (!line.empty() && line[0] == '*') keywordLines.push_back(n);
    }
    for (size_t k = 0; k < keywordLines.size(); ++k) {
        const size_t first = keywordLines[k];
        size_t last =
            k + 1 < keywordLines.size() ? keywordLines[k + 1] - 1 : document->lineCount() - 1;
        while (last > first && document->line(last).empty()) --last;
        const std::string_view line = document->line(first);
        const std::string_view title = keywordTitleOf(line.data(), line.size());
        json range = session.rangeOf(*document, first, 0, 0);
        range["end"] = session.rangeOf(*document, last, 0, document->line(last).size())["end"];
        json entry =
            symbol("*" + std::string(title.empty() ? "" : title), linesText(first + 1, last + 1),
                   kStruct, range, session.rangeOf(*document, first, 0, title.size() + 1));
        const size_t end = last + 1 < document->lineCount() ? offsetOfLine(*document, last + 1)
                                                            : document->text().size();
        const KeywordReading keyword(session.registry(),
                                     std::string_view(document->text()).substr(0, end),
                                     offsetOfLine(*document, first), first + 1, parameters);
        if (keyword.read()) entry["children"] = cardSymbols(session, *document, keyword);
        out.push_back(std::move(entry));
    }
    return out;
}

json workspaceSymbols(Session& session, const json& params) {
    const std::string query = params.value("query", "");
    session.doPendingWork();
    json out = json::array();
    for (const auto& [deck, model] : session.models()) {
        for (const ModelFile& file : model->files()) {
            const std::string name = session.workspace.shownName(file.path);
            if (!containsIgnoringCase(name, query)) continue;
            json entry = {{"name", name},
                          {"kind", kFile},
                          {"location", locationOf(session, file.path, 0, 0, 0)}};
            if (file.parent != kNoFile) {
                entry["containerName"] =
                    session.workspace.shownName(model->files()[file.parent].path) + ":" +
                    std::to_string(file.includeLine);
            }
            out.push_back(std::move(entry));
        }
    }
    return out;
}

}  // namespace abimport::lsp
