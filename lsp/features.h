// The requests the server answers beyond the life cycle and the documents,
// each from the session and the request's params; each returns the result
// or throws RequestError.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "documents.h"
#include "session.h"

namespace abimport::lsp {

// The params' parts that most requests share.
std::string documentPath(const nlohmann::json& params);
Position positionIn(const nlohmann::json& position);
Range rangeIn(const nlohmann::json& range);
nlohmann::json locationOf(const Session& session, const std::string& path, size_t line,
                          size_t begin, size_t end);

nlohmann::json hover(Session& session, const nlohmann::json& params);
nlohmann::json definition(Session& session, const nlohmann::json& params);
nlohmann::json references(Session& session, const nlohmann::json& params);
nlohmann::json documentSymbols(Session& session, const nlohmann::json& params);
nlohmann::json workspaceSymbols(Session& session, const nlohmann::json& params);
nlohmann::json formatting(Session& session, const nlohmann::json& params);
nlohmann::json rangeFormatting(Session& session, const nlohmann::json& params);
nlohmann::json codeActions(Session& session, const nlohmann::json& params);
nlohmann::json completion(Session& session, const nlohmann::json& params);

}  // namespace abimport::lsp
