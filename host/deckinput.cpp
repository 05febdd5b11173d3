#include "deckinput.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace abimport {

DeckInput::DeckInput(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    if (path == "-") {
        file_ = stdin;
    } else {
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_) {
            fail(errno);
            return;
        }
        owned_ = true;
    }
    // A directory opens for reading but yields no lines; say so instead.
    struct stat status;
    if (fstat(fileno(file_), &status) != 0) {
        fail(errno);
    } else if (S_ISDIR(status.st_mode)) {
        fail(EISDIR);
    }
}

DeckInput::~DeckInput() {
    if (owned_) std::fclose(file_);
}

void DeckInput::fail(int errorNumber) {
    errorNumber_ = errorNumber;
    error_ = "cannot read '" + name_ + "': " + std::strerror(errorNumber);
    if (owned_) std::fclose(file_);
    owned_ = false;
    file_ = nullptr;
}

bool DeckInput::readFailed() {
    if (!file_ || !std::ferror(file_)) return false;
    const int errorNumber = errno;
    errorNumber_ = errorNumber;
    error_ = "error while reading '" + name_ + "': " + std::strerror(errorNumber);
    return true;
}

}  // namespace abimport
