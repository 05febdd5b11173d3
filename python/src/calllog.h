// The host calls of a deck's imports, kept compactly: a node deck makes one
// addIDToRefFile call per node, so a call costs a few bytes, not a heap
// object. The ID tables (counts, positions and codes) are the same for every
// card of a layout and are kept once; each call stores the index of its
// table, the change of its line from the call before and its words, as
// NUL-terminated texts, in a byte stream of fixed-size blocks that never
// moves what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "../../host/hostcalls.h"

namespace abimport {

// The constant part of a call: its kind and count, and for addIDToRefFile
// the rows of the ID table.
struct CallTable {
    HostCallKind kind;
    unsigned count;  // idCount, or wordCount as passed to an airbag call
    std::vector<unsigned> idPos, idCode1, idCode2;
    // The number of words the call carries.
    unsigned wordCount() const {
        return kind == HostCallKind::IdReport ? count : airbagCallWords(count);
    }
};

// One call as read back from the log.
struct LoggedCall {
    const CallTable* table = nullptr;
    unsigned long long line = 0;  // 0: no data line gave the card
    std::vector<std::string_view> words;
};

class CallLog {
public:
    // Where a call starts in the stream, with the line of the call before it
    // (the base of its line change).
    struct Position {
        size_t block = 0;
        size_t offset = 0;
        unsigned long long lineBefore = 0;
    };

    void addIdReport(char** words, unsigned idCount, const unsigned* idPos, const unsigned* idCode1,
                     const unsigned* idCode2, unsigned long long line);
    void addAirbagCall(HostCallKind kind, char** words, unsigned wordCount,
                       unsigned long long line);

    size_t size() const { return count_; }
    // The position of the next call to be added.
    Position end() const;
    // Reads the call at position into call and moves position past it.
    // position must lie before end().
    void read(Position& position, LoggedCall& call) const;
    const std::vector<CallTable>& tables() const { return tables_; }

private:
    static constexpr size_t kBlockSize = size_t{1} << 20;

    unsigned internTable(const CallTable& table);
    // Appends one call: its table, its line and the words at the given
    // positions of the word list (a null list or word is empty).
    void append(unsigned table, unsigned long long line, char** words, const unsigned* positions,
                unsigned wordCount);
    char* reserve(size_t bytes);

    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size = 0, used = 0;
    };
    std::vector<Block> blocks_;
    std::vector<CallTable> tables_;
    std::unordered_map<std::string, unsigned> tableIndex_;
    unsigned lastTable_ = 0;
    bool haveLast_ = false;
    unsigned long long lastLine_ = 0;
    size_t count_ = 0;
};

}  // namespace abimport
