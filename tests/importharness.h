// Test harness for the importers: runs an import function on a deck held in
// memory through the recording host and writes down every card appended and
// every host call made, one line each, in the order they happen.
//
// Card line: name, then NAME=value per field (value only when names are not
// kept), "_" for a blank placeholder, ":W" after a value whose width is not 10,
// and empty=[...] for the empty fields. Integers print as 12, doubles always
// with a point or exponent (1.0, 1e+30).
// Call line: "addIDToRefFile pos:word@code1/code2 ..." or
// "airbagFind count word|word|...", words without leading blanks or newline.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../host/hostcalls.h"
#include "../keywords/importfunctions.h"
#include "deckfile.h"

namespace abimport {

using Lines = std::vector<std::string>;

// Restores the host's Card::contFlag after every test.
class ImporterTest : public ::testing::Test {
protected:
    void TearDown() override { Card::contFlag = saved_; }
    const unsigned saved_ = Card::contFlag;
};

// Getters of another class give zero, so both are read.
inline std::string valueText(Data& value) {
    if (value.typeCode != kIntegerCode && value.typeCode != kDoubleCode)
        return value.typeCode == kBlankCode ? "_" : "?" + std::to_string(value.typeCode);
    int integer = 0;
    double real = 0;
    value.value(&integer);
    value.value(&real);
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", real);
    std::string shown = value.typeCode == kIntegerCode ? std::to_string(integer) : text;
    if (value.typeCode == kDoubleCode && !std::strpbrk(text, ".en")) shown += ".0";
    return value.width == 10 ? shown : shown + ":" + std::to_string(value.width);
}

inline std::string cardLine(const Card& card) {
    std::string line = card.name, empty;
    const bool named = card.fieldNames.size() == card.fields.size();
    for (size_t i = 0; i < card.fields.size(); ++i) {
        const bool blank = card.fields[i]->typeCode == kBlankCode;
        line +=
            " " + (named && !blank ? card.fieldNames[i] + "=" : "") + valueText(*card.fields[i]);
    }
    for (const std::string& name : card.emptyFieldNames) empty += (empty.empty() ? "" : ",") + name;
    return card.emptyFieldNames.empty() ? line : line + " empty=[" + empty + "]";
}

inline std::string callLine(const HostCall& call) {
    const bool ids = call.kind == HostCallKind::IdReport;
    std::string line =
        hostCallName(call.kind) + (ids ? "" : " " + std::to_string(call.count) + " ");
    for (size_t k = 0; k < call.words.size(); ++k) {
        std::string word = call.words[k];
        word.erase(0, word.find_first_not_of(' '));
        if (!word.empty() && word.back() == '\n') word.pop_back();
        line += ids ? " " + std::to_string(call.idPos[k]) + ":" + word + "@" +
                          std::to_string(call.idCode1[k]) + "/" + std::to_string(call.idCode2[k])
                    : (k ? "|" : "") + word;
    }
    return line;
}

// The recording host of one import: at each call, the cards appended since the
// last one are written down first, then the call; onCall may act as a host can.
struct Transcript : HostCallRecorder {
    HostImportObject target{this};
    Lines lines;       // cards and host calls in order
    std::string next;  // what the host reads next: the keyword line that ended
                       // the import (flag 0x8), then the text left unread
    std::function<void()> onCall = [] {};

    void showCards() {
        for (size_t i = lines.size() - calls.size(); i < target.cards.size(); ++i)
            lines.push_back(cardLine(*target.cards[i]));
    }
    void showCall() { lines.push_back(callLine(calls.back())), onCall(); }
    void idReport(char** w, unsigned n, const unsigned* p, const unsigned* c1, const unsigned* c2,
                  unsigned long long line) override {
        showCards(), HostCallRecorder::idReport(w, n, p, c1, c2, line), showCall();
    }
    void airbagCall(HostCallKind kind, char** w, unsigned n, unsigned long long line) override {
        showCards(), HostCallRecorder::airbagCall(kind, w, n, line), showCall();
    }
};

// Runs import on deck with the current Card::contFlag; the import returns 0.
inline void runImport(Transcript& host, ImportFunction import, const std::string& deck) {
    DeckFile file(deck);
    DataLine line(file.get());
    EXPECT_EQ(import(&line, &host.target), 0u);
    host.showCards();
    if (line.flags & DataLine::kKeywordReached) host.next = line.keywordLine;
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, file.get());) host.next += buffer;
}

inline Lines split(const std::string& text, char separator) {
    Lines parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

// Rewrites the data lines of a deck written in blank-separated words ("~" for
// a blank field): right-aligned in the widths (the last one repeats), or
// joined by commas when there are none. Keyword, comment, empty lines stay.
using Form = std::vector<unsigned>;
const std::vector<Form> kBothForms = {{10}, {}};

inline std::string inForm(const std::string& deck, const Form& widths) {
    std::string out, line;
    for (std::istringstream in(deck); std::getline(in, line); out += '\n') {
        const bool data = !line.empty() && line[0] != '*' && line[0] != '$';
        const Lines words = split(data ? line : "", ' ');
        if (!data) out += line;
        for (size_t i = 0; i < words.size(); ++i) {
            const std::string word = words[i] == "~" ? " " : words[i];
            const size_t width = widths.empty() ? 0 : widths[std::min(i, widths.size() - 1)];
            out += (widths.empty() && i ? "," : "") +
                   std::string(width > word.size() ? width - word.size() : 0, ' ') + word;
        }
    }
    return out;
}

// A deck in blank-separated words, what the import gives under Card::contFlag
// 0x16, one line per card or call (or blank-separated when all are names), and
// the text the host reads next. A line that is only a name stands for any card
// or call of that name; "Name()" is a card without fields.
struct ImportCase {
    const char* label;
    std::string deck, want, next;
};

// Every case in every form under the flag words 0, 0x4, 0x10, 0x14 and 0x16:
// the import reads the same lines whatever the flags; cards come only under
// 0x4, named only under 0x2, host calls only under 0x10.
inline void expectImports(ImportFunction import, const std::vector<ImportCase>& cases,
                          const std::vector<Form>& forms = kBothForms) {
    static const std::regex fieldName(" (?!empty=)[^ =]+=");
    for (const ImportCase& c : cases) {
        for (const Form& form : forms) {
            for (unsigned flag : {0x0u, 0x4u, 0x10u, 0x14u, 0x16u}) {
                const std::string deck = inForm(c.deck, form);
                SCOPED_TRACE(c.label + ("\nflags " + std::to_string(flag) + "\n") + deck);
                Card::contFlag = flag;
                Transcript run;
                runImport(run, import, deck);
                Lines want;
                for (const std::string& line :
                     split(c.want, c.want.find('\n') == std::string::npos ? ' ' : '\n')) {
                    const bool call = line.rfind("addID", 0) == 0 || line.rfind("airbag", 0) == 0;
                    if (!(flag & (call ? Card::kReportIds : Card::kBuildCards))) continue;
                    const bool named = call || (flag & Card::kKeepNames);
                    want.push_back(named ? line : std::regex_replace(line, fieldName, " "));
                }
                for (size_t i = 0; i < run.lines.size() && i < want.size(); ++i) {
                    const std::string& line = run.lines[i];
                    if (want[i].find(' ') == std::string::npos &&
                        (line + "()" == want[i] || line.rfind(want[i] + " ", 0) == 0))
                        run.lines[i] = want[i];
                }
                EXPECT_EQ(run.lines, want);
                EXPECT_EQ(run.next, inForm(c.next, form));
            }
        }
    }
}

}  // namespace abimport
