// The card line reader: data lines of the deck into words.
#include "dataline.h"

#include <cstring>

#include "../model/linefields.h"
#include "../model/numbers/reading.h"
#include "readobserver.h"

using abimport::ReadObserver;

using abimport::detail::repairExponent;

namespace {

constexpr unsigned kClearedWordBytes = 12;  // ten characters, a repair 'e' and a NUL

}  // namespace

DataLine::LineKind DataLine::readDataOrKeywordLine() {
    std::memset(lineBuffer, 0, kLineBufferSize);
    if (flags & kKeywordReached) return LineKind::Keyword;
    flags = 0;
    endOfFile = false;
    for (;;) {
        if (!std::fgets(lineBuffer, kLineBufferSize, file)) {
            endOfFile = true;
            return LineKind::End;
        }
        // The buffer was zeroed, so a newline anywhere in it is this piece's.
        lineNumber += lineEnded;
        lineEnded = std::memchr(lineBuffer, '\n', kLineBufferSize - 1) != nullptr;
        if (observer) observer->linePieceRead(*this);
        if (lineBuffer[0] == '$') {
            std::memset(lineBuffer, 0, kLineBufferSize);
            continue;
        }
        if (lineBuffer[0] == '*') {
            flags |= kKeywordReached;
            std::memcpy(keywordLine, lineBuffer, kLineBufferSize);
            return LineKind::Keyword;
        }
        return LineKind::Data;
    }
}

unsigned DataLine::cutCommaWords() {
    wordIndex = 0;
    char* cursor = lineBuffer;
    size_t n;
    while (wordIndex < kWordBufferCount) {
        const char* token = abimport::detail::nextCommaWord(cursor, n);
        if (!token) break;
        char* word = wordBuffers[wordIndex];
        std::memset(word, 0, kClearedWordBytes);
        const unsigned kept =
            static_cast<unsigned>(n < kWordBufferSize - 2 ? n : kWordBufferSize - 2);
        std::memcpy(word, token, kept);
        word[repairExponent(word, kept)] = '\0';
        ++wordIndex;
    }
    return wordIndex;
}

unsigned DataLine::cutFixedWords(unsigned requested) {
    wordIndex = 0;
    filledCount = 0;
    if (requested > kMaxFixedFields) requested = kMaxFixedFields;
    for (unsigned i = 0; i < requested; ++i) {
        char* word = wordBuffers[i];
        std::memset(word, 0, kClearedWordBytes);
        std::memcpy(word, lineBuffer + abimport::kStandardFieldWidth * i,
                    abimport::kStandardFieldWidth);
        repairExponent(word, abimport::kStandardFieldWidth);
        if (word[0] != '\0' && word[0] != '\n') ++filledCount;
    }
    wordIndex = requested;
    return filledCount;
}

char** DataLine::readNextCardAsWords(unsigned& count) {
    if (readDataOrKeywordLine() != LineKind::Data) {
        count = 0;
        return wordBuffers;
    }
    flags |= kCardRead;
    count = std::strchr(lineBuffer, ',') ? cutCommaWords() : cutFixedWords(count);
    flags &= ~kCardRead;
    if (lineBuffer[0] == '\0') count = 0;
    return wordBuffers;
}

char* DataLine::readNextCardAsLine(unsigned& count) {
    // A line that begins with a NUL byte reads as no line.
    if (readDataOrKeywordLine() != LineKind::Data || lineBuffer[0] == '\0') count = 0;
    return lineBuffer;
}
