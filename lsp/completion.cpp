// Completion: keyword titles after a '*' at the start of a line.
#include "features.h"
#include "keywordreading.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

enum CompletionKind { kKeyword = 14 };

// The keywords that the deck loop reads itself besides the airbag keywords.
constexpr const char* kDeckLoopKeywords[] = {
    "KEYWORD", "TITLE", "INCLUDE", "INCLUDE_PATH", "INCLUDE_PATH_RELATIVE", "END"};

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
    if (column == 0 || line.empty() || line[0] != '*' ||
        line.substr(1, column - 1).find_first_of(" \t,") != std::string_view::npos)
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
