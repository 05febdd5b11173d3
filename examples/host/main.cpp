// A host of its own for the airbag keyword import library. It defines
// everything the library leaves to its host (the flag word, the import target,
// the deck reader's construction and the four reporting functions), imports
// one deck and writes every card back as deck text. It ends the deck as a
// keyword line ends a keyword (see "The end of a file" in the host guide).
#include <abimport/frame/hostinterface.h>
#include <abimport/frame/version.h>
#include <strings.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

// ---- What the library expects its host to define ----

// Keep field names, build cards and report ID-bearing fields.
unsigned Card::contFlag = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;

ImportObject::ImportObject() = default;
ImportObject::~ImportObject() {
    for (Card* card : cards) delete card;  // the card list owns its cards
}

// This host's import target: the card list plus what the reports told it.
struct DeckTarget : ImportObject {
    unsigned long idFields = 0;
    unsigned long lookups = 0;
};

DeckTarget& deckTarget(ImportObject* target) {
    return *static_cast<DeckTarget*>(target);
}

// The reader's buffers: one line buffer, one keyword-line copy and all word
// buffers in one zero-filled block.
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
    char* block = new char[kWordBufferCount * kWordBufferSize]();
    for (unsigned i = 0; i < kWordBufferCount; ++i) wordBuffers[i] = block + i * kWordBufferSize;
}

DataLine::~DataLine() {
    if (ownsFile) std::fclose(file);
    delete[] wordBuffers[0];
    delete[] wordBuffers;
    delete[] keywordLine;
    delete[] lineBuffer;
}

int addIDToRefFile(char**, unsigned& idCount, unsigned*, unsigned*, unsigned*,
                   ImportObject* target) {
    deckTarget(target).idFields += idCount;
    return 0;
}
int airbagFind(char**, unsigned&, unsigned, ImportObject* target) {
    return static_cast<int>(++deckTarget(target).lookups);
}
int airbagVentHoleFind(char**, unsigned&, unsigned, ImportObject* target) {
    return static_cast<int>(++deckTarget(target).lookups);
}
int airbagAdvancedAle(char**, unsigned&, unsigned, ImportObject* target) {
    return static_cast<int>(++deckTarget(target).lookups);
}

// ---- The end of a file ----

// The deck as the reader reads it: its bytes, then a lone "*" line, which the
// reader takes as a keyword line. The cookie stream reads the deck straight
// into the buffer stdio hands it. A last line without its line end reaches
// the reader as it is: the read that meets the end returns EAGAIN once, on
// which glibc's fgets returns the part of the line it holds; then comes the
// "*" line, and again for every read after it. Everyone reads lines in
// pieces of 127 characters (fgets of 128), so the reader stands inside a
// piece at the end exactly when the last line's length is no multiple of 127.
struct EndedDeck {
    FILE* deck;
    size_t lineLength = 0;  // the characters read since the last line end
    bool paused = false;    // the EAGAIN was given
    bool ended = false;     // the "*" line was given
};

ssize_t readEndedDeck(void* cookie, char* buffer, size_t size) {
    EndedDeck& d = *static_cast<EndedDeck*>(cookie);
    if (!d.ended) {
        const size_t count = std::fread(buffer, 1, size, d.deck);
        if (count > 0) {
            const void* newline = memrchr(buffer, '\n', count);
            d.lineLength =
                newline
                    ? count - static_cast<size_t>(static_cast<const char*>(newline) - buffer + 1)
                    : d.lineLength + count;
            return static_cast<ssize_t>(count);
        }
        if (!d.paused && d.lineLength % 127 != 0) {
            d.paused = true;
            errno = EAGAIN;
            return -1;
        }
    }
    if (size < 2) return 0;
    d.ended = true;
    std::memcpy(buffer, "*\n", 2);
    return 2;
}

// The stream to hand the reader, or null.
FILE* openEnded(EndedDeck& deck) {
    cookie_io_functions_t functions = {};
    functions.read = readEndedDeck;
    return fopencookie(&deck, "r", functions);
}

// Whether a line piece just read is the "*" line after the deck.
bool isEnd(const EndedDeck& deck, const char* piece) {
    return deck.ended && std::strcmp(piece, "*\n") == 0;
}

// ---- The host's own deck loop ----

// Keyword titles by type code: the code of title i is i + 1.
const char* const kTitles[] = {
    "AIRBAG_ADVANCED_ALE",
    "AIRBAG_ALE",
    "AIRBAG_INTERACTION",
    "AIRBAG_REFERENCE_GEOMETRY",
    "AIRBAG_REFERENCE_GEOMETRY_BIRTH",
    "AIRBAG_REFERENCE_GEOMETRY_BIRTH_RDT",
    "AIRBAG_REFERENCE_GEOMETRY_RDT",
    "AIRBAG_SHELL_REFERENCE_GEOMETRY",
};
constexpr unsigned kTitleCount = sizeof kTitles / sizeof kTitles[0];

// The type code of a keyword line ("*TITLE", any case, up to a blank), or 0.
unsigned keywordCode(const std::string& line) {
    if (line.empty() || line[0] != '*') return 0;
    const size_t length = std::strcspn(line.c_str() + 1, " \t\r\n");
    for (unsigned i = 0; i < kTitleCount; ++i) {
        if (std::strlen(kTitles[i]) == length &&
            strncasecmp(line.c_str() + 1, kTitles[i], length) == 0)
            return i + 1;
    }
    return 0;
}

// One whole line of any length, its newline dropped, read in pieces as the
// reader reads. False at the end of the deck.
bool readLine(FILE* file, const EndedDeck& deck, std::string& line) {
    line.clear();
    char piece[128];
    while (std::fgets(piece, sizeof piece, file)) {
        if (isEnd(deck, piece)) return !line.empty();
        line += piece;
        if (line.back() == '\n') {
            line.pop_back();
            return true;
        }
        if (std::strlen(piece) < sizeof piece - 1) return true;  // the deck's last line
    }
    return !line.empty();
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DECK\n", argv[0]);
        return 2;
    }
    FILE* deck = std::fopen(argv[1], "rb");
    if (!deck) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], argv[1], std::strerror(errno));
        return 1;
    }
    EndedDeck ended{deck};
    FILE* stream = openEnded(ended);
    if (!stream) {
        std::fprintf(stderr, "%s: %s\n", argv[0], std::strerror(errno));
        return 1;
    }
    DataLine dataLine(stream);
    dataLine.ownsFile = true;
    ABImport registry;
    registry.initABALETypesAndFunctions();
    DeckTarget target;

    std::string line, text;
    bool pending = false;  // line holds the keyword line that ended the last import
    while (pending || readLine(stream, ended, line)) {
        pending = false;
        const unsigned code = keywordCode(line);
        const auto entry = registry.abaleTypeMap.find(code);
        if (entry == registry.abaleTypeMap.end()) continue;

        const size_t firstCard = target.cards.size();
        dataLine.flags &= ~DataLine::kKeywordReached;  // the reader stops while it is set
        entry->second(&dataLine, &target);
        std::printf("*%s\n", kTitles[code - 1]);
        for (size_t i = firstCard; i < target.cards.size(); ++i) {
            text.clear();
            target.cards[i]->tostring(text);
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
        if ((dataLine.flags & DataLine::kKeywordReached) && !isEnd(ended, dataLine.keywordLine)) {
            // The import read the next keyword line: its copy holds at most
            // 127 characters; drop the rest of a longer line from the deck.
            line = dataLine.keywordLine;
            if (line.find('\n') == std::string::npos) readLine(stream, ended, text);
            pending = true;
        }
    }
    std::puts("*END");
    std::fprintf(stderr, "%zu cards, %lu ID fields, %lu lookups; library %s\n", target.cards.size(),
                 target.idFields, target.lookups, abimport::libraryVersion());
    const bool readFailed = std::ferror(deck) != 0;
    std::fclose(deck);
    if (readFailed || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: %s failed\n", argv[0],
                     readFailed ? "reading the deck" : "writing");
        return 1;
    }
    return 0;
}
