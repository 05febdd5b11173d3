// The --json output: one JSON object per line for each keyword, each host
// call of its import and each card it built, written as they happen.
#pragma once

#include <cstdio>
#include <string>

#include "../host/deckimport.h"
#include "../host/hostcalls.h"

class JsonEventWriter : public HostCallListener, public DeckObserver {
public:
    explicit JsonEventWriter(FILE* out) : out_(out) {}

    // {"event":"deck","path":...}: marks the start of a deck when a call
    // handles several.
    void deckStarts(const std::string& path);

    void keywordStarts(const KeywordTitle& keyword) override;
    void keywordEnds(const KeywordTitle& keyword, const ImportObject& target,
                     size_t firstCard) override;
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount) override;

private:
    void writeCard(Card& card);
    // Writes the line built in line_ and starts a new one.
    void flushLine();

    FILE* out_;
    std::string line_;
};
