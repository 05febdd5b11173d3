// A host of its own for the airbag keyword import library. It defines
// everything the library leaves to its host (the flag word, the import target,
// the deck reader's construction and the four reporting functions), reads one
// deck with the files it includes and writes every card back as deck text. It
// ends each file as a keyword line ends a keyword (see "The end of a file" in
// the host guide).
#include <abimport/frame/hostinterface.h>
#include <abimport/frame/version.h>
#include <abimport/keywords/keywordtable.h>
#include <strings.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// The title of a keyword line ("*TITLE", up to a blank), or "" for a line that
// is no keyword line.
std::string titleOf(const std::string& line) {
    if (line.empty() || line[0] != '*') return "";
    return line.substr(1, std::strcspn(line.c_str() + 1, " \t\r\n"));
}

bool isTitle(const std::string& title, const char* name) {
    return strcasecmp(title.c_str(), name) == 0;
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

// A file name or folder from the data lines after an include keyword: blanks
// and a carriage return taken off, and a line that ends with " +" goes on in
// the next. Comment lines are skipped; a keyword line ends the search and is
// left in line for the caller. Empty when none came.
std::string readName(FILE* file, const EndedDeck& ended, std::string& line, bool& pending) {
    std::string name;
    while (readLine(file, ended, line)) {
        if (!line.empty() && line[0] == '$') continue;
        if (!line.empty() && line[0] == '*') {
            pending = true;
            return "";
        }
        while (!line.empty() && std::strchr(" \t\r", line.back())) line.pop_back();
        const bool continues = line.size() >= 2 && line.compare(line.size() - 2, 2, " +") == 0;
        if (continues) line.resize(line.size() - 2);
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos) name += line.substr(first);
        if (!continues) return name;
    }
    return name;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The model being read: where relative include names are looked for.
struct Model {
    std::string mainFolder;            // the main deck's folder
    std::vector<std::string> folders;  // of *INCLUDE_PATH, relative ones from mainFolder
    ABImport registry;
    DeckTarget target;
    bool failed = false;  // a file could not be opened or read
};

// A relative name in the including file's folder, then in the *INCLUDE_PATH
// folders, then in the main deck's folder: the first that opens.
FILE* openInclude(const Model& model, const std::string& name, const std::string& including,
                  std::string& path) {
    std::vector<std::string> candidates = {name};
    if (name[0] != '/') {
        candidates = {folderOf(including) + name};
        for (const std::string& folder : model.folders) candidates.push_back(folder + name);
        candidates.push_back(model.mainFolder + name);
    }
    for (const std::string& candidate : candidates) {
        if (FILE* file = std::fopen(candidate.c_str(), "rb")) {
            path = candidate;
            return file;
        }
    }
    return nullptr;
}

void readFile(Model& model, FILE* file, const std::string& path, unsigned depth);

// *INCLUDE: the named file is read where the keyword stands.
void includeFile(Model& model, const std::string& name, const std::string& including,
                 unsigned depth) {
    std::string path;
    FILE* file = name.empty() || depth >= 64 ? nullptr : openInclude(model, name, including, path);
    if (!file) {
        std::fprintf(stderr, "%s: cannot include '%s'%s\n", including.c_str(), name.c_str(),
                     depth >= 64 ? ": includes nest deeper than 64" : "");
        model.failed = true;
        return;
    }
    readFile(model, file, path, depth + 1);
    std::fclose(file);
}

// Reads one file of the model up to its end or its *END line: the airbag
// keywords are imported and written back, includes followed, the rest skipped.
void readFile(Model& model, FILE* file, const std::string& path, unsigned depth) {
    EndedDeck ended{file};
    FILE* stream = openEnded(ended);
    if (!stream) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        model.failed = true;
        return;
    }
    DataLine dataLine(stream);  // each file has its own reader, its line count from 1
    dataLine.ownsFile = true;   // closes the stream, not the file it reads
    std::string line, text;
    bool pending = false;  // line holds a keyword line not yet handled
    while (pending || readLine(stream, ended, line)) {
        pending = false;
        const std::string title = titleOf(line);
        if (title.empty()) continue;
        if (isTitle(title, "END")) break;
        if (isTitle(title, "INCLUDE")) {
            const std::string name = readName(stream, ended, line, pending);
            includeFile(model, name, path, depth);
            continue;
        }
        if (isTitle(title, "INCLUDE_PATH")) {
            // One folder per data line, up to the next keyword line.
            while (!pending) {
                std::string folder = readName(stream, ended, line, pending);
                if (folder.empty()) break;
                if (folder.back() != '/') folder += '/';
                model.folders.push_back(folder[0] == '/' ? folder : model.mainFolder + folder);
            }
            continue;
        }
        const abimport::KeywordDescription* keyword = abimport::keywordWithTitle(title);
        const auto entry = keyword ? model.registry.abaleTypeMap.find(keyword->code)
                                   : model.registry.abaleTypeMap.end();
        if (entry == model.registry.abaleTypeMap.end()) continue;

        const size_t firstCard = model.target.cards.size();
        dataLine.flags &= ~DataLine::kKeywordReached;  // the reader stops while it is set
        entry->second(&dataLine, &model.target);
        std::printf("*%s\n", keyword->title);
        for (size_t i = firstCard; i < model.target.cards.size(); ++i) {
            text.clear();
            model.target.cards[i]->tostring(text);
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
    // glibc keeps the error flag of the end's EAGAIN on the stream: the
    // file's own flag tells whether reading failed.
    if (std::ferror(file)) {
        std::fprintf(stderr, "%s: reading failed\n", path.c_str());
        model.failed = true;
    }
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
    Model model;
    model.mainFolder = folderOf(argv[1]);
    model.registry.initABALETypesAndFunctions();
    readFile(model, deck, argv[1], 0);
    std::fclose(deck);
    std::puts("*END");
    std::fprintf(stderr, "%zu cards, %lu ID fields, %lu lookups; library %s\n",
                 model.target.cards.size(), model.target.idFields, model.target.lookups,
                 abimport::libraryVersion());
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: writing failed\n", argv[0]);
        return 1;
    }
    return model.failed ? 1 : 0;
}
