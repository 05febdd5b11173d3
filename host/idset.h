// A set of non-zero IDs, counted: words of 64 bits for 64 consecutive IDs in
// one flat table (open addressing, linear probing). IDs mostly come in dense
// runs, card after card, so most inserts set a bit in the word of the insert
// before, and a run of a million IDs takes a quarter of a megabyte. Scattered
// IDs take a word each: at most 32 bytes per ID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

class IdSet {
public:
    // Adds a non-zero id; false when it was there already. Inlined: it is
    // called for every ID a model defines.
    [[gnu::always_inline]] bool insert(long long id) {
        const uint64_t key = static_cast<uint64_t>(id) >> 6;
        const uint64_t bit = uint64_t{1} << (static_cast<uint64_t>(id) & 63);
        if (lastWord_ == kNone || words_[lastWord_].key != key) lastWord_ = wordOf(key);
        Word& word = words_[lastWord_];
        if (word.bits & bit) return false;
        word.bits |= bit;
        ++size_;
        return true;
    }
    bool contains(long long id) const {
        if (words_.empty()) return false;
        const uint64_t key = static_cast<uint64_t>(id) >> 6;
        const Word& word = words_[slotOf(words_, key)];
        return word.bits != 0 && (word.bits >> (static_cast<uint64_t>(id) & 63) & 1);
    }
    size_t size() const { return size_; }
    // The bytes the set holds.
    size_t bytes() const { return words_.capacity() * sizeof(Word); }

private:
    // A slot with no bit set is empty.
    struct Word {
        uint64_t key;
        uint64_t bits;
    };
    static constexpr size_t kNone = static_cast<size_t>(-1);

    // The slot of key's word, made (without bits) when it is not there.
    size_t wordOf(uint64_t key) {
        if (2 * (used_ + 1) > words_.size()) grow();
        const size_t at = slotOf(words_, key);
        if (words_[at].bits == 0) {
            words_[at].key = key;
            ++used_;
        }
        return at;
    }
    // Where key's word is, or the empty slot where it belongs.
    static size_t slotOf(const std::vector<Word>& words, uint64_t key) {
        const size_t mask = words.size() - 1;
        // Fibonacci hashing spreads neighbouring keys over the table.
        size_t at = static_cast<size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & mask;
        while (words[at].bits != 0 && words[at].key != key) at = (at + 1) & mask;
        return at;
    }
    void grow() {
        std::vector<Word> bigger(words_.empty() ? 64 : 2 * words_.size(), Word{0, 0});
        for (const Word& word : words_) {
            if (word.bits != 0) bigger[slotOf(bigger, word.key)] = word;
        }
        words_.swap(bigger);
        lastWord_ = kNone;
    }

    std::vector<Word> words_;
    size_t used_ = 0;  // words with bits
    size_t size_ = 0;  // IDs
    size_t lastWord_ = kNone;
};

}  // namespace abimport
