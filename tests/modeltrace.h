// Test helper: a model written into a scratch folder (main.k and the files it
// includes), imported through the host's deck loop, and everything the loop
// reports written down one line each, paths relative to the folder:
//   "include main.k:3 parts/a.k"     an include opened from main.k, line 3
//   "keyword a.k:2 AIRBAG_ALE"       a keyword line and its file
//   "warning main.k:7 long-line"     a warning and the line it names
//   "card NodeInfo 5" / "call addIDToRefFile 5"  a card or host call and its line ("-": none)
#pragma once

#include <map>
#include <string>
#include <vector>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "../host/readchecks.h"
#include "../output/warningkinds.h"
#include "deckloop.h"
#include "importharness.h"
#include "toolrun.h"

namespace abimport {

using Lines = std::vector<std::string>;

struct ModelTrace : DeckObserver, HostCallListener {
    explicit ModelTrace(const ModelFolder& f) : folder(f) {}
    const ModelFolder& folder;
    Lines events;
    bool cards = false, calls = false;  // write cards and host calls down too
    // Cards as the importer harness writes them (with "FIELD<-name" for each
    // field that took a parameter) and calls with their words; warnings with
    // the columns they name ("7 short-count 31-40").
    bool values = false, columns = false;

    static std::string at(unsigned long long line) { return line ? std::to_string(line) : "-"; }
    std::string where(const std::string& file, unsigned long long line) const {
        return folder.relative(file) + ":" + at(line);
    }
    void includeOpened(const SourceFile& include, const SourceFile& from) override {
        events.push_back("include " + where(*from.path, include.includeLine) + " " +
                         folder.relative(*include.path));
    }
    void keywordStarts(const KeywordSource& k) override {
        events.push_back("keyword " + where(*k.file.path, k.line) + " " + k.keyword.title);
    }
    void keywordEnds(const ImportedKeyword& k) override {
        for (size_t i = k.firstCard; cards && i < k.target.cards.size(); ++i) {
            std::string card = k.target.cards[i]->name;
            if (values) {
                card = cardLine(*k.target.cards[i]);
                if (const CardParameters* taken = parametersOf(k.parameters, i - k.firstCard))
                    for (const auto& [field, name] : *taken) card += " " + field + "<-" + name;
            }
            events.push_back("card " + card + " " + at(k.cardLines[i - k.firstCard]));
        }
    }
    void warning(const Warning& w) override {
        events.push_back(
            "warning " + where(*w.file, w.line) + " " + warningKindName(w.kind) +
            (columns ? " " + std::to_string(w.columns.first) + "-" + std::to_string(w.columns.last)
                     : ""));
        messages.push_back(w.message);
    }
    void idReport(char** w, unsigned n, const unsigned* p, const unsigned* c1, const unsigned* c2,
                  unsigned long long line) override {
        recorded.idReport(w, n, p, c1, c2, line), call(line);
    }
    void airbagCall(HostCallKind kind, char** w, unsigned n, unsigned long long line) override {
        recorded.airbagCall(kind, w, n, line), call(line);
    }
    void call(unsigned long long line) {
        const HostCall& made = recorded.calls.back();
        if (calls)
            events.push_back("call " + (values ? callLine(made) : hostCallName(made.kind)) + " " +
                             at(line));
    }
    Lines messages;
    HostCallRecorder recorded;
};

// Imports the folder's main.k (or the deck named) with the settings.
struct ModelRun {
    size_t keywords;
    bool includeFailed;
    std::vector<std::string> files;  // relative paths, as opened
};
inline ModelRun importModel(const ModelFolder& folder, ModelTrace& trace, ImportSettings settings,
                            const std::string& deck = "main.k") {
    HostImportObject target(&trace);
    settings.cardLines = true;
    ModelRun run{0, false, {}};
    run.keywords = importFile(folder.path(deck), target, &trace, settings, [&](const auto& model) {
        run.includeFailed = model.includeFailed();
        for (const SourceFile& file : model.files())
            run.files.push_back(folder.relative(*file.path));
    });
    return run;
}

}  // namespace abimport
