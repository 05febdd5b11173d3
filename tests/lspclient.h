// Test helper: `abimport lsp` run as a process and spoken to as an editor
// does, message by message, with every notification it sends kept.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../lsp/framing.h"
#include "../lsp/uri.h"

namespace lsptest {

using nlohmann::json;

class LspClient {
public:
    // Starts the server; initialize is the client's first request.
    explicit LspClient(const std::string& tool) {
        int toServer[2], fromServer[2];
        EXPECT_EQ(pipe(toServer), 0);
        EXPECT_EQ(pipe(fromServer), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toServer[0], STDIN_FILENO);
            dup2(fromServer[1], STDOUT_FILENO);
            for (int fd : {toServer[0], toServer[1], fromServer[0], fromServer[1]}) close(fd);
            execl(tool.c_str(), tool.c_str(), "lsp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toServer[0]);
        close(fromServer[1]);
        in_ = fromServer[0];
        out_ = toServer[1];
        signal(SIGPIPE, SIG_IGN);
        channel_ = std::make_unique<abimport::lsp::MessageChannel>(in_, out_);
    }
    ~LspClient() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(in_);
        close(out_);
    }
    LspClient(const LspClient&) = delete;
    LspClient& operator=(const LspClient&) = delete;

    void sendRaw(const std::string& bytes) {
        ASSERT_EQ(write(out_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void send(const json& message) { channel_->send(message.dump()); }
    void notify(const std::string& method, json params) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
    }
    // Sends a request and waits for its reply (the whole message: result or error).
    json request(const std::string& method, json params = json::object()) {
        const int id = ++lastId_;
        send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
        return replyTo(id);
    }
    json replyTo(const json& id) {
        for (json message; next(message);) {
            if (message.contains("id") && message["id"] == id && !message.contains("method"))
                return message;
        }
        ADD_FAILURE() << "no reply to request " << id.dump();
        return json();
    }
    json initialize(const std::string& root, json options = json::object()) {
        json reply = request("initialize", {{"processId", nullptr},
                                            {"rootUri", abimport::lsp::uriOfPath(root)},
                                            {"capabilities", json::object()},
                                            {"initializationOptions", options}});
        notify("initialized", json::object());
        return reply;
    }
    void open(const std::string& path, const std::string& text) {
        notify("textDocument/didOpen", {{"textDocument",
                                         {{"uri", abimport::lsp::uriOfPath(path)},
                                          {"languageId", "k"},
                                          {"version", 1},
                                          {"text", text}}}});
    }
    // The diagnostics published for path after every message sent so far:
    // a request's reply is awaited first, so everything before it is handled.
    json diagnostics(const std::string& path) {
        const std::string uri = abimport::lsp::uriOfPath(path);
        // Changed models are read once the editor is quiet: wait for the
        // publication that follows the last change.
        json found;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (json message; std::chrono::steady_clock::now() < until && next(message, 200);) {
            if (message.value("method", "") == "textDocument/publishDiagnostics" &&
                message["params"]["uri"] == uri)
                found = message["params"]["diagnostics"];
        }
        return found.is_null() ? lastDiagnostics(uri) : found;
    }
    // Ends the session as the protocol says; the server's exit status.
    int finish(bool shutdownFirst = true) {
        if (shutdownFirst) request("shutdown");
        notify("exit", json::object());
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<json> notifications;  // every message that was no reply, in order

private:
    // The next message within timeoutMs; false when none came.
    bool next(json& message, int timeoutMs = 10000) {
        std::string body, error;
        const auto got = channel_->next(body, timeoutMs, error);
        if (got != abimport::lsp::MessageChannel::Read::Message) return false;
        message = json::parse(body);
        if (message.contains("method")) notifications.push_back(message);
        return true;
    }
    json lastDiagnostics(const std::string& uri) const {
        for (auto it = notifications.rbegin(); it != notifications.rend(); ++it) {
            if ((*it).value("method", "") == "textDocument/publishDiagnostics" &&
                (*it)["params"]["uri"] == uri)
                return (*it)["params"]["diagnostics"];
        }
        return json();
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    int lastId_ = 0;
    std::unique_ptr<abimport::lsp::MessageChannel> channel_;
};

}  // namespace lsptest
