// The language server: JSON-RPC requests and notifications of the Language
// Server Protocol in, replies and notifications out. It keeps the documents
// the editor has open and the models they belong to, and publishes the
// diagnostics of a model's files when a file of it opens, changes or is saved.
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "../frame/hostinterface.h"

namespace abimport::lsp {

class Session;

class LanguageServer {
public:
    using Send = std::function<void(const nlohmann::json& message)>;

    // registry: the import functions; send: every message the server sends.
    LanguageServer(const ABImport& registry, Send send);
    ~LanguageServer();
    LanguageServer(const LanguageServer&) = delete;
    LanguageServer& operator=(const LanguageServer&) = delete;

    // Handles one message as it came: its body, JSON or not. Never throws.
    void handle(std::string body);
    // Reports a message that could not even be framed.
    void malformed(const std::string& error);

    // Whether changed models wait to be read again, and reads them (which
    // publishes their diagnostics). The caller runs it once the editor is
    // quiet for a moment, so that a burst of edits makes one reading.
    bool hasPendingWork() const;
    void doPendingWork();

    // After the exit notification: the process's exit status (0 when shutdown came first).
    bool exited() const { return exited_; }
    int exitCode() const { return exitCode_; }

private:
    void handleRequest(const nlohmann::json& message);
    // The message's text fields may be moved out.
    void handleNotification(nlohmann::json& message);
    nlohmann::json initialize(const nlohmann::json& params);
    void reply(const nlohmann::json& id, nlohmann::json result);
    void replyError(const nlohmann::json& id, int code, const std::string& message);

    Send send_;
    std::unique_ptr<Session> session_;
    bool initialized_ = false, shutdown_ = false, exited_ = false;
    int exitCode_ = 1;
};

// Serves the protocol on two file descriptors until the exit notification
// or the end of the input; returns the exit status.
int serveLanguage(int in, int out, const ABImport& registry);

}  // namespace abimport::lsp
