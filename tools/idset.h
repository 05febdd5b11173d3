// A set of non-zero IDs in one flat table (open addressing, linear probing):
// no allocation per ID, 16 bytes per ID at most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IdSet {
public:
    // Adds a non-zero id.
    void insert(long long id) {
        if (2 * (size_ + 1) > slots_.size()) grow();
        if (place(slots_, id)) ++size_;
    }
    size_t size() const { return size_; }

private:
    // Puts id in its slot; false when it is there already. 0 marks an empty slot.
    static bool place(std::vector<long long>& slots, long long id) {
        const size_t mask = slots.size() - 1;
        // Fibonacci hashing spreads consecutive IDs over the table.
        size_t at = static_cast<size_t>((static_cast<uint64_t>(id) * 0x9E3779B97F4A7C15ULL) >> 20) & mask;
        while (slots[at] != 0) {
            if (slots[at] == id) return false;
            at = (at + 1) & mask;
        }
        slots[at] = id;
        return true;
    }
    void grow() {
        std::vector<long long> bigger(slots_.empty() ? 64 : 2 * slots_.size(), 0);
        for (long long id : slots_)
            if (id != 0) place(bigger, id);
        slots_.swap(bigger);
    }

    std::vector<long long> slots_;
    size_t size_ = 0;
};
