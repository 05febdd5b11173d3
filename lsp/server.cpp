#include "server.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "features.h"
#include "framing.h"
#include "largetext.h"
#include "rpcerror.h"
#include "session.h"
#include "uri.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

// How long the editor must be quiet before changed models are read again,
// and how long a stream of edits may put that off at most.
constexpr int kQuietMs = 30;
constexpr auto kMostDelay = std::chrono::milliseconds(300);

// Messages from this size on have their deck text taken out whole.
constexpr size_t kLargeMessage = size_t{1} << 20;
constexpr size_t kLargeText = size_t{1} << 16;

using Request = json (*)(Session&, const json&);

Request requestHandler(const std::string& method) {
    static const std::map<std::string, Request> kHandlers = {
        {"textDocument/hover", hover},
        {"textDocument/definition", definition},
        {"textDocument/references", references},
        {"textDocument/documentSymbol", documentSymbols},
        {"workspace/symbol", workspaceSymbols},
        {"textDocument/formatting", formatting},
        {"textDocument/rangeFormatting", rangeFormatting},
        {"textDocument/codeAction", codeActions},
        {"textDocument/completion", completion},
    };
    const auto found = kHandlers.find(method);
    return found == kHandlers.end() ? nullptr : found->second;
}

// The main decks a setting names: "mainDeck" as one path or a list, relative
// to the workspace folder.
std::vector<std::string> mainDecksIn(const json& settings, const std::string& root) {
    std::vector<std::string> decks;
    const json* named = nullptr;
    if (settings.is_object()) {
        if (settings.contains("abimport") && settings["abimport"].is_object())
            return mainDecksIn(settings["abimport"], root);
        if (settings.contains("mainDeck")) named = &settings["mainDeck"];
    }
    if (!named) return decks;
    const json list = named->is_array() ? *named : json::array({*named});
    for (const json& deck : list) {
        if (!deck.is_string() || deck.get<std::string>().empty()) continue;
        const std::string path = deck.get<std::string>();
        decks.push_back(absolutePath(path[0] == '/' || root.empty() ? path : root + "/" + path));
    }
    return decks;
}

std::string rootOf(const json& params) {
    std::string path;
    if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
        !params["workspaceFolders"].empty() &&
        pathOfUri(params["workspaceFolders"][0].value("uri", ""), path))
        return absolutePath(path);
    if (params.contains("rootUri") && params["rootUri"].is_string() &&
        pathOfUri(params["rootUri"].get<std::string>(), path))
        return absolutePath(path);
    if (params.contains("rootPath") && params["rootPath"].is_string())
        return absolutePath(params["rootPath"].get<std::string>());
    return "";
}

// The position encoding: UTF-8 when the client offers it (a deck line is
// bytes), else UTF-16, which every client understands.
PositionEncoding encodingOf(const json& params) {
    const json capabilities = params.value("capabilities", json::object());
    if (!capabilities.is_object() || !capabilities.contains("general"))
        return PositionEncoding::Utf16;
    const json general = capabilities["general"];
    if (!general.is_object() || !general.contains("positionEncodings") ||
        !general["positionEncodings"].is_array())
        return PositionEncoding::Utf16;
    for (const json& offered : general["positionEncodings"]) {
        if (offered == "utf-8") return PositionEncoding::Utf8;
    }
    return PositionEncoding::Utf16;
}

}  // namespace

LanguageServer::LanguageServer(const ABImport& registry, Send send)
    : send_(std::move(send)),
      session_(std::make_unique<Session>(registry, [this](const std::string& method, json params) {
          send_({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
      })) {}

LanguageServer::~LanguageServer() = default;

void LanguageServer::reply(const json& id, json result) {
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void LanguageServer::replyError(const json& id, int code, const std::string& message) {
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void LanguageServer::malformed(const std::string& error) {
    replyError(nullptr, kParseError, error);
}

void LanguageServer::handle(std::string body) {
    // A deck's text in a large message is taken out whole, not parsed into a
    // copy (largetext.h).
    std::string rest;
    const bool taken = body.size() >= kLargeMessage && takeLargeText(body, rest, kLargeText);
    json message = json::parse(taken ? rest : body, nullptr, false);
    if (taken && !message.is_discarded()) putBackText(message, std::move(body));
    std::string().swap(body);  // the message holds it all now
    if (message.is_discarded()) return replyError(nullptr, kParseError, "the message is no JSON");
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        // A reply to a request of ours (none is sent that waits for one) or nonsense.
        if (message.is_object() && message.contains("id") && !message.contains("method") &&
            (message.contains("result") || message.contains("error")))
            return;
        const json id = message.is_object() && message.contains("id") &&
                                (message["id"].is_number_integer() || message["id"].is_string())
                            ? message["id"]
                            : json(nullptr);
        return replyError(id, kInvalidRequest, "a request needs a method name");
    }
    if (message.contains("id")) {
        const json& id = message["id"];
        if (!id.is_number_integer() && !id.is_string())
            return replyError(nullptr, kInvalidRequest, "a request's id is a number or a string");
        handleRequest(message);
    } else {
        handleNotification(message);
    }
}

void LanguageServer::handleRequest(const json& message) {
    const json& id = message["id"];
    const std::string method = message["method"];
    static const json kNoParams = json::object();
    const json& params = message.contains("params") ? message["params"] : kNoParams;
    try {
        if (method == "initialize") {
            if (initialized_) throw RequestError(kInvalidRequest, "initialize came twice");
            if (!params.is_object()) throw RequestError(kInvalidParams, "params must be an object");
            initialized_ = true;
            return reply(id, initialize(params));
        }
        if (!initialized_)
            throw RequestError(kServerNotInitialized, "the server is not initialized yet");
        if (shutdown_) throw RequestError(kInvalidRequest, "the server is shut down");
        if (method == "shutdown") {
            shutdown_ = true;
            return reply(id, nullptr);
        }
        const Request handler = requestHandler(method);
        if (!handler) throw RequestError(kMethodNotFound, "no method " + method);
        if (!params.is_object()) throw RequestError(kInvalidParams, "params must be an object");
        reply(id, handler(*session_, params));
    } catch (const RequestError& error) {
        replyError(id, error.code, error.what());
    } catch (const json::exception& error) {
        replyError(id, kInvalidParams, std::string("invalid params: ") + error.what());
    } catch (const std::exception& error) {
        replyError(id, kInternalError, error.what());
    }
}

json LanguageServer::initialize(const json& params) {
    Session& session = *session_;
    session.encoding = encodingOf(params);
    session.workspace.setRoot(rootOf(params));
    session.workspace.setMainDecks(mainDecksIn(
        params.value("initializationOptions", json::object()), session.workspace.root()));
    const json capabilities = {
        {"positionEncoding", encodingName(session.encoding)},
        {"textDocumentSync",
         {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
        {"hoverProvider", true},
        {"definitionProvider", true},
        {"referencesProvider", true},
        {"documentSymbolProvider", true},
        {"workspaceSymbolProvider", true},
        {"documentFormattingProvider", true},
        {"documentRangeFormattingProvider", true},
        {"codeActionProvider", {{"codeActionKinds", {"refactor.rewrite"}}}},
        {"completionProvider", {{"triggerCharacters", {"*", "&"}}}},
    };
    return {{"capabilities", capabilities},
            {"serverInfo", {{"name", "abimport"}, {"version", ABIMPORT_LSP_VERSION}}}};
}

void LanguageServer::handleNotification(json& message) {
    const std::string method = message["method"];
    if (method == "exit") {
        exited_ = true;
        exitCode_ = shutdown_ ? 0 : 1;
        return;
    }
    // Before initialize every notification but exit is dropped; so is one
    // the server does not know or cannot take (a notification has no reply).
    if (!initialized_ || shutdown_) return;
    static const json kNoParams = json::object();
    const json& params = message.contains("params") ? message["params"] : kNoParams;
    try {
        Session& session = *session_;
        if (method == "textDocument/didOpen") {
            // The text is moved out of the message, not copied.
            std::string& text =
                message["params"].at("textDocument").at("text").get_ref<std::string&>();
            session.opened(documentPath(params), std::move(text));
        } else if (method == "textDocument/didChange") {
            const std::string path = documentPath(params);
            TextDocument* document = session.documents.find(path);
            if (!document) return;
            for (json& change : message["params"].at("contentChanges")) {
                std::string& text = change.at("text").get_ref<std::string&>();
                if (change.contains("range"))
                    document->replace(rangeIn(change["range"]), text, session.encoding);
                else
                    document->setText(std::move(text));
            }
            session.changed(path);
        } else if (method == "textDocument/didSave") {
            session.saved(documentPath(params));
        } else if (method == "textDocument/didClose") {
            session.closed(documentPath(params));
        } else if (method == "workspace/didChangeConfiguration") {
            const std::vector<std::string> decks =
                mainDecksIn(params.value("settings", json::object()), session.workspace.root());
            session.workspace.setMainDecks(decks);
            session.settingsChanged();
        }
    } catch (const std::exception& error) {
        session_->notify("window/logMessage",
                         {{"type", 1}, {"message", method + ": " + error.what()}});
    }
}

bool LanguageServer::hasPendingWork() const {
    return session_->hasPendingWork();
}

void LanguageServer::doPendingWork() {
    try {
        session_->doPendingWork();
    } catch (const std::exception& error) {
        session_->notify("window/logMessage",
                         {{"type", 1}, {"message", std::string("reading: ") + error.what()}});
    }
}

int serveLanguage(int in, int out, const ABImport& registry) {
    MessageChannel channel(in, out);
    bool outputClosed = false;
    LanguageServer server(registry, [&](const json& message) {
        if (!outputClosed)
            outputClosed =
                !channel.send(message.dump(-1, ' ', false, json::error_handler_t::replace));
    });
    std::string body, error;
    using Clock = std::chrono::steady_clock;
    Clock::time_point pendingSince;
    bool waiting = false;
    while (!server.exited()) {
        if (!server.hasPendingWork()) {
            waiting = false;
        } else if (!waiting) {
            waiting = true;
            pendingSince = Clock::now();
        } else if (Clock::now() - pendingSince >= kMostDelay) {
            server.doPendingWork();
            continue;
        }
        const int wait = server.hasPendingWork() ? kQuietMs : -1;
        const MessageChannel::Read got = channel.next(body, wait, error);
        switch (got) {
            case MessageChannel::Read::Message:
                server.handle(std::move(body));
                body = std::string();  // a large message's memory goes at once
                break;
            case MessageChannel::Read::Timeout: server.doPendingWork(); break;
            case MessageChannel::Read::Malformed: server.malformed(error); break;
            case MessageChannel::Read::Closed: return server.exitCode();
        }
    }
    return server.exitCode();
}

}  // namespace abimport::lsp
