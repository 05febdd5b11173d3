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
#include "../output/warningkinds.h"
#include "deckloop.h"
#include "toolrun.h"

namespace abimport {

using Lines = std::vector<std::string>;

struct ModelTrace : DeckObserver, HostCallListener {
    explicit ModelTrace(const ModelFolder& f) : folder(f) {}
    const ModelFolder& folder;
    Lines events;
    bool cards = false, calls = false;  // write cards and host calls down too

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
        for (size_t i = k.firstCard; cards && i < k.target.cards.size(); ++i)
            events.push_back("card " + k.target.cards[i]->name + " " +
                             at(k.cardLines[i - k.firstCard]));
    }
    void warning(const Warning& w) override {
        events.push_back("warning " + where(*w.file, w.line) + " " + warningKindName(w.kind));
        messages.push_back(w.message);
    }
    void idReport(char**, unsigned, const unsigned*, const unsigned*, const unsigned*,
                  unsigned long long line) override {
        if (calls) events.push_back("call addIDToRefFile " + at(line));
    }
    void airbagCall(HostCallKind kind, char**, unsigned, unsigned long long line) override {
        if (calls) events.push_back(std::string("call ") + hostCallName(kind) + " " + at(line));
    }
    Lines messages;
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
