// The stand-in host's construction of a DataLine: it owns the line buffer,
// the keyword-line copy and 64 word buffers of 128 bytes, all zero-filled.
#include <cstring>

#include "../frame/dataline.h"

DataLine::DataLine(FILE* deck)
    : flags(0),
      wordIndex(0),
      filledCount(0),
      lineBuffer(new char[kLineBufferSize]()),
      wordBuffers(new char*[kWordBufferCount]),
      ownsFile(false),
      file(deck),
      keywordLine(new char[kLineBufferSize]()),
      endOfFile(false),
      lineNumber(0),
      lineEnded(true),
      observer(nullptr) {
    for (unsigned i = 0; i < kWordBufferCount; ++i) wordBuffers[i] = new char[kWordBufferSize]();
}

DataLine::DataLine(const char* path) : DataLine(path ? std::fopen(path, "rb") : nullptr) {
    ownsFile = file != nullptr;
}

DataLine::~DataLine() {
    if (ownsFile) std::fclose(file);
    for (unsigned i = 0; i < kWordBufferCount; ++i) delete[] wordBuffers[i];
    delete[] wordBuffers;
    delete[] keywordLine;
    delete[] lineBuffer;
}
