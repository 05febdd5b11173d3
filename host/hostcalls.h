// The stand-in host's side of the reporting functions: each call is passed on
// to the listener of the import target, if it has one, with the line of the
// card that made it.
#pragma once

#include <string>
#include <vector>

#include "../frame/hostinterface.h"

namespace abimport {

enum class HostCallKind { IdReport, AirbagFind, AirbagVentHoleFind, AirbagAdvancedAle };

// Name of the reporting function: "addIDToRefFile", "airbagFind", ...
const char* hostCallName(HostCallKind kind);

// line: the number of the data line the card came from, or 0 where no data
// line gave it (a read that met the end of the file) or the host does not know.
class HostCallListener {
public:
    virtual ~HostCallListener();
    // addIDToRefFile: the rows of the ID field table and the word list.
    virtual void idReport(char** words, unsigned idCount, const unsigned* idPos,
                          const unsigned* idCode1, const unsigned* idCode2,
                          unsigned long long line) = 0;
    // airbagFind, airbagVentHoleFind, airbagAdvancedAle: the count as passed.
    virtual void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                            unsigned long long line) = 0;
};

// The import target of the stand-in host: the card list plus a listener for
// the reporting functions.
class HostImportObject : public ImportObject {
public:
    explicit HostImportObject(HostCallListener* callListener = nullptr) : listener(callListener) {}
    HostCallListener* listener;
    // The reader of the deck being imported, which knows the card's line;
    // set by the deck loop while it runs.
    const DataLine* reader = nullptr;
};

// One reporting call as it was received, with the texts copied at call time.
struct HostCall {
    HostCallKind kind;
    unsigned count;  // idCount, or wordCount for the airbag calls
    std::vector<unsigned> idPos, idCode1, idCode2;
    // The word at each idPos[k], or words 0 to wordCount - 1.
    std::vector<std::string> words;
    unsigned long long line = 0;
};

// A listener that keeps every call.
class HostCallRecorder : public HostCallListener {
public:
    void idReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                  const unsigned* idCode2, unsigned long long line) override;
    void airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                    unsigned long long line) override;
    std::vector<HostCall> calls;
};

// A word of the list as text; a missing word reads as empty.
inline std::string wordText(char** words, unsigned pos) {
    return words && words[pos] ? std::string(words[pos]) : std::string();
}

// The words an airbag call hands over: the count as passed, but no more than
// the word list holds.
inline unsigned airbagCallWords(unsigned wordCount) {
    return wordCount < DataLine::kWordBufferCount ? wordCount : DataLine::kWordBufferCount;
}

}  // namespace abimport
