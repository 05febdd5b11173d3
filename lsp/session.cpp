#include "session.h"

#include <tuple>

#include "uri.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {}  // namespace

void Session::opened(const std::string& path, std::string text) {
    documents.open(path, std::move(text), 0);
    workspace.fileChanged(path, &documents.find(path)->text());
    stale_.insert(mainDeckOf(path));
}

void Session::changed(const std::string& path) {
    const TextDocument* document = documents.find(path);
    workspace.fileChanged(path, document ? &document->text() : nullptr);
    stale_.insert(mainDeckOf(path));
}

void Session::saved(const std::string& path) {
    changed(path);
}

void Session::closed(const std::string& path) {
    documents.close(path);
    // The file on disk counts from now on, which may differ from the buffer.
    changed(path);
}

void Session::settingsChanged() {
    for (const std::string& deck : workspace.mainDecks()) stale_.insert(deck);
    for (const auto& [deck, model] : models_) stale_.insert(deck);
}

std::string Session::mainDeckOf(const std::string& path) {
    if (!workspace.scanned()) {
        // The folder as on disk, then the open buffers as the editor holds them.
        workspace.scan();
        for (const auto& [open, document] : documents.all())
            workspace.fileChanged(open, &document.text());
    }
    for (const std::string& deck : workspace.mainDecks()) {
        if (deck == path) return deck;
        if (!models_.count(deck)) read(deck);
        if (models_[deck]->fileIndex(path) != kNoFile) return deck;
    }
    for (const auto& [deck, model] : models_) {
        if (deck != path && model->fileIndex(path) != kNoFile) return deck;
    }
    return workspace.mainDeckOf(path);
}

const std::string* Session::bufferOf(const std::string& path) const {
    const TextDocument* document = documents.find(path);
    return document ? &document->text() : nullptr;
}

void Session::read(const std::string& mainDeck) {
    stale_.erase(mainDeck);
    // The reading before goes first: a large model's check is not held twice.
    models_.erase(mainDeck);
    auto model = std::make_unique<ModelReading>(
        registry_, mainDeck, [this](const std::string& path) { return bufferOf(path); });
    // A deck that this model includes is no model of its own any more.
    for (const ModelFile& file : model->files()) {
        if (file.path == mainDeck) continue;
        const auto other = models_.find(file.path);
        if (other == models_.end()) continue;
        published_.erase(file.path);
        models_.erase(other);
    }
    publish(mainDeck, *model);
    models_[mainDeck] = std::move(model);
}

void Session::doPendingWork() {
    while (!stale_.empty()) {
        const std::string deck = *stale_.begin();
        read(deck);
    }
}

const ModelReading& Session::modelOf(const std::string& path) {
    const std::string deck = mainDeckOf(path);
    if (stale_.count(deck) || !models_.count(deck)) read(deck);
    return *models_.at(deck);
}

const TextDocument* Session::documentOf(const std::string& path, TextDocument& scratch) const {
    if (const TextDocument* document = documents.find(path)) return document;
    std::string text;
    if (!readFileText(path, text)) return nullptr;
    scratch.setText(std::move(text));
    return &scratch;
}

json Session::rangeOf(const TextDocument& document, size_t line, size_t begin, size_t end) const {
    const Position start = document.positionOf(line, begin, encoding);
    const Position stop = document.positionOf(line, end, encoding);
    return {{"start", {{"line", start.line}, {"character", start.character}}},
            {"end", {{"line", stop.line}, {"character", stop.character}}}};
}

json Session::diagnosticOf(const ModelWarning& warning, const TextDocument* text) const {
    const size_t line = warning.line > 0 ? warning.line - 1 : 0;
    const size_t length = text ? text->line(line).size() : 0;
    size_t begin = 0, end = length;
    if (warning.firstColumn > 0) {
        begin = std::min<size_t>(warning.firstColumn - 1, length);
        if (warning.lastColumn >= warning.firstColumn)
            end = std::min<size_t>(warning.lastColumn, length);
        if (end <= begin) end = std::min(begin + 1, length);
    }
    json range = text ? rangeOf(*text, line, begin, end)
                      : json{{"start", {{"line", line}, {"character", 0}}},
                             {"end", {{"line", line}, {"character", 0}}}};
    return {{"range", std::move(range)},
            {"severity", warning.error ? 1 : 2},
            {"code", warning.kind},
            {"source", "abimport"},
            {"message", warning.message}};
}

void Session::publish(const std::string& mainDeck, const ModelReading& model) {
    // A file included twice is read twice: its warnings are told once.
    std::map<std::string, std::vector<const ModelWarning*>> byPath;
    std::set<std::tuple<std::string, unsigned long long, std::string>> told;
    for (const ModelWarning& warning : model.warnings()) {
        const std::string& path = model.files()[warning.file].path;
        if (told.emplace(path, warning.line, warning.message).second)
            byPath[path].push_back(&warning);
    }
    std::set<std::string> now;
    for (const ModelFile& file : model.files()) {
        if (!now.insert(file.path).second) continue;
        json diagnostics = json::array();
        const auto found = byPath.find(file.path);
        if (found != byPath.end()) {
            TextDocument scratch;
            const TextDocument* text = documentOf(file.path, scratch);
            const std::vector<const ModelWarning*>& warnings = found->second;
            for (size_t i = 0; i < warnings.size(); ++i) {
                if (i == kMostDiagnostics) {
                    ModelWarning more = *warnings[i];
                    more.kind = "more-warnings";
                    more.firstColumn = more.lastColumn = 0;
                    more.message = std::to_string(warnings.size() - kMostDiagnostics) +
                                   " more warnings in this file are not shown";
                    diagnostics.push_back(diagnosticOf(more, text));
                    break;
                }
                diagnostics.push_back(diagnosticOf(*warnings[i], text));
            }
        }
        notify("textDocument/publishDiagnostics",
               {{"uri", uriOfPath(file.path)}, {"diagnostics", std::move(diagnostics)}});
    }
    for (const std::string& path : published_[mainDeck]) {
        if (!now.count(path))
            notify("textDocument/publishDiagnostics",
                   {{"uri", uriOfPath(path)}, {"diagnostics", json::array()}});
    }
    published_[mainDeck] = std::move(now);
}

}  // namespace abimport::lsp
