#include "hostcalls.h"

namespace abimport {

namespace {

HostImportObject* hostOf(ImportObject* importObject) {
    auto* host = dynamic_cast<HostImportObject*>(importObject);
    return host && host->listener ? host : nullptr;
}

// The line of the card being read: the reader's last line, unless that read
// found no more line in the deck.
unsigned long long cardLine(const HostImportObject& host) {
    return host.reader && !host.reader->endOfFile ? host.reader->lineNumber : 0;
}

int passAirbagCall(HostCallKind kind, char** words, unsigned wordCount,
                   ImportObject* importObject) {
    if (HostImportObject* host = hostOf(importObject)) {
        host->listener->airbagCall(kind, words, wordCount, cardLine(*host));
    }
    return 0;
}

}  // namespace

const char* hostCallName(HostCallKind kind) {
    switch (kind) {
        case HostCallKind::IdReport: return "addIDToRefFile";
        case HostCallKind::AirbagFind: return "airbagFind";
        case HostCallKind::AirbagVentHoleFind: return "airbagVentHoleFind";
        case HostCallKind::AirbagAdvancedAle: return "airbagAdvancedAle";
    }
    return "";
}

HostCallListener::~HostCallListener() = default;

void HostCallRecorder::idReport(char** words, unsigned idCount, const unsigned* idPos,
                                const unsigned* idCode1, const unsigned* idCode2,
                                unsigned long long line) {
    HostCall call{HostCallKind::IdReport, idCount, {}, {}, {}, {}, line};
    for (unsigned k = 0; k < idCount; ++k) {
        call.idPos.push_back(idPos[k]);
        call.idCode1.push_back(idCode1[k]);
        call.idCode2.push_back(idCode2[k]);
        call.words.push_back(wordText(words, idPos[k]));
    }
    calls.push_back(std::move(call));
}

void HostCallRecorder::airbagCall(HostCallKind kind, char** words, unsigned wordCount,
                                  unsigned long long line) {
    HostCall call{kind, wordCount, {}, {}, {}, {}, line};
    for (unsigned k = 0; k < airbagCallWords(wordCount); ++k)
        call.words.push_back(wordText(words, k));
    calls.push_back(std::move(call));
}

}  // namespace abimport

// The host's reporting functions: each hands its call to the listener of the
// import object, if it is one of ours.
using abimport::cardLine;
using abimport::HostCallKind;
using abimport::HostImportObject;
using abimport::hostOf;
using abimport::passAirbagCall;

int addIDToRefFile(char** words, unsigned& idCount, unsigned* idPos, unsigned* idCode1,
                   unsigned* idCode2, ImportObject* importObject) {
    if (HostImportObject* host = hostOf(importObject)) {
        host->listener->idReport(words, idCount, idPos, idCode1, idCode2, cardLine(*host));
    }
    return 0;
}

int airbagFind(char** words, unsigned& wordCount, unsigned, ImportObject* importObject) {
    return passAirbagCall(HostCallKind::AirbagFind, words, wordCount, importObject);
}

int airbagVentHoleFind(char** words, unsigned& wordCount, unsigned, ImportObject* importObject) {
    return passAirbagCall(HostCallKind::AirbagVentHoleFind, words, wordCount, importObject);
}

int airbagAdvancedAle(char** words, unsigned& wordCount, unsigned, ImportObject* importObject) {
    return passAirbagCall(HostCallKind::AirbagAdvancedAle, words, wordCount, importObject);
}
