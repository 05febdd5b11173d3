#include "deckimport.h"

#include <cstdlib>
#include <cstring>

DeckObserver::~DeckObserver() = default;
void DeckObserver::keywordStarts(const KeywordTitle&) {}
void DeckObserver::keywordEnds(const KeywordTitle&, const ImportObject&, size_t) {}

namespace {

// Reads and drops the rest of a physical line.
void skipRestOfLine(FILE* file) {
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
    }
}

// Whole lines of any length, read with getline into a buffer it grows.
class LineReader {
public:
    explicit LineReader(FILE* file) : file_(file) {}
    ~LineReader() { std::free(buffer_); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False at the end of the file.
    bool next() {
        const ssize_t n = getline(&buffer_, &capacity_, file_);
        length_ = n > 0 ? static_cast<size_t>(n) : 0;
        return n >= 0;
    }
    const char* text() const { return buffer_; }
    size_t length() const { return length_; }

private:
    FILE* file_;
    char* buffer_ = nullptr;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

}  // namespace

size_t importDeck(DataLine& dataLine, const ABImport& registry, ImportObject& target,
                  DeckObserver* observer) {
    LineReader lines(dataLine.file);
    size_t imported = 0;
    const KeywordTitle* pending = nullptr;  // a keyword line that ended the last import

    for (;;) {
        const KeywordTitle* keyword = pending;
        pending = nullptr;
        if (!keyword) {
            if (!lines.next()) break;
            keyword = findKeyword(lines.text(), lines.length());
            if (!keyword) continue;
        }
        const auto entry = registry.abaleTypeMap.find(keyword->code);
        if (entry == registry.abaleTypeMap.end() || !entry->second) continue;

        if (observer) observer->keywordStarts(*keyword);
        const size_t firstCard = target.cards.size();
        dataLine.flags &= ~DataLine::kKeywordReached;
        entry->second(&dataLine, &target);
        ++imported;
        if (observer) observer->keywordEnds(*keyword, target, firstCard);

        if (dataLine.flags & DataLine::kKeywordReached) {
            // The import ended at a keyword line: take it from the copy, which
            // holds at most its first 127 characters.
            // The bytes after the line are zero, so a newline anywhere in the
            // copy ends this line.
            const char* copy = dataLine.keywordLine;
            if (!std::memchr(copy, '\n', DataLine::kLineBufferSize)) skipRestOfLine(dataLine.file);
            pending = findKeyword(copy, strnlen(copy, DataLine::kLineBufferSize));
        }
    }
    return imported;
}
