// What the server holds between messages: the open documents, the workspace,
// the models read and the diagnostics published for them.
#pragma once

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "../frame/hostinterface.h"
#include "documents.h"
#include "modelreading.h"
#include "workspace.h"

namespace abimport::lsp {

class Session {
public:
    // At most this many diagnostics are published for one file; one more
    // says how many were left out.
    static constexpr size_t kMostDiagnostics = 2000;

    using Notify = std::function<void(const std::string& method, nlohmann::json params)>;
    Session(const ABImport& registry, Notify notify) : registry_(registry), notify_(notify) {}

    const ABImport& registry() const { return registry_; }
    PositionEncoding encoding = PositionEncoding::Utf16;
    DocumentStore documents;
    Workspace workspace;

    // The editor opened, changed, saved or closed a document: its model is
    // to be read again.
    void opened(const std::string& path, std::string text);
    void changed(const std::string& path);
    void saved(const std::string& path);
    void closed(const std::string& path);
    // The settings changed (the main decks): every model is read again.
    void settingsChanged();

    bool hasPendingWork() const { return !stale_.empty(); }
    // Reads the stale models again and publishes their diagnostics.
    void doPendingWork();

    // The model of a file, read now if it is not yet read or is stale.
    const ModelReading& modelOf(const std::string& path);
    // Every model read, by main deck.
    const std::map<std::string, std::unique_ptr<ModelReading>>& models() const { return models_; }

    // A file's text: the open document, or else the file read into scratch;
    // null when it cannot be read.
    const TextDocument* documentOf(const std::string& path, TextDocument& scratch) const;

    void notify(const std::string& method, nlohmann::json params) const {
        notify_(method, std::move(params));
    }
    // The protocol range of byte columns [begin, end) of a line (0-based).
    nlohmann::json rangeOf(const TextDocument& document, size_t line, size_t begin,
                           size_t end) const;

private:
    std::string mainDeckOf(const std::string& path);
    void read(const std::string& mainDeck);
    void publish(const std::string& mainDeck, const ModelReading& model);
    nlohmann::json diagnosticOf(const ModelWarning& warning, const TextDocument* text) const;
    const std::string* bufferOf(const std::string& path) const;

    const ABImport& registry_;
    Notify notify_;
    std::map<std::string, std::unique_ptr<ModelReading>> models_;
    std::set<std::string> stale_;                             // main decks to read again
    std::map<std::string, std::set<std::string>> published_;  // files with diagnostics, by model
};

}  // namespace abimport::lsp
