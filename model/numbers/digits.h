// Decimal digits of an unsigned integer, as printf's %u and %llu write them,
// two digits per division. Internal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace abimport::detail {

// "00", "01", ..., "99" one after the other.
inline constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// 10^0 to 10^19, every power of ten a uint64_t holds.
inline constexpr std::array<uint64_t, 20> kPowersOfTen = [] {
    std::array<uint64_t, 20> powers{};
    uint64_t power = 1;
    for (uint64_t& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// 10^0 to 10^22, every power of ten that a double holds exactly.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number of decimal digits of value (1 for 0), at most 20.
inline size_t digitCount(uint64_t value) {
    size_t n = 1;
    while (n < kPowersOfTen.size() && value >= kPowersOfTen[n]) ++n;
    return n;
}

// Writes exactly count digits of value, with leading zeros.
inline void writeDigitsPadded(char* out, uint64_t value, size_t count) {
    size_t i = count;
    while (i >= 2) {
        i -= 2;
        std::memcpy(out + i, &kDigitPairs[2 * (value % 100)], 2);
        value /= 100;
    }
    if (i) out[0] = static_cast<char>('0' + value % 10);
}

// Writes the digits of value to out (no terminator); returns their count, at
// most 20.
inline size_t writeDigits(char* out, uint64_t value) {
    const size_t n = digitCount(value);
    writeDigitsPadded(out, value, n);
    return n;
}

}  // namespace abimport::detail
