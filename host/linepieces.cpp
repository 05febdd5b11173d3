#include "linepieces.h"

#include <cstring>

namespace abimport {

// fgets into buffer; false at the end of the file. ended tells whether the
// piece ends its line (a newline, or the end of the file came before the
// buffer was full); length is the piece's length, NUL bytes included. The
// rest of a line is read in pieces of the same size as its start, so that
// pieces end where the reader's would.
bool LinePieces::readPiece(char* buffer, bool& ended, size_t& length) {
    constexpr size_t size = kPieceSize;
    std::memset(buffer, 0, size);
    buffer[size - 1] = 1;  // fgets puts its NUL here only when the piece fills the buffer
    if (!std::fgets(buffer, static_cast<int>(size), reader_.file)) return false;
    if (end_ && end_->isEnd(buffer)) return false;
    const bool full = buffer[size - 1] == '\0';
    const void* newline = std::memchr(buffer, '\n', size - 1);
    ended = newline || !full;
    if (newline) {
        length = static_cast<size_t>(static_cast<const char*>(newline) - buffer) + 1;
    } else {
        length = size - 1;
        while (length > 0 && buffer[length - 1] == '\0') --length;
    }
    return true;
}

bool LinePieces::next() {
    bool ended;
    if (!readPiece(piece_, ended, length_)) {
        length_ = 0;
        piece_[0] = '\0';
        return false;
    }
    reader_.lineNumber += reader_.lineEnded;
    reader_.lineEnded = ended;
    return true;
}

void LinePieces::skipRest() {
    char scratch[kPieceSize];
    bool ended = reader_.lineEnded;
    size_t length;
    while (!ended && readPiece(scratch, ended, length)) {
    }
    reader_.lineEnded = true;
}

bool LinePieces::takeRest(std::string& out, size_t limit) {
    char scratch[kPieceSize];
    bool ended = reader_.lineEnded;
    bool fits = true;
    size_t length;
    while (!ended && readPiece(scratch, ended, length)) {
        const size_t room = out.size() < limit ? limit - out.size() : 0;
        if (length > room) fits = false;
        out.append(scratch, length < room ? length : room);
    }
    reader_.lineEnded = true;
    return fits;
}

}  // namespace abimport
