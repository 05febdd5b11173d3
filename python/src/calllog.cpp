#include "calllog.h"

#include <algorithm>
#include <cstring>

namespace abimport {

namespace {

// Unsigned LEB128: seven bits a byte, the high bit set on all but the last.
constexpr size_t kMaxVarintBytes = 10;

char* putVarint(char* out, uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
    return out;
}

uint64_t getVarint(const char*& in) {
    uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*in++);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
}

// Line changes are small and of either sign: zigzag keeps them short.
uint64_t zigzag(unsigned long long line, unsigned long long before) {
    const auto change = static_cast<int64_t>(line - before);
    return (static_cast<uint64_t>(change) << 1) ^ static_cast<uint64_t>(change >> 63);
}

unsigned long long unzigzag(uint64_t code, unsigned long long before) {
    const uint64_t change = (code >> 1) ^ (~(code & 1) + 1);
    return before + change;
}

bool sameRows(const CallTable& table, HostCallKind kind, unsigned count, const unsigned* idPos,
              const unsigned* idCode1, const unsigned* idCode2) {
    if (table.kind != kind || table.count != count) return false;
    if (kind != HostCallKind::IdReport) return true;
    return std::equal(table.idPos.begin(), table.idPos.end(), idPos) &&
           std::equal(table.idCode1.begin(), table.idCode1.end(), idCode1) &&
           std::equal(table.idCode2.begin(), table.idCode2.end(), idCode2);
}

std::string tableKey(const CallTable& table) {
    std::string key;
    const unsigned head[2] = {static_cast<unsigned>(table.kind), table.count};
    key.append(reinterpret_cast<const char*>(head), sizeof head);
    for (const auto* rows : {&table.idPos, &table.idCode1, &table.idCode2}) {
        key.append(reinterpret_cast<const char*>(rows->data()), rows->size() * sizeof(unsigned));
    }
    return key;
}

}  // namespace

unsigned CallLog::internTable(const CallTable& table) {
    auto [entry, added] =
        tableIndex_.emplace(tableKey(table), static_cast<unsigned>(tables_.size()));
    if (added) tables_.push_back(table);
    lastTable_ = entry->second;
    haveLast_ = true;
    return lastTable_;
}

void CallLog::addIdReport(char** words, unsigned idCount, const unsigned* idPos,
                          const unsigned* idCode1, const unsigned* idCode2,
                          unsigned long long line) {
    unsigned table = lastTable_;
    if (!haveLast_ ||
        !sameRows(tables_[table], HostCallKind::IdReport, idCount, idPos, idCode1, idCode2)) {
        table = internTable({HostCallKind::IdReport, idCount,
                             std::vector<unsigned>(idPos, idPos + idCount),
                             std::vector<unsigned>(idCode1, idCode1 + idCount),
                             std::vector<unsigned>(idCode2, idCode2 + idCount)});
    }
    append(table, line, words, idPos, idCount);
}

void CallLog::addAirbagCall(HostCallKind kind, char** words, unsigned wordCount,
                            unsigned long long line) {
    unsigned table = lastTable_;
    if (!haveLast_ || !sameRows(tables_[table], kind, wordCount, nullptr, nullptr, nullptr)) {
        table = internTable({kind, wordCount, {}, {}, {}});
    }
    append(table, line, words, nullptr, airbagCallWords(wordCount));
}

char* CallLog::reserve(size_t bytes) {
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < bytes) {
        Block block;
        block.size = bytes > kBlockSize ? bytes : kBlockSize;
        block.bytes.reset(new char[block.size]);
        blocks_.push_back(std::move(block));
    }
    return blocks_.back().bytes.get() + blocks_.back().used;
}

void CallLog::append(unsigned table, unsigned long long line, char** words,
                     const unsigned* positions, unsigned wordCount) {
    // A position past the word list names no word, as a null word does.
    auto wordAt = [&](unsigned k) -> const char* {
        const unsigned pos = positions ? positions[k] : k;
        return words && pos < DataLine::kWordBufferCount && words[pos] ? words[pos] : "";
    };
    size_t bytes = 2 * kMaxVarintBytes;
    for (unsigned k = 0; k < wordCount; ++k) bytes += std::strlen(wordAt(k)) + 1;
    char* const start = reserve(bytes);
    char* out = putVarint(start, table);
    out = putVarint(out, zigzag(line, lastLine_));
    for (unsigned k = 0; k < wordCount; ++k) {
        const char* word = wordAt(k);
        const size_t length = std::strlen(word);
        std::memcpy(out, word, length + 1);
        out += length + 1;
    }
    blocks_.back().used += static_cast<size_t>(out - start);
    lastLine_ = line;
    ++count_;
}

CallLog::Position CallLog::end() const {
    if (blocks_.empty()) return {0, 0, lastLine_};
    return {blocks_.size() - 1, blocks_.back().used, lastLine_};
}

void CallLog::read(Position& position, LoggedCall& call) const {
    if (position.offset == blocks_[position.block].used) {
        ++position.block;
        position.offset = 0;
    }
    const Block& block = blocks_[position.block];
    const char* in = block.bytes.get() + position.offset;
    call.table = &tables_[getVarint(in)];
    call.line = unzigzag(getVarint(in), position.lineBefore);
    const unsigned wordCount = call.table->wordCount();
    call.words.resize(wordCount);
    for (unsigned k = 0; k < wordCount; ++k) {
        const size_t length = std::strlen(in);
        call.words[k] = std::string_view(in, length);
        in += length + 1;
    }
    position.offset = static_cast<size_t>(in - block.bytes.get());
    position.lineBefore = call.line;
}

}  // namespace abimport
