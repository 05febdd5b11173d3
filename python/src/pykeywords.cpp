// Keyword, Call and KeywordList as Python classes.
#include <pybind11/stl.h>

#include <string>

#include "pysequence.h"
#include "pytext.h"
#include "pyviews.h"

namespace abimport {

namespace {

py::dict callArguments(const CallView& call) {
    py::list words;
    for (const std::string& word : call.words) words.append(deckText(word));
    py::dict out;
    if (call.table.kind == HostCallKind::IdReport) {
        out["idCount"] = call.table.count;
        out["idPos"] = call.table.idPos;
        out["idCode1"] = call.table.idCode1;
        out["idCode2"] = call.table.idCode2;
    } else {
        out["wordCount"] = call.table.count;
    }
    out["words"] = words;
    return out;
}

}  // namespace

void bindKeywords(py::module_& module) {
    py::class_<CallView>(module, "Call",
                         "One host call of a keyword's import: addIDToRefFile, airbagFind, "
                         "airbagVentHoleFind or airbagAdvancedAle.")
        .def_property_readonly("name", [](const CallView& c) { return hostCallName(c.table.kind); })
        .def_property_readonly(
            "line", [](const CallView& c) { return lineObject(c.line); },
            "The line of the card that made the call, or None.")
        .def_property_readonly("arguments", &callArguments,
                               "The arguments under the names of the JSON event.")
        .def_property_readonly("words",
                               [](const CallView& c) {
                                   py::list out;
                                   for (const std::string& word : c.words)
                                       out.append(deckText(word));
                                   return out;
                               })
        .def(
            "to_dict",
            [](const CallView& c) {
                py::dict out;
                out["event"] = hostCallName(c.table.kind);
                for (auto item : callArguments(c)) out[item.first] = item.second;
                out["line"] = lineObject(c.line);
                return out;
            },
            "The call as the JSON event the tool prints for it.")
        .def("__repr__", [](const CallView& c) {
            return "<Call " + std::string(hostCallName(c.table.kind)) + " line " +
                   std::to_string(c.line) + ">";
        });

    py::class_<KeywordView>(module, "Keyword", "One imported airbag keyword and its cards.")
        .def_property_readonly(
            "title", [](const KeywordView& k) { return k.keyword().keyword->title; },
            "The canonical title without the '*', e.g. 'AIRBAG_ALE'.")
        .def_property_readonly(
            "code", [](const KeywordView& k) { return k.keyword().keyword->code; },
            "The keyword's type code, 1 to 8.")
        .def_property_readonly(
            "file", [](const KeywordView& k) { return pathText(*k.keyword().file); },
            "The file the keyword line is in.")
        .def_property_readonly(
            "line", [](const KeywordView& k) { return k.keyword().line; },
            "The line of the keyword line in its file.")
        .def_property_readonly(
            "index", [](const KeywordView& k) { return k.index; },
            "The keyword's position in Deck.keywords.")
        .def_property_readonly(
            "cards",
            [](const KeywordView& k) {
                return CardRange{k.deck, k.keyword().firstCard, k.keyword().cardCount};
            },
            "The cards its import built.")
        .def_property_readonly(
            "calls",
            [](const KeywordView& k) {
                py::list out;
                for (const LoggedCall& call : k.deck->callsOf(k.keyword())) {
                    CallView view{*call.table, call.line, {}};
                    for (auto word : call.words) view.words.emplace_back(word);
                    out.append(std::move(view));
                }
                return out;
            },
            "The host calls of its import, in order.")
        .def("__repr__", [](const KeywordView& k) {
            const DeckKeyword& keyword = k.keyword();
            return "<Keyword " + std::string(keyword.keyword->title) + " at " +
                   py::str(pathText(*keyword.file)).cast<std::string>() + ":" +
                   std::to_string(keyword.line) + ", " + counted(keyword.cardCount, "card") + ">";
        });

    bindSequence<KeywordRange>(module, "KeywordList", "_KeywordIterator",
                               "The keywords of a deck, in the order they were imported.");
}

}  // namespace abimport
