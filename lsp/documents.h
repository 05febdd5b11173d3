// The documents that the editor has open: their text as the editor holds it,
// unsaved changes included, kept in step with the edits it sends.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "positions.h"

namespace abimport::lsp {

struct Position {
    size_t line = 0;       // 0-based
    size_t character = 0;  // in the units of the position encoding
};

struct Range {
    Position start, end;
};

// One document's text with the byte offset of each line. Lines end at '\n'
// only, as the deck reader counts them; a '\r' before it belongs to the line
// end, and a lone '\r' ends no line.
class TextDocument {
public:
    TextDocument() = default;
    explicit TextDocument(std::string text) : text_(std::move(text)) { index(); }

    const std::string& text() const { return text_; }
    size_t lineCount() const { return lineStarts_.size(); }
    // Line n (0-based) without its line end; empty past the last line.
    std::string_view line(size_t n) const;
    // The byte offset in the text of a position (clamped into the text).
    size_t offsetOf(const Position& position, PositionEncoding encoding) const;
    // The position of a byte column of line n.
    Position positionOf(size_t n, size_t byteColumn, PositionEncoding encoding) const;

    // Replaces the text of range with text.
    void replace(const Range& range, std::string_view text, PositionEncoding encoding);
    void setText(std::string text);

private:
    void index();
    std::string text_;
    std::vector<size_t> lineStarts_{0};
};

// The open documents by path.
class DocumentStore {
public:
    void open(const std::string& path, std::string text, long long version);
    void close(const std::string& path);
    // Null when the document is not open.
    TextDocument* find(const std::string& path);
    const TextDocument* find(const std::string& path) const;
    const std::map<std::string, TextDocument>& all() const { return documents_; }

private:
    std::map<std::string, TextDocument> documents_;
};

}  // namespace abimport::lsp
