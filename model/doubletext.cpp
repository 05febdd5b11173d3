// Text form of a Double in a field of W columns.
#include <cstdio>
#include <cstring>

#include "aligntext.h"
#include "data.h"

void Double::tostring(char* out) {
    const int w = static_cast<int>(width);

    // Fixed notation with 14 decimals. The largest doubles need over 300
    // digits, so this text has scratch space of its own.
    char fixed[400];
    int len = std::snprintf(fixed, sizeof fixed, "%.14f", val);
    if (len < 0) len = 0;
    if (len >= static_cast<int>(sizeof fixed)) len = sizeof fixed - 1;

    // Trailing zeros go; the decimal point stops the strip and stays.
    if (std::memchr(fixed, '.', len)) {
        while (len > 0 && fixed[len - 1] == '0') --len;
    }
    fixed[len] = '\0';

    if (len <= w) {
        abimport_detail::writeAligned(out, fixed, static_cast<size_t>(len), width);
        return;
    }

    // Too wide: exponent form whose mantissa fills the field for a positive
    // value with a two-digit exponent.
    const int precision = w >= 6 ? w - 6 : 0;
    int elen = std::snprintf(out, kTextBufferSize, "%*.*e", w, precision, val);
    if (elen > static_cast<int>(kTextBufferSize) - 1) elen = kTextBufferSize - 1;
    if (elen > w) {
        // One character over (a sign or a three-digit exponent): drop the 'e',
        // the form the line reader repairs on input.
        char* e = std::strrchr(out, 'e');
        if (e) std::memmove(e, e + 1, std::strlen(e + 1) + 1);
    }
}
