// The host's deck reader. The host constructs it (buffers, the open deck);
// the library reads data cards through it.
#pragma once

#include <cstdio>

#include "../model/export.h"

namespace abimport {
class ReadObserver;
}

class ABIMPORT_API DataLine {
public:
    static constexpr unsigned kLineBufferSize = 128;  // fgets size: 127 characters and a NUL
    static constexpr unsigned kWordBufferCount = 64;  // most words a 127-character line yields
    static constexpr unsigned kWordBufferSize = 128;  // longest word, its repair 'e' and a NUL
    static constexpr unsigned kMaxFixedFields = 12;   // ten-column fields that fit the line buffer

    static constexpr unsigned kCardRead = 0x1;
    static constexpr unsigned kKeywordReached = 0x8;

    // Construction belongs to the host. Reads from an open stream that the
    // caller keeps and closes.
    explicit DataLine(FILE* deck);
    // Opens the deck at path for reading; isOpen() tells whether that worked.
    explicit DataLine(const char* path);
    ~DataLine();
    DataLine(const DataLine&) = delete;
    DataLine& operator=(const DataLine&) = delete;

    bool isOpen() const { return file != nullptr; }

    // Reads up to the next data line, skipping comment lines, and cuts it into
    // words: ten-column fields (count requested on entry), or comma-separated
    // words when the line holds a comma. count becomes the number of words
    // delivered: 0 at a keyword line (flag 0x8 set, and then for every later
    // call until the host clears it), at the end of the file, or on a line
    // without fields. Returns wordBuffers.
    char** readNextCardAsWords(unsigned& count);

    // The same line classification, but the data line is left whole in
    // lineBuffer. count is left as it is for a data line and set to 0 at a
    // keyword line or the end of the file. Returns lineBuffer.
    char* readNextCardAsLine(unsigned& count);

    unsigned flags;
    unsigned wordIndex;
    unsigned filledCount;
    char* lineBuffer;
    char** wordBuffers;
    bool ownsFile;  // host: whether the destructor closes file
    FILE* file;
    // Copy of the keyword line that ended the last import; later reads do not
    // clear it, so the host can take the line after the import returns.
    char* keywordLine;
    // Set when the last read found no more line in the deck.
    bool endOfFile;
    // The number of the physical line that the last piece read belongs to, in
    // the file now read (1 for the first line; 0 before any). A line longer
    // than one read comes in pieces that all carry its number. The host sets
    // it, and lineEnded, when it reads lines of the file itself or changes
    // the file.
    unsigned long long lineNumber;
    // Whether the last piece read ended its line, so that the next piece
    // starts the next line.
    bool lineEnded;
    // Told about every line piece and card read; null for none. Set by the host.
    abimport::ReadObserver* observer;

private:
    enum class LineKind { Data, Keyword, End };
    // Zeroes lineBuffer, honours the keyword flag, and reads past comment lines.
    LineKind readDataOrKeywordLine();
    unsigned cutCommaWords();
    unsigned cutFixedWords(unsigned requested);
};
