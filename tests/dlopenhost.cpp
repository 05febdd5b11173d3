// A host that loads the library at run time with dlopen() instead of linking
// it. It defines the host's items, takes the keywords and their import
// functions from the loaded library's keyword table and imports one deck,
// then prints every reporting call (as tests/importharness.h writes them)
// followed by the text of every card.
//
//   dlopen-host LIBRARY DECK [lazy]
//
// Exit status 0 when the deck was imported, 1 when it could not be opened,
// 2 for bad use, 3 when the library could not be loaded or lacks the keyword
// table (dlerror's message on standard error).
#include <dlfcn.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../frame/hostinterface.h"
#include "../keywords/keywordtable.h"

// ---- The host's items, which the library finds in the program ----

unsigned Card::contFlag = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;

ImportObject::ImportObject() = default;
ImportObject::~ImportObject() {
    for (Card* card : cards) delete card;
}

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

DataLine::~DataLine() {
    for (unsigned i = 0; i < kWordBufferCount; ++i) delete[] wordBuffers[i];
    delete[] wordBuffers;
    delete[] keywordLine;
    delete[] lineBuffer;
}

namespace {

std::vector<std::string> calls;

// A word without its leading blanks and its line end.
std::string trimmed(const char* word) {
    std::string text = word ? word : "";
    text.erase(0, text.find_first_not_of(' '));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

int recordLookup(const char* name, char** words, unsigned wordCount) {
    std::string line = std::string(name) + " " + std::to_string(wordCount) + " ";
    for (unsigned i = 0; i < wordCount && i < DataLine::kWordBufferCount; ++i)
        line += (i ? "|" : "") + trimmed(words[i]);
    calls.push_back(line);
    return 0;
}

}  // namespace

int addIDToRefFile(char** words, unsigned& idCount, unsigned* idPos, unsigned* idCode1,
                   unsigned* idCode2, ImportObject*) {
    std::string line = "addIDToRefFile";
    for (unsigned k = 0; k < idCount; ++k)
        line += " " + std::to_string(idPos[k]) + ":" + trimmed(words[idPos[k]]) + "@" +
                std::to_string(idCode1[k]) + "/" + std::to_string(idCode2[k]);
    calls.push_back(line);
    return 0;
}
int airbagFind(char** words, unsigned& wordCount, unsigned, ImportObject*) {
    return recordLookup("airbagFind", words, wordCount);
}
int airbagVentHoleFind(char** words, unsigned& wordCount, unsigned, ImportObject*) {
    return recordLookup("airbagVentHoleFind", words, wordCount);
}
int airbagAdvancedAle(char** words, unsigned& wordCount, unsigned, ImportObject*) {
    return recordLookup("airbagAdvancedAle", words, wordCount);
}

// ---- The deck loop ----

namespace {

// The library's functions are C++ functions: the program finds them by their
// symbols and calls them through pointers of their own type. The keyword
// table gives each keyword's title and import function.
using KeywordListFunction = abimport::KeywordList (*)();
constexpr const char* kKeywordListSymbol = "_ZN8abimport11keywordListEv";

// The keyword a keyword line starts, or null.
const abimport::KeywordDescription* keywordOf(const abimport::KeywordList& keywords,
                                              const char* line) {
    if (line[0] != '*') return nullptr;
    const size_t length = std::strcspn(line + 1, " \t\r\n");
    for (const abimport::KeywordDescription* keyword : keywords) {
        if (std::strlen(keyword->title) == length &&
            strncasecmp(line + 1, keyword->title, length) == 0)
            return keyword;
    }
    return nullptr;
}

void importDeck(const abimport::KeywordList& keywords, FILE* deck, ImportObject& target) {
    DataLine dataLine(deck);
    char line[DataLine::kLineBufferSize];
    bool pending = false;  // line holds the keyword line that ended the last import
    while (pending || std::fgets(line, sizeof line, deck)) {
        pending = false;
        const abimport::KeywordDescription* keyword = keywordOf(keywords, line);
        if (!keyword) continue;
        dataLine.flags &= ~DataLine::kKeywordReached;
        keyword->import(&dataLine, &target);
        if (dataLine.flags & DataLine::kKeywordReached) {
            std::memcpy(line, dataLine.keywordLine, sizeof line);
            pending = true;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "lazy") == 0)) {
        std::fprintf(stderr, "usage: %s LIBRARY DECK [lazy]\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], (argc == 4 ? RTLD_LAZY : RTLD_NOW) | RTLD_LOCAL);
    void* symbol = library ? dlsym(library, kKeywordListSymbol) : nullptr;
    if (!symbol) {
        std::fprintf(stderr, "%s: %s\n", argv[0], dlerror());
        if (library) dlclose(library);
        return 3;
    }
    FILE* deck = std::fopen(argv[2], "rb");
    if (!deck) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[2]);
        dlclose(library);
        return 1;
    }
    const abimport::KeywordList keywords = reinterpret_cast<KeywordListFunction>(symbol)();
    {
        ImportObject target;
        importDeck(keywords, deck, target);
        for (const std::string& call : calls) std::printf("%s\n", call.c_str());
        std::string text;
        for (Card* card : target.cards) card->tostring(text);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fclose(deck);
    return dlclose(library) == 0 && std::fflush(stdout) == 0 ? 0 : 1;
}
