#include "fileendstream.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace abimport {

namespace {

constexpr char kEndLine[] = "*\n";
constexpr size_t kLongestEditedLine = DataLine::kLineBufferSize - 1;

}  // namespace

LineEditor::~LineEditor() = default;

FileEndStream::FileEndStream(FILE* file, LineEditor* editor, const DataLine* reader)
    : file_(file), buffer_(new char[kBufferSize]), editor_(editor), reader_(reader) {
    cookie_io_functions_t functions{};
    functions.read = &FileEndStream::read;
    functions.seek = &FileEndStream::seek;
    stream_ = fopencookie(this, "r", functions);
    if (!stream_) throw std::bad_alloc();  // it fails only for want of memory
    std::setvbuf(stream_, buffer_.get(), _IOFBF, kBufferSize);
}

FileEndStream::~FileEndStream() {
    std::fclose(stream_);
}

ssize_t FileEndStream::read(void* cookie, char* buffer, size_t size) {
    auto* self = static_cast<FileEndStream*>(cookie);
    self->inRead_ = true;
    const ssize_t count = self->readInto(buffer, size);
    self->inRead_ = false;
    return count;
}

// ftell asks for the position; fseek to where stdio stands gives back what
// stdio holds unread (takeBackUnread). Nothing else moves.
int FileEndStream::seek(void* cookie, off64_t* offset, int whence) {
    auto* self = static_cast<FileEndStream*>(cookie);
    const uint64_t back = static_cast<uint64_t>(-*offset);
    if (whence != SEEK_CUR || *offset > 0 || back > self->lastCount_) {
        errno = ESPIPE;
        return -1;
    }
    if (back > 0) {
        self->unread(self->lastGiven_ + self->lastCount_ - back, back);
        self->lastCount_ -= back;
        self->position_ -= back;
    }
    *offset = static_cast<off64_t>(self->position_);
    return 0;
}

void FileEndStream::unread(const char* bytes, size_t count) {
    if (pendingAt_ >= count) {
        pendingAt_ -= count;
        std::memmove(&pending_[pendingAt_], bytes, count);
    } else {
        pending_.insert(pendingAt_, bytes, count);
    }
}

size_t FileEndStream::fill(char* buffer, size_t size) {
    size_t count = std::min(size, pending_.size() - pendingAt_);
    std::memcpy(buffer, pending_.data() + pendingAt_, count);
    pendingAt_ += count;
    if (pendingAt_ == pending_.size()) pending_.clear(), pendingAt_ = 0;
    // A read error ends the file too; the file keeps its error for the host.
    if (count < size && file_ && !fileEnded_) {
        const size_t asked = size - count;
        const size_t read = std::fread(buffer + count, 1, asked, file_);
        fileEnded_ = read < asked;
        count += read;
    }
    return count;
}

size_t FileEndStream::toLineEnd(char* buffer, size_t count) {
    if (count == 0 || (fileEnded_ && pendingAt_ == pending_.size()))
        return count;  // the file's last bytes
    const void* newline = memrchr(buffer, '\n', count);
    if (!newline) return count;  // a line longer than the buffer
    const size_t whole = static_cast<size_t>(static_cast<const char*>(newline) - buffer) + 1;
    unread(buffer + whole, count - whole);
    return whole;
}

ssize_t FileEndStream::give(char* buffer, size_t count) {
    const void* newline = memrchr(buffer, '\n', count);
    lineLength_ = newline
                      ? count - static_cast<size_t>(static_cast<const char*>(newline) - buffer + 1)
                      : lineLength_ + count;
    lastGiven_ = buffer;
    lastCount_ = count;
    position_ += count;
    return static_cast<ssize_t>(count);
}

ssize_t FileEndStream::readInto(char* buffer, size_t size) {
    if (state_ == State::Reading) {
        if (editing_) {
            const size_t edited = editLines(buffer, size);
            if (edited > 0) return give(buffer, edited);
        }
        size_t count = fill(buffer, size);
        if (count > 0 && editor_) {
            count = toLineEnd(buffer, count);
            if (watching_ && !editing_ && editable(buffer, count)) {
                unread(buffer, count);
                startEditing();
                const size_t edited = editLines(buffer, size);
                count = edited > 0 ? edited : toLineEnd(buffer, fill(buffer, size));
            }
        }
        if (count > 0) return give(buffer, count);
        state_ = State::EndPaused;
        // A last line without its line end: the reader holds part of a piece
        // of it unless it ends exactly at a piece's end. EAGAIN makes fgets
        // return that part as it is.
        if (lineLength_ % kPieceLength != 0) {
            errno = EAGAIN;
            return -1;
        }
    }
    // The end line again for every read after it: whoever reads past it (the
    // rest of a last line without its line end, which the host skips) still
    // leaves it for the reader.
    if (size >= sizeof kEndLine - 1) {
        state_ = State::Ended;
        endGiven_ = true;
        std::memcpy(buffer, kEndLine, sizeof kEndLine - 1);
        return give(buffer, sizeof kEndLine - 1);
    }
    return 0;
}

void FileEndStream::airbagKeywordStarts(unsigned keywordCode) {
    parameters_.clear();
    if (!editor_) return;
    keywordCode_ = keywordCode;
    watching_ = true;
    editing_ = false;
    firstDataLine_ = true;
    // What stdio holds unread: whole lines, the first ones of the keyword.
    const long at = std::ftell(stream_);
    if (at < 0 || static_cast<uint64_t>(at) > position_) return;
    const size_t unreadCount = static_cast<size_t>(position_ - static_cast<uint64_t>(at));
    // Nothing held (nothing read yet): the lines are looked at as they come.
    if (unreadCount == 0 || unreadCount > lastCount_) return;
    const char* const region = lastGiven_ + lastCount_ - unreadCount;
    // The first '&' of the bytes stdio holds, searched once for the many
    // keywords that a block of them may hold.
    if (ampersandBlock_ != position_ || !ampersandFrom_ || region < ampersandFrom_ ||
        (ampersand_ && ampersand_ < region)) {
        ampersandBlock_ = position_;
        ampersandFrom_ = region;
        ampersand_ = static_cast<const char*>(std::memchr(region, '&', unreadCount));
    }
    if (!ampersand_) {
        passLines(region, unreadCount);
        return;
    }
    if (editable(region, unreadCount)) {
        takeBackUnread();
        startEditing();
    }
}

void FileEndStream::airbagKeywordEnds() {
    watching_ = editing_ = false;
}

const LineParameters* FileEndStream::parametersOn(unsigned long long line) const {
    const auto at = parameters_.find(line);
    return at == parameters_.end() ? nullptr : &at->second;
}

void FileEndStream::startEditing() {
    editor_->prepare();
    editing_ = true;
    inLongLine_ = false;
    // The reader has read every line before the ones the stream holds.
    nextLine_ = reader_ ? reader_->lineNumber + 1 : 0;
}

void FileEndStream::passLines(const char* region, size_t count) {
    const char* const end = region + count;
    // The first data line of the keyword, past its comment lines.
    const char* line = region;
    while (firstDataLine_ && line < end && *line == '$') {
        const void* newline = std::memchr(line, '\n', static_cast<size_t>(end - line));
        line = newline ? static_cast<const char*>(newline) + 1 : end;
    }
    if (line < end) firstDataLine_ = false;
}

bool FileEndStream::editable(const char* region, size_t count) {
    const char* const end = region + count;
    for (const char* at = region; at < end;) {
        const char* amp =
            static_cast<const char*>(std::memchr(at, '&', static_cast<size_t>(end - at)));
        if (!amp) break;
        const void* before = memrchr(region, '\n', static_cast<size_t>(amp - region));
        const char* lineStart = before ? static_cast<const char*>(before) + 1 : region;
        // A keyword line before it ends the airbag keyword.
        for (const char* star = region; star < lineStart;) {
            star = static_cast<const char*>(
                std::memchr(star, '*', static_cast<size_t>(lineStart - star)));
            if (!star) break;
            if (star == region || star[-1] == '\n') {
                watching_ = false;
                return false;
            }
            ++star;
        }
        const void* after = std::memchr(amp, '\n', static_cast<size_t>(end - amp));
        const char* lineEnd = after ? static_cast<const char*>(after) + 1 : end;
        if (*lineStart != '$' && *lineStart != '*' &&
            static_cast<size_t>(lineEnd - lineStart) <= kLongestEditedLine) {
            return true;
        }
        at = lineEnd;
    }
    passLines(region, count);
    return false;
}

bool FileEndStream::holdLine() {
    for (;;) {
        const std::string_view held = undelivered();
        // A line longer than the editor takes need not be held whole.
        if (std::memchr(held.data(), '\n', held.size()) || held.size() > kLongestEditedLine ||
            (fileEnded_ && !held.empty()))
            return true;
        if (fileEnded_ || !file_) return !held.empty();
        pending_.erase(0, pendingAt_);
        pendingAt_ = 0;
        const size_t before = pending_.size();
        pending_.resize(before + kBufferSize);
        const size_t read = std::fread(&pending_[before], 1, kBufferSize, file_);
        fileEnded_ = read < kBufferSize;
        pending_.resize(before + read);
    }
}

size_t FileEndStream::editLines(char* buffer, size_t size) {
    size_t given = 0;
    std::string edited;
    LineParameters fields;
    while (given < size && holdLine()) {
        const std::string_view held = undelivered();
        const void* newline = std::memchr(held.data(), '\n', held.size());
        const size_t length =
            newline ? static_cast<size_t>(static_cast<const char*>(newline) - held.data()) + 1
                    : held.size();
        const char* line = held.data();
        if (!inLongLine_ && line[0] == '*') {
            // The keyword ends: the rest is given as it is.
            editing_ = watching_ = false;
            break;
        }
        if (inLongLine_ || length > kLongestEditedLine) {
            // A line longer than one read of the reader is given as it is.
            if (!inLongLine_ && line[0] != '$') firstDataLine_ = false;
            const size_t part = std::min(length, size - given);
            std::memcpy(buffer + given, line, part);
            given += part;
            pendingAt_ += part;
            inLongLine_ = part < length || !newline;
            if (!inLongLine_) ++nextLine_;
            continue;
        }
        const char* out = line;
        size_t outLength = length;
        if (line[0] != '$') {
            if (std::memchr(line, '&', length) &&
                editor_->edit(keywordCode_, firstDataLine_, line, length, edited, fields)) {
                out = edited.data();
                outLength = edited.size();
            }
            if (outLength > size - given) break;
            if (out != line) parameters_[nextLine_] = fields;
            firstDataLine_ = false;
        } else if (outLength > size - given) {
            break;
        }
        std::memcpy(buffer + given, out, outLength);
        given += outLength;
        pendingAt_ += length;
        if (newline) ++nextLine_;
    }
    if (pendingAt_ == pending_.size()) pending_.clear(), pendingAt_ = 0;
    return given;
}

void FileEndStream::takeBackUnread() {
    if (!inRead_) std::fseek(stream_, 0, SEEK_CUR);
}

void FileEndStream::keepRest() {
    if (!file_ || fileEnded_) return;
    char block[kBufferSize];
    for (size_t read; (read = std::fread(block, 1, sizeof block, file_)) > 0;)
        pending_.append(block, read);
    fileEnded_ = true;
}

}  // namespace abimport
