#include "linepieces.h"

#include <cstring>

namespace abimport {

namespace {

// fgets into buffer; false at the end of the file. ended tells whether the
// piece ends its line (a newline, or the end of the file came before the
// buffer was full); length is the piece's length, NUL bytes included.
bool readPiece(FILE* file, char* buffer, size_t size, bool& ended, size_t& length) {
    std::memset(buffer, 0, size);
    buffer[size - 1] = 1;  // fgets puts its NUL here only when the piece fills the buffer
    if (!std::fgets(buffer, static_cast<int>(size), file)) return false;
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

}  // namespace

bool LinePieces::next() {
    bool ended;
    if (!readPiece(reader_.file, piece_, kPieceSize, ended, length_)) {
        length_ = 0;
        piece_[0] = '\0';
        return false;
    }
    reader_.lineNumber += reader_.lineEnded;
    reader_.lineEnded = ended;
    return true;
}

void LinePieces::skipRest() {
    char scratch[4096];
    bool ended = reader_.lineEnded;
    size_t length;
    while (!ended && readPiece(reader_.file, scratch, sizeof scratch, ended, length)) {
    }
    reader_.lineEnded = true;
}

bool LinePieces::takeRest(std::string& out, size_t limit) {
    char scratch[4096];
    bool ended = reader_.lineEnded;
    bool fits = true;
    size_t length;
    while (!ended && readPiece(reader_.file, scratch, sizeof scratch, ended, length)) {
        const size_t room = out.size() < limit ? limit - out.size() : 0;
        if (length > room) fits = false;
        out.append(scratch, length < room ? length : room);
    }
    reader_.lineEnded = true;
    return fits;
}

}  // namespace abimport
