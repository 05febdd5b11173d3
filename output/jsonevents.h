// The --json output: one JSON object per line for each keyword, each host
// call of its import, each card it built, each include opened and each
// warning, written as they happen. The event texts are built by the append
// functions, which also serve to write the events again from a kept import.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"
#include "jsontext.h"

namespace abimport {

void appendDeckEvent(std::string& out, const std::string& path);
void appendKeywordEvent(std::string& out, const KeywordDescription& keyword,
                        const std::string& file, unsigned long long line);
void appendIncludeEvent(std::string& out, const std::string& file, unsigned long long line,
                        const std::string& path);
void appendWarningEvent(std::string& out, const Warning& warning);
// cardText is scratch space for the card's text; parameters, the fields that
// took a parameter's value ("parameters": {"FIELD": "name"}), if any.
void appendCardEvent(std::string& out, Card& card, unsigned long long line, std::string& cardText,
                     const CardParameters* parameters = nullptr);

// A line number, or null for 0 (no line).
void appendJsonLine(JsonText& out, unsigned long long line);
void appendUnsignedArray(JsonText& out, const unsigned* values, unsigned count);

// The end of a host call's event: its words, wordOf(k) for k below count,
// and its line.
template <class WordOf>
void appendWordsAndLine(JsonText& out, unsigned count, WordOf wordOf, unsigned long long line) {
    out.raw(",\"words\":[");
    for (unsigned k = 0; k < count; ++k) {
        if (k) out.raw(',');
        const std::string_view word = wordOf(k);
        out.string(word.data(), word.size());
    }
    out.raw("],\"line\":");
    appendJsonLine(out, line);
    out.raw('}');
}

// addIDToRefFile; wordOf(k) gives the word of row k (the word at idPos[k]).
template <class WordOf>
void appendIdReportEvent(std::string& text, unsigned idCount, const unsigned* idPos,
                         const unsigned* idCode1, const unsigned* idCode2, WordOf wordOf,
                         unsigned long long line) {
    JsonText out(text);
    out.raw("{\"event\":\"addIDToRefFile\",\"idCount\":");
    out.number(idCount);
    out.raw(",\"idPos\":");
    appendUnsignedArray(out, idPos, idCount);
    out.raw(",\"idCode1\":");
    appendUnsignedArray(out, idCode1, idCount);
    out.raw(",\"idCode2\":");
    appendUnsignedArray(out, idCode2, idCount);
    appendWordsAndLine(out, idCount, wordOf, line);
}

// airbagFind, airbagVentHoleFind, airbagAdvancedAle: the count as passed and
// the first airbagCallWords(wordCount) words.
template <class WordOf>
void appendAirbagCallEvent(std::string& text, HostCallKind kind, unsigned wordCount, WordOf wordOf,
                           unsigned long long line) {
    JsonText out(text);
    out.raw("{\"event\":\"");
    const char* name = hostCallName(kind);
    out.raw(name, std::strlen(name));
    out.raw("\",\"wordCount\":");
    out.number(wordCount);
    appendWordsAndLine(out, airbagCallWords(wordCount), wordOf, line);
}

class JsonEventWriter : public HostCallListener, public DeckObserver {
public:
    explicit JsonEventWriter(FILE* out) : out_(out) {}
    ~JsonEventWriter() override;
    JsonEventWriter(const JsonEventWriter&) = delete;
    JsonEventWriter& operator=(const JsonEventWriter&) = delete;

    // {"event":"deck","path":...}: marks the start of a deck when a call
    // handles several.
    void deckStarts(const std::string& path);

    void includeOpened(const SourceFile& include, const SourceFile& includingFile) override;
    void keywordStarts(const KeywordSource& keyword) override;
    void keywordEnds(const ImportedKeyword& keyword) override;
    void warning(const Warning& warning) override;
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2, unsigned long long line) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                    unsigned long long line) override;

    // Writes out what is buffered.
    void flush();

private:
    // Ends the event built in buffer_ with its newline; writes the buffer out
    // when it has grown large.
    void endEvent();

    FILE* out_;
    std::string buffer_;
};

}  // namespace abimport
