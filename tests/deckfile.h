// Test helper: a deck held in memory, readable as a FILE*.
#pragma once

#include <cstdio>
#include <string>

class DeckFile {
public:
    explicit DeckFile(std::string text) : text_(std::move(text)) {
        // fmemopen of an empty buffer is not portable; an empty deck reads
        // from a one-byte buffer of size zero instead.
        file_ = text_.empty() ? std::fopen("/dev/null", "r")
                              : fmemopen(text_.data(), text_.size(), "r");
    }
    ~DeckFile() {
        if (file_) std::fclose(file_);
    }
    DeckFile(const DeckFile&) = delete;
    DeckFile& operator=(const DeckFile&) = delete;

    FILE* get() const { return file_; }

private:
    std::string text_;
    FILE* file_;
};
