// One deck named on the command line, opened for reading: a file, or
// standard input for "-"; or a stream opened by the caller.
#pragma once

#include <cstdio>
#include <string>

namespace abimport {

class DeckInput {
public:
    explicit DeckInput(const std::string& path);
    // A stream that stays the caller's, named name in errors.
    DeckInput(FILE* file, const std::string& name) : name_(name), file_(file) {}
    ~DeckInput();
    DeckInput(const DeckInput&) = delete;
    DeckInput& operator=(const DeckInput&) = delete;

    // Null when the deck could not be opened; error() then says why.
    FILE* file() const { return file_; }
    // Why the deck cannot be read, or empty.
    const std::string& error() const { return error_; }
    // The errno value behind error(), or 0.
    int errorNumber() const { return errorNumber_; }
    // After the import: whether reading failed on the way (not just ended);
    // error() then says why.
    bool readFailed();
    // The path, or "standard input" for "-".
    const std::string& name() const { return name_; }

private:
    void fail(int errorNumber);

    std::string name_;
    FILE* file_ = nullptr;
    bool owned_ = false;
    std::string error_;
    int errorNumber_ = 0;
};

}  // namespace abimport
