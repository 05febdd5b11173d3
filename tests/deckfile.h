// Test helper: a deck held in memory, readable as a FILE*.
#pragma once

#include <cstdio>
#include <string>

namespace abimport {

class DeckFile {
public:
    explicit DeckFile(std::string text) : text_(std::move(text)) {
#if defined(_WIN32)
        // No fmemopen: the text goes through a temporary file, read as bytes.
        file_ = std::tmpfile();
        if (file_ && (std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size() ||
                      std::fseek(file_, 0, SEEK_SET) != 0)) {
            std::fclose(file_);
            file_ = nullptr;
        }
#else
        // fmemopen of an empty buffer is not portable; an empty deck reads
        // from /dev/null instead.
        file_ = text_.empty() ? std::fopen("/dev/null", "r")
                              : fmemopen(text_.data(), text_.size(), "r");
#endif
    }
    ~DeckFile() {
        if (file_) std::fclose(file_);
    }
    DeckFile(const DeckFile&) = delete;
    DeckFile& operator=(const DeckFile&) = delete;

    FILE* get() const {
        return file_;
    }

private:
    std::string text_;
    FILE* file_;
};

}  // namespace abimport
