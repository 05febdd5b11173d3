#include "modelfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace abimport {

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return !in.bad();
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

bool ModelFile::line(unsigned long long number, std::string& text) {
    index();
    if (number == 0 || number > lineStarts_.size()) return false;
    const auto edited = edited_.find(number);
    if (edited != edited_.end()) {
        text = edited->second;
        return true;
    }
    const size_t begin = lineStarts_[number - 1];
    text.assign(bytes_, begin, lineEnd(number) - begin);
    return true;
}

bool ModelFile::lineHasNewline(unsigned long long number) {
    index();
    return number < lineStarts_.size() || (!bytes_.empty() && bytes_.back() == '\n');
}

void ModelFile::setLine(unsigned long long number, std::string text) {
    index();
    const size_t begin = lineStarts_[number - 1];
    const size_t end = lineEnd(number);
    if (text.compare(0, std::string::npos, bytes_, begin, end - begin) == 0) {
        edited_.erase(number);
    } else {
        edited_[number] = std::move(text);
    }
}

std::string ModelFile::content() const {
    if (edited_.empty()) return bytes_;
    std::vector<unsigned long long> lines;
    lines.reserve(edited_.size());
    for (const auto& entry : edited_) lines.push_back(entry.first);
    std::sort(lines.begin(), lines.end());
    std::string out;
    out.reserve(bytes_.size() + bytes_.size() / 8);
    size_t copied = 0;
    for (unsigned long long number : lines) {
        const size_t begin = lineStarts_[number - 1];
        const size_t end = lineEnd(number);
        out.append(bytes_, copied, begin - copied);
        out += edited_.at(number);
        copied = end;
    }
    out.append(bytes_, copied, std::string::npos);
    return out;
}

std::string ModelFile::diff() const {
    std::vector<unsigned long long> lines;
    for (const auto& entry : edited_) lines.push_back(entry.first);
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (unsigned long long number : lines) {
        const size_t begin = lineStarts_[number - 1];
        const size_t end = lineEnd(number);
        const std::string n = std::to_string(number);
        out += "@@ -" + n + " +" + n + " @@\n-" + bytes_.substr(begin, end - begin) + "\n+" +
               edited_.at(number) + "\n";
    }
    return out;
}

bool filesUnchangedOnDisk(const std::vector<ModelFile>& files, bool onlyChanged,
                          std::string& error) {
    for (const ModelFile& file : files) {
        if (onlyChanged && !file.changed()) continue;
        std::string now;
        if (!readWholeFile(file.path(), now) || now != file.original()) {
            error = file.path() + ": the file changed on disk since it was read; nothing written";
            return false;
        }
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes,
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
    for (size_t written = 0; written < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write");
        }
        written += static_cast<size_t>(n);
    }
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
