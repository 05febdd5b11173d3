// A file as the stand-in host hands it to the reader: the file's bytes, then
// one line that no file holds, a lone '*' and its line end. The reader takes
// that line as a keyword line, so an import that the end of a file cuts short
// ends there exactly as it ends before the next keyword line, and no card is
// ever read from no data line. The host itself never takes the line as a
// keyword: isEnd tells it apart.
//
// The stream is a glibc cookie stream over the file. Its read function reads
// the file straight into the buffer stdio hands it; at the end it gives the
// lone '*' as a read of its own. A last line without a line end reaches the
// reader exactly as the file holds it: the read that meets the end returns
// EAGAIN once, on which glibc's fgets returns the partial line it holds, and
// only the next read gives the '*' line.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

class FileEndStream {
public:
    // The stdio buffer of the stream, larger than a file stream's own.
    static constexpr size_t kBufferSize = 64 * 1024;
    // Everyone who reads the stream reads lines in pieces of this many
    // characters (the reader's fgets of 128 bytes).
    static constexpr size_t kPieceLength = 127;

    // Reads file (none: an empty file), which the caller keeps open and
    // closes after this stream. Throws std::bad_alloc when the stream cannot
    // be made.
    explicit FileEndStream(FILE* file);
    ~FileEndStream();
    FileEndStream(const FileEndStream&) = delete;
    FileEndStream& operator=(const FileEndStream&) = delete;

    FILE* stream() const { return stream_; }
    // Whether piece, a line piece just read from stream(), is the line that
    // ends the file.
    bool isEnd(const char* piece) const {
        return endGiven_ && piece[0] == '*' && piece[1] == '\n' && piece[2] == '\0';
    }

private:
    enum class State { Reading, EndPaused, Ended };

    static ssize_t read(void* cookie, char* buffer, size_t size);
    ssize_t readInto(char* buffer, size_t size);

    FILE* file_;
    FILE* stream_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    State state_ = State::Reading;
    bool endGiven_ = false;
    // The characters given since the last line end: the length of the line
    // the reader is in.
    size_t lineLength_ = 0;
};

}  // namespace abimport
