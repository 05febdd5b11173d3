#include "modelfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace abimport {

bool readWholeFile(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    char chunk[1 << 16];
    struct stat status;
    if (fstat(fileno(file), &status) == 0 && status.st_size > 0) {
        bytes.reserve(static_cast<size_t>(status.st_size));
    }
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

void ModelFile::index() {
    if (!lineStarts_.empty()) return;
    lineStarts_.push_back(0);
    for (size_t at = bytes_.find('\n'); at != std::string::npos; at = bytes_.find('\n', at + 1)) {
        lineStarts_.push_back(at + 1);
    }
    // A last line without a newline is a line; an empty one after the last
    // newline is not.
    if (lineStarts_.back() == bytes_.size() && lineStarts_.size() > 1) lineStarts_.pop_back();
}

size_t ModelFile::lineEnd(unsigned long long number) const {
    if (number < lineStarts_.size()) return lineStarts_[number] - 1;
    return !bytes_.empty() && bytes_.back() == '\n' ? bytes_.size() - 1 : bytes_.size();
}

bool ModelFile::line(unsigned long long number, std::string_view& text) {
    index();
    if (number == 0 || number > lineStarts_.size()) return false;
    if (lineEdited(number)) {
        text = editedText(number);
    } else {
        text =
            std::string_view(bytes_).substr(lineStart(number), lineEnd(number) - lineStart(number));
    }
    return true;
}

bool ModelFile::lineHasNewline(unsigned long long number) {
    index();
    return number < lineStarts_.size() || (!bytes_.empty() && bytes_.back() == '\n');
}

void ModelFile::setLine(unsigned long long number, std::string_view text) {
    index();
    const std::string_view original =
        std::string_view(bytes_).substr(lineStart(number), lineEnd(number) - lineStart(number));
    if (text == original) {
        revert(number);
        return;
    }
    if (edited_.empty()) {
        edited_.resize(lineStarts_.size() + 1);
        // Room for every line edited: pages are taken only as they are written.
        edits_.reserve(bytes_.size() + bytes_.size() / 8);
    }
    Span& span = edited_[number];
    if (span.length == kNone) ++editedCount_;
    span.offset = edits_.size();
    span.length = static_cast<uint32_t>(text.size());
    edits_.append(text);
}

void ModelFile::restore(unsigned long long number, LineState state) {
    if (state.length == kNone) {
        revert(number);
        return;
    }
    if (!lineEdited(number)) ++editedCount_;
    edited_[number] = {state.offset, state.length};
}

void ModelFile::undoSince(Mark mark) {
    for (unsigned long long number = 1; number < edited_.size(); ++number) {
        if (lineEdited(number) && edited_[number].offset >= mark.edits) revert(number);
    }
}

void ModelFile::revert(unsigned long long number) {
    if (!lineEdited(number)) return;
    edited_[number].length = kNone;
    --editedCount_;
}

void ModelFile::rebase() {
    if (!changed()) return;
    if (touched_.size() < edited_.size()) touched_.resize(edited_.size(), false);
    for (unsigned long long number = 1; number < edited_.size(); ++number) {
        if (lineEdited(number)) touched_[number] = true;
    }
    bytes_ = content();
    edited_.clear();
    edits_.clear();
    editedCount_ = 0;
    lineStarts_.clear();
}

std::string ModelFile::content() const {
    if (!changed()) return bytes_;
    std::string out;
    out.reserve(bytes_.size() + bytes_.size() / 8);
    size_t copied = 0;
    for (unsigned long long number = 1; number < edited_.size(); ++number) {
        if (!lineEdited(number)) continue;
        out.append(bytes_, copied, lineStart(number) - copied);
        out += editedText(number);
        copied = lineEnd(number);
    }
    out.append(bytes_, copied, std::string::npos);
    return out;
}

std::string ModelFile::diff() const {
    std::string out;
    for (unsigned long long number = 1; number < edited_.size(); ++number) {
        if (!lineEdited(number)) continue;
        const std::string n = std::to_string(number);
        out += "@@ -" + n + " +" + n + " @@\n-";
        out.append(bytes_, lineStart(number), lineEnd(number) - lineStart(number));
        out += "\n+";
        out += editedText(number);
        out += '\n';
    }
    return out;
}

namespace {

// Whether the file at path holds exactly bytes, read in blocks.
bool holds(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char block[1 << 16];
    size_t at = 0, n;
    bool same = true;
    while (same && (n = std::fread(block, 1, sizeof block, file)) > 0) {
        same = n <= bytes.size() - at && std::memcmp(block, bytes.data() + at, n) == 0;
        at += n;
    }
    same = same && !std::ferror(file) && at == bytes.size();
    std::fclose(file);
    return same;
}

}  // namespace

bool filesUnchangedOnDisk(const std::vector<ModelFile>& files, bool onlyChanged,
                          std::string& error) {
    for (const ModelFile& file : files) {
        if (onlyChanged && !file.changed()) continue;
        if (!holds(file.path(), file.original())) {
            error = file.path() + ": the file changed on disk since it was read; nothing written";
            return false;
        }
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const ModelFile& file,
                         const std::function<void(const std::string&)>& beforeRename,
                         std::string& error) {
    std::string temporary = path + ".abimport-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot write next to '" + path + "': " + std::strerror(errno);
        return false;
    }
    struct stat status;
    mode_t mode;
    if (stat(path.c_str(), &status) == 0) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    auto fail = [&](const char* what) {
        error = std::string(what) + " '" + path + "': " + std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    };
    // The pieces are gathered into blocks of 1 MiB, which are written.
    std::string block;
    block.reserve(1 << 20);
    auto flush = [&] {
        for (size_t written = 0; written < block.size();) {
            const ssize_t n = write(fd, block.data() + written, block.size() - written);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            written += static_cast<size_t>(n);
        }
        block.clear();
        return true;
    };
    const bool written = file.writeContent([&](std::string_view piece) {
        if (block.size() + piece.size() > block.capacity() && !flush()) return false;
        if (piece.size() >= block.capacity()) {
            block.assign(piece);
            return flush();
        }
        block.append(piece);
        return true;
    });
    if (!written || !flush()) return fail("cannot write");
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0) return fail("cannot write");
    if (close(fd) != 0) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    try {
        if (beforeRename) beforeRename(temporary);
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace '" + path + "': " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace abimport
