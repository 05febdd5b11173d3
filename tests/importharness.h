// Test harness for the importers: runs one import function on a deck held in
// memory through the recording host, and gives back the cards it appended and
// the host calls it made as one compact line each, so that a test reads as
// deck text in, expected lines out.
//
// Card line: name, then NAME=value per field (value only when names are not
// kept), "_" for a blank placeholder, ":W" after a value whose width is not 10,
// and empty=[...] for the empty fields. Integers print as 12, doubles always
// with a point or exponent (1.0, 1e+30), unsigned values as u12.
// Call line: "addIDToRefFile pos:word@code1/code2 ..." or
// "airbagFind count word|word|...". Words are shown without their leading
// blanks and without a final newline.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "deckfile.h"
#include "host/hostcalls.h"
#include "keywords/importfunctions.h"

using Lines = std::vector<std::string>;

// Restores the host's Card::contFlag after every test.
class ImporterTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = Card::contFlag; }
    void TearDown() override { Card::contFlag = saved_; }

private:
    unsigned saved_ = 0;
};

// A recorder that can also act during a call, as a host may.
class ActingRecorder : public HostCallRecorder {
public:
    std::function<void()> onCall = [] {};
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2) override {
        HostCallRecorder::idReport(words, idCount, idPos, idCode1, idCode2);
        onCall();
    }
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount) override {
        HostCallRecorder::airbagCall(kind, words, wordCount);
        onCall();
    }
};

inline std::string shownWord(std::string word) {
    word.erase(0, word.find_first_not_of(' '));
    if (!word.empty() && word.back() == '\n') word.pop_back();
    return word;
}

// The value through the getter for T, printed with format.
template <typename T>
std::string gotten(Data& value, const char* format) {
    T content{};
    value.value(&content);
    char text[64];
    std::snprintf(text, sizeof text, format, content);
    return text;
}

// The importers request no text fields, so a text value shows as "?5".
inline std::string valueText(Data& value) {
    std::string shown;
    switch (value.typeCode) {
        case kUnsignedCode: shown = "u" + gotten<unsigned>(value, "%u"); break;
        case kIntegerCode: shown = gotten<int>(value, "%d"); break;
        case kDoubleCode:
            shown = gotten<double>(value, "%.15g");
            if (shown.find_first_of(".en") == std::string::npos) shown += ".0";
            break;
        case kBlankCode: return "_";
        default: return "?" + std::to_string(value.typeCode);
    }
    if (value.width != 10) shown += ":" + std::to_string(value.width);
    return shown;
}

inline std::string cardLine(const Card& card) {
    std::string line = card.name;
    const bool named = card.fieldNames.size() == card.fields.size();
    for (size_t i = 0; i < card.fields.size(); ++i) {
        Data& value = *card.fields[i];
        line += ' ';
        if (named && value.typeCode != kBlankCode) line += card.fieldNames[i] + "=";
        line += valueText(value);
    }
    if (!card.emptyFieldNames.empty()) {
        line += " empty=[";
        for (size_t i = 0; i < card.emptyFieldNames.size(); ++i) {
            line += (i ? "," : "") + card.emptyFieldNames[i];
        }
        line += ']';
    }
    return line;
}

inline std::string callLine(const HostCall& call) {
    std::string line = hostCallName(call.kind);
    if (call.kind == HostCallKind::IdReport) {
        for (size_t k = 0; k < call.idPos.size(); ++k) {
            line += ' ' + std::to_string(call.idPos[k]) + ':' + shownWord(call.words[k]) + '@' +
                    std::to_string(call.idCode1[k]) + '/' + std::to_string(call.idCode2[k]);
        }
        return line;
    }
    line += ' ' + std::to_string(call.count) + ' ';
    for (size_t k = 0; k < call.words.size(); ++k)
        line += (k ? "|" : "") + shownWord(call.words[k]);
    return line;
}

struct ImportRun {
    unsigned result = 0;
    Lines cards;        // cardLine of every appended card, in order
    Lines calls;        // callLine of every host call, in order
    std::string names;  // card names, "()" after a card without fields
    std::string callNames;
    std::string rest;    // the deck text the import left unread
    unsigned flags = 0;  // the DataLine's flags afterwards
    std::string keywordLine;
};

inline void appendWord(std::string& list, const std::string& word) {
    list += (list.empty() ? "" : " ") + word;
}

// Runs import on deck with the current Card::contFlag.
inline ImportRun runImport(ImportFunction import, const std::string& deck,
                           HostCallRecorder* recorder = nullptr) {
    DeckFile file(deck);
    HostCallRecorder ownRecorder;
    if (!recorder) recorder = &ownRecorder;
    HostImportObject target(recorder);
    ImportRun run;
    {
        DataLine dataLine(file.get());
        run.result = import(&dataLine, &target);
        run.flags = dataLine.flags;
        run.keywordLine = dataLine.keywordLine;
    }
    for (const Card* card : target.cards) {
        run.cards.push_back(cardLine(*card));
        const bool fieldless = card->fields.empty() && card->emptyFieldNames.empty();
        appendWord(run.names, card->name + (fieldless ? "()" : ""));
    }
    for (const HostCall& call : recorder->calls) {
        run.calls.push_back(callLine(call));
        appendWord(run.callNames, hostCallName(call.kind));
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file.get())) run.rest += buffer;
    return run;
}

// A fixed-column data line: each text right-aligned in its width; the last
// width repeats for the remaining texts.
inline std::string fixedRow(const Lines& texts, const std::vector<unsigned>& widths = {10}) {
    std::string row;
    for (size_t i = 0; i < texts.size(); ++i) {
        const unsigned width = widths[i < widths.size() ? i : widths.size() - 1];
        row += std::string(width > texts[i].size() ? width - texts[i].size() : 0, ' ') + texts[i];
    }
    return row + "\n";
}

// Deck text written with blank-separated words, rewritten in one of the two
// forms a deck uses. Keyword, comment and empty lines stay as they are.
inline std::string rewriteDataLines(const std::string& deck,
                                    const std::function<std::string(const Lines&)>& form) {
    std::string out;
    for (size_t start = 0; start < deck.size();) {
        size_t end = deck.find('\n', start);
        if (end == std::string::npos) end = deck.size();
        const std::string line = deck.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '*' || line[0] == '$') {
            out += line + "\n";
            continue;
        }
        Lines words;
        for (size_t i = 0; (i = line.find_first_not_of(' ', i)) != std::string::npos;) {
            const size_t stop = line.find(' ', i);
            words.push_back(line.substr(i, stop == std::string::npos ? stop : stop - i));
            i = stop;
        }
        out += form(words);
    }
    return out;
}

inline std::string fixedDeck(const std::string& deck, const std::vector<unsigned>& widths = {10}) {
    return rewriteDataLines(deck, [&](const Lines& words) { return fixedRow(words, widths); });
}

inline std::string commaDeck(const std::string& deck) {
    return rewriteDataLines(deck, [](const Lines& words) {
        std::string line;
        for (const std::string& word : words) line += (line.empty() ? "" : ",") + word;
        return line + "\n";
    });
}

// Both forms of a deck written with blank-separated words.
using DeckForm = std::string (*)(const std::string&);
inline std::string fixedForm(const std::string& deck) {
    return fixedDeck(deck);
}
const std::vector<DeckForm> kBothForms = {fixedForm, commaDeck};

// Under Card::contFlag 0, 0x4, 0x10 and 0x14 the import reads the same lines:
// cards (without names) only under 0x4, host calls only under 0x10.
inline void expectFlagsOnlySelect(ImportFunction import, const std::string& deck,
                                  const std::string& names, const std::string& callNames,
                                  const std::string& rest) {
    for (unsigned flag : {0x0u, 0x4u, 0x10u, 0x14u}) {
        SCOPED_TRACE(flag);
        Card::contFlag = flag;
        ImportRun run = runImport(import, deck);
        EXPECT_EQ(run.names, flag & 0x4 ? names : "");
        EXPECT_EQ(run.callNames, flag & 0x10 ? callNames : "");
        EXPECT_EQ(run.rest, rest);
        for (const std::string& card : run.cards) EXPECT_EQ(card.find('='), std::string::npos);
    }
}

inline std::string asWritten(const std::string& deck) {
    return deck;
}

// A deck in blank-separated words and what the import makes of it in every
// given form: the cards, the host calls and the deck text left unread.
struct CardCase {
    const char* label;
    std::string deck;
    Lines cards, calls;
    std::string rest;
};

inline void expectCards(ImportFunction import, const std::vector<CardCase>& cases,
                        const std::vector<DeckForm>& forms) {
    for (const CardCase& c : cases) {
        for (DeckForm form : forms) {
            SCOPED_TRACE(c.label + ("\n" + form(c.deck)));
            ImportRun run = runImport(import, form(c.deck));
            EXPECT_EQ(run.result, 0u);
            EXPECT_EQ(run.cards, c.cards);
            EXPECT_EQ(run.calls, c.calls);
            EXPECT_EQ(run.rest, form(c.rest));
        }
    }
}

// The same for a keyword's card flow: the card names ("()" after a card
// without fields) and the names of the host functions called.
struct FlowCase {
    const char* label;
    std::string deck, names, calls, rest;
};

inline void expectFlows(ImportFunction import, const std::vector<FlowCase>& cases) {
    for (const FlowCase& c : cases) {
        for (DeckForm form : kBothForms) {
            SCOPED_TRACE(c.label + ("\n" + form(c.deck)));
            ImportRun run = runImport(import, form(c.deck));
            EXPECT_EQ(run.names, c.names);
            EXPECT_EQ(run.callNames, c.calls);
            EXPECT_EQ(run.rest, form(c.rest));
        }
    }
}
