// Writes a value's text aligned in its field into a caller's scratch buffer
// of Object::kTextBufferSize bytes, as "%*s" (or "%-*s") would, cut at the end
// of the buffer. Internal.
#pragma once

#include <cstring>

#include "object.h"

namespace abimport::detail {

inline void writeAligned(char* out, const char* text, size_t length, unsigned width,
                         bool leftAlign = false) {
    constexpr size_t kRoom = Object::kTextBufferSize - 1;
    const size_t pad = width > length ? width - length : 0;
    size_t at = 0;
    auto put = [&](const char* s, size_t n) {
        if (n > kRoom - at) n = kRoom - at;
        std::memcpy(out + at, s, n);
        at += n;
    };
    auto blanks = [&](size_t n) {
        if (n > kRoom - at) n = kRoom - at;
        std::memset(out + at, ' ', n);
        at += n;
    };
    if (!leftAlign) blanks(pad);
    put(text, length);
    if (leftAlign) blanks(pad);
    out[at] = '\0';
}

}  // namespace abimport::detail
