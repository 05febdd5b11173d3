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
    index();
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
