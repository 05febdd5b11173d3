#include "documents.h"

#include <algorithm>

namespace abimport::lsp {

void TextDocument::index() {
    lineStarts_.assign(1, 0);
    for (size_t at = text_.find('\n'); at != std::string::npos; at = text_.find('\n', at + 1))
        lineStarts_.push_back(at + 1);
}

void TextDocument::setText(std::string text) {
    text_ = std::move(text);
    index();
}

std::string_view TextDocument::line(size_t n) const {
    if (n >= lineStarts_.size()) return {};
    const size_t begin = lineStarts_[n];
    size_t end = n + 1 < lineStarts_.size() ? lineStarts_[n + 1] - 1 : text_.size();
    if (end > begin && n + 1 < lineStarts_.size() && text_[end - 1] == '\r') --end;
    return std::string_view(text_).substr(begin, end - begin);
}

size_t TextDocument::offsetOf(const Position& position, PositionEncoding encoding) const {
    if (position.line >= lineStarts_.size()) return text_.size();
    return lineStarts_[position.line] +
           byteColumnOf(line(position.line), position.character, encoding);
}

Position TextDocument::positionOf(size_t n, size_t byteColumn, PositionEncoding encoding) const {
    return {n, unitsBefore(line(n), byteColumn, encoding)};
}

void TextDocument::replace(const Range& range, std::string_view text, PositionEncoding encoding) {
    size_t begin = offsetOf(range.start, encoding);
    size_t end = offsetOf(range.end, encoding);
    if (end < begin) std::swap(begin, end);
    text_.replace(begin, end - begin, text);
    // The lines that began inside the replaced bytes go, those of the new
    // text come, and the later ones move by the difference in length: no
    // rescan of a large text for one keystroke.
    const auto first = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), begin);
    const auto last = std::upper_bound(first, lineStarts_.end(), end);
    std::vector<size_t> added;
    for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
        added.push_back(begin + at + 1);
    const auto from = lineStarts_.erase(first, last);
    const auto after = lineStarts_.insert(from, added.begin(), added.end()) +
                       static_cast<std::ptrdiff_t>(added.size());
    for (auto it = after; it != lineStarts_.end(); ++it) *it = *it - (end - begin) + text.size();
}

void DocumentStore::open(const std::string& path, std::string text, long long) {
    documents_[path].setText(std::move(text));
}

void DocumentStore::close(const std::string& path) {
    documents_.erase(path);
}

TextDocument* DocumentStore::find(const std::string& path) {
    const auto at = documents_.find(path);
    return at == documents_.end() ? nullptr : &at->second;
}

const TextDocument* DocumentStore::find(const std::string& path) const {
    const auto at = documents_.find(path);
    return at == documents_.end() ? nullptr : &at->second;
}

}  // namespace abimport::lsp
