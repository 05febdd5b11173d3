#include "parameterscan.h"

#include <cctype>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "deckimport.h"
#include "keywordtitles.h"
#include "sourcefile.h"

namespace abimport {

namespace {

constexpr size_t kBlock = 64 * 1024;
// The longest line kept whole: an include name with its line end, and more.
constexpr size_t kLongestLine = 2 * DeckImport::kMaxNameLength;

size_t newlinesIn(const char* text, size_t length) {
    size_t count = 0, at = 0;
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    for (; at + 16 <= length; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        count += static_cast<size_t>(__builtin_popcount(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, newline)))));
    }
#endif
    for (; at < length; ++at) count += text[at] == '\n';
    return count;
}

bool startsWith(std::string_view title, std::string_view prefix) {
    return title.size() >= prefix.size() && titleIs(title.substr(0, prefix.size()), prefix);
}

}  // namespace

bool isParameterTitle(std::string_view title, bool* expression, bool* local) {
    if (!startsWith(title, "PARAMETER")) return false;
    const bool isExpression = startsWith(title, "PARAMETER_EXPRESSION");
    const std::string_view form = title.substr(isExpression ? 20 : 9);
    const bool isLocal = titleIs(form, "_LOCAL");
    if (expression) *expression = isExpression;
    if (local) *local = isLocal;
    return form.empty() || isLocal;
}

// The lines of a file from where the loop stands: held, then the rest of a
// file, whose position is restored at the end. Lines longer than kLongestLine
// keep their start.
class ParameterScan::Lines {
public:
    Lines(std::string_view held, FILE* rest, unsigned long long firstLine)
        : buffer_(held), rest_(rest), number_(firstLine - 1) {
        restAt_ = rest_ ? std::ftell(rest_) : -1;
    }
    ~Lines() {
        if (rest_ && restAt_ >= 0) std::fseek(rest_, restAt_, SEEK_SET);
    }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    // The next line, its line end included.
    bool next(std::string& line) {
        for (;;) {
            const char* begin = buffer_.data() + at_;
            const size_t held = buffer_.size() - at_;
            if (const void* newline = std::memchr(begin, '\n', held)) {
                const size_t length =
                    static_cast<size_t>(static_cast<const char*>(newline) - begin) + 1;
                take(line, length);
                return true;
            }
            if (held > kLongestLine) {
                take(line, kLongestLine);
                while (!skipToLineEnd()) {
                }
                return true;
            }
            if (!more()) {
                if (held == 0) return false;
                take(line, held);
                return true;
            }
        }
    }
    // The next line that begins with '*'.
    bool nextKeyword(std::string& line) {
        for (;;) {
            const char* begin = buffer_.data() + at_;
            const size_t held = buffer_.size() - at_;
            for (const char* star = begin;
                 (star = static_cast<const char*>(
                      std::memchr(star, '*', held - static_cast<size_t>(star - begin))));
                 ++star) {
                if (star != begin && star[-1] != '\n') continue;
                const size_t skipped = static_cast<size_t>(star - begin);
                number_ += newlinesIn(begin, skipped);
                at_ += skipped;
                return next(line);
            }
            // Keep the last line, whose start may come with the next block.
            const void* last = memrchr(begin, '\n', held);
            const size_t whole =
                last ? static_cast<size_t>(static_cast<const char*>(last) - begin) + 1 : 0;
            number_ += newlinesIn(begin, whole);
            at_ += whole;
            if (!more()) return false;
        }
    }
    unsigned long long number() const { return number_; }

private:
    void take(std::string& line, size_t length) {
        line.assign(buffer_, at_, length);
        at_ += length;
        ++number_;
    }
    // Drops the rest of a long line; true once its end was found.
    bool skipToLineEnd() {
        const char* begin = buffer_.data() + at_;
        if (const void* newline = std::memchr(begin, '\n', buffer_.size() - at_)) {
            at_ += static_cast<size_t>(static_cast<const char*>(newline) - begin) + 1;
            return true;
        }
        at_ = buffer_.size();
        return !more();
    }
    bool more() {
        if (!rest_ || ended_) return false;
        buffer_.erase(0, at_);
        at_ = 0;
        const size_t before = buffer_.size();
        buffer_.resize(before + kBlock);
        const size_t read = std::fread(&buffer_[before], 1, kBlock, rest_);
        buffer_.resize(before + read);
        ended_ = read < kBlock;
        return read > 0;
    }

    std::string buffer_;
    size_t at_ = 0;
    FILE* rest_;
    long restAt_;
    bool ended_ = false;
    unsigned long long number_;
};

void ParameterScan::scan(const std::vector<OpenModelFile>& chain, const std::string& keyword) {
    // Every file of the chain is open around the first.
    for (auto file = chain.rbegin(); file != chain.rend(); ++file)
        chain_.push_back({file->device, file->inode, file->known});
    for (size_t k = 0; k < chain.size(); ++k) {
        const OpenModelFile& file = chain[k];
        Lines lines(file.held, file.rest, file.firstLine);
        scanFile(lines, {file.index, file.path, file.isMainDeck, file.depth},
                 k == 0 ? keyword : "");
        chain_.pop_back();
    }
}

void ParameterScan::scanFile(Lines& lines, const Scope& file, std::string keyword) {
    bool expression = false, local = false;
    bool definitions = isParameterTitle(keyword, &expression, &local);
    std::string line;
    bool held = false;  // line holds a keyword line still to handle
    for (;;) {
        if (!held && !(definitions ? lines.next(line) : lines.nextKeyword(line))) return;
        held = false;
        if (line[0] == '$') continue;
        if (line[0] != '*') {
            if (definitions) define(line, file, lines.number(), expression, local);
            continue;
        }
        const std::string_view title =
            keywordTitleOf(line.data(), strnlen(line.data(), line.size()));
        definitions = isParameterTitle(title, &expression, &local);
        if (titleIs(title, "END")) return;
        std::string name;
        bool tooLong, ended = false;
        if (titleIs(title, "INCLUDE_PATH") || titleIs(title, "INCLUDE_PATH_RELATIVE")) {
            while (readName(lines, line, name, tooLong, held, ended))
                if (!name.empty() && !tooLong) search_.addFolder(name);
        } else if (titleIs(title, "INCLUDE") || startsWith(title, "INCLUDE_")) {
            if (readName(lines, line, name, tooLong, held, ended) && !name.empty() && !tooLong)
                include(name, file);
        }
        if (ended) return;
    }
}

bool ParameterScan::readName(Lines& lines, std::string& line, std::string& name, bool& tooLong,
                             bool& held, bool& ended) {
    constexpr size_t kMost = DeckImport::kMaxNameLength;
    name.clear();
    tooLong = held = ended = false;
    bool found = false;
    for (bool continued = true; continued;) {
        if (!lines.next(line)) {
            ended = true;
            break;
        }
        if (line[0] == '$') continue;
        if (line[0] == '*') {
            held = true;
            break;
        }
        std::string text = line;
        if (text.size() > kMost + 2) {
            tooLong = true;
            text.resize(kMost + 2);
        }
        continued = takeNameLine(text);
        if (name.size() + text.size() > kMost) tooLong = true;
        name += text.substr(0, kMost - std::min(name.size(), kMost));
        found = true;
    }
    name = trimmedName(name);
    return found;
}

void ParameterScan::include(const std::string& name, const Scope& file) {
    if (!follow_ || file.depth >= DeckImport::kMaxIncludeDepth) return;
    std::vector<std::string> tried;
    const std::string path =
        search_.find(name, file.isMainDeck && *file.path == "-" ? "" : folderOf(*file.path), tried);
    if (path.empty()) return;
    OpenedInclude opened = open_ ? open_(path) : openInclude(path);
    if (!opened.file) return;
    for (const Identity& open : chain_) {
        if (open.known && open.device == opened.device && open.inode == opened.inode) {
            std::fclose(opened.file);
            return;
        }
    }
    const size_t index = next_++;
    table_.setParent(index, file.index);
    paths_.push_back(std::make_shared<const std::string>(path));
    chain_.push_back({opened.device, opened.inode, true});
    {
        Lines lines({}, opened.file, 1);
        scanFile(lines, {index, paths_.back(), false, file.depth + 1}, "");
    }
    chain_.pop_back();
    std::fclose(opened.file);
}

void ParameterScan::define(const std::string& line, const Scope& file, unsigned long long number,
                           bool expression, bool local) {
    for (ParameterDefinition& definition : definitionsOnLine(line, expression)) {
        definition.local = local;
        definition.file = file.index;
        definition.path = file.path;
        definition.line = number;
        table_.add(std::move(definition));
    }
}

}  // namespace abimport
