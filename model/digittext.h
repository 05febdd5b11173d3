// Decimal digits of an unsigned integer, as printf's %u and %llu write them.
// Internal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace abimport_detail {

// Writes the digits of value to out (no terminator); returns their count, at
// most 20.
inline size_t writeDigits(char* out, uint64_t value) {
    char reversed[20];
    size_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (size_t i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
    return n;
}

// Writes exactly count digits of value, with leading zeros.
inline void writeDigitsPadded(char* out, uint64_t value, size_t count) {
    for (size_t i = count; i-- > 0;) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

}  // namespace abimport_detail
