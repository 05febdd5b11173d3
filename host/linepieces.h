// The host's own reading of a deck between imports: the first piece of each
// line, with the rest of the line skipped or taken up to a bound, so that
// memory never grows with a line's length. Lines are counted in the DataLine
// that reads the same file, exactly as its reader counts them. The line that
// the host hands the reader after a file's last line (fileendstream.h) is the
// end of the file here.
#pragma once

#include <cstddef>
#include <string>

#include "../frame/dataline.h"
#include "fileendstream.h"

namespace abimport {

class LinePieces {
public:
    static constexpr size_t kPieceSize = DataLine::kLineBufferSize;

    // end: the stream that reader reads, which tells its end line; null for
    // a plain file.
    LinePieces(DataLine& reader, const FileEndStream* end) : reader_(reader), end_(end) {}
    LinePieces(const LinePieces&) = delete;
    LinePieces& operator=(const LinePieces&) = delete;

    // Reads the next piece of at most 127 characters: the start of the next
    // line, or what is left of a line that an import read only in part.
    // False at the end of the file. Pieces are as the reader reads them.
    bool next();
    const char* text() const { return piece_; }
    // The piece's length, NUL bytes inside it included.
    size_t length() const { return length_; }
    unsigned long long line() const { return reader_.lineNumber; }

    // Discards what is left of the current line.
    void skipRest();
    // Appends what is left of the current line to out, which holds at most
    // limit bytes afterwards; the rest of a longer line is skipped. False
    // when the line did not fit.
    bool takeRest(std::string& out, size_t limit);

private:
    // Reads the next piece into buffer (kPieceSize bytes); false at the end.
    bool readPiece(char* buffer, bool& ended, size_t& length);

    DataLine& reader_;
    const FileEndStream* end_;
    char piece_[kPieceSize];
    size_t length_ = 0;
};

}  // namespace abimport
