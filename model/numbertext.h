// Numbers from field text, exactly as the C library's strtol (base 10) and
// strtod read them. Internal to the library.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace abimport_detail {

inline long textToLong(const char* text) { return std::strtol(text, nullptr, 10); }
inline double textToDouble(const char* text) { return std::strtod(text, nullptr); }

// strtol cut to its low 32 bits.
inline uint32_t textToU32(const char* text) {
    return static_cast<uint32_t>(static_cast<unsigned long>(textToLong(text)));
}
inline int32_t textToI32(const char* text) { return static_cast<int32_t>(textToU32(text)); }

}  // namespace abimport_detail
