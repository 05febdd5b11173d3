#include "fileendstream.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace abimport {

namespace {

constexpr char kEndLine[] = "*\n";

}  // namespace

FileEndStream::FileEndStream(FILE* file) : file_(file), buffer_(new char[kBufferSize]) {
    cookie_io_functions_t functions{};
    functions.read = &FileEndStream::read;
    stream_ = fopencookie(this, "r", functions);
    if (!stream_) throw std::bad_alloc();  // it fails only for want of memory
    std::setvbuf(stream_, buffer_.get(), _IOFBF, kBufferSize);
}

FileEndStream::~FileEndStream() {
    std::fclose(stream_);
}

ssize_t FileEndStream::read(void* cookie, char* buffer, size_t size) {
    return static_cast<FileEndStream*>(cookie)->readInto(buffer, size);
}

ssize_t FileEndStream::readInto(char* buffer, size_t size) {
    if (state_ == State::Reading) {
        // A read error ends the file too; the file keeps its error for the host.
        const size_t count = file_ ? std::fread(buffer, 1, size, file_) : 0;
        if (count > 0) {
            const void* newline = memrchr(buffer, '\n', count);
            lineLength_ =
                newline
                    ? count - static_cast<size_t>(static_cast<const char*>(newline) - buffer + 1)
                    : lineLength_ + count;
            return static_cast<ssize_t>(count);
        }
        state_ = State::EndPaused;
        // A last line without its line end: the reader holds part of a piece
        // of it unless it ends exactly at a piece's end. EAGAIN makes fgets
        // return that part as it is.
        if (lineLength_ % kPieceLength != 0) {
            errno = EAGAIN;
            return -1;
        }
    }
    if (state_ == State::EndPaused && size >= sizeof kEndLine - 1) {
        state_ = State::Ended;
        endGiven_ = true;
        std::memcpy(buffer, kEndLine, sizeof kEndLine - 1);
        return static_cast<ssize_t>(sizeof kEndLine - 1);
    }
    return 0;
}

}  // namespace abimport
