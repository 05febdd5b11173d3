#include "positions.h"

namespace abimport::lsp {

namespace {

// The length of the valid UTF-8 sequence at line[at], or 0 when the byte
// there begins none (a stray continuation byte, an overlong form, a
// surrogate, a code point past U+10FFFF, a sequence cut short).
size_t sequenceLength(std::string_view line, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(line[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > line.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

// The units that the character of `bytes` bytes at a position counts for
// (an invalid byte: one byte, one unit).
size_t unitsOf(size_t bytes, PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::Utf8: return bytes;
        case PositionEncoding::Utf32: return 1;
        case PositionEncoding::Utf16: return bytes == 4 ? 2 : 1;
    }
    return 1;
}

}  // namespace

const char* encodingName(PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::Utf8: return "utf-8";
        case PositionEncoding::Utf32: return "utf-32";
        case PositionEncoding::Utf16: return "utf-16";
    }
    return "utf-16";
}

size_t unitsBefore(std::string_view line, size_t byteColumn, PositionEncoding encoding) {
    if (byteColumn > line.size()) byteColumn = line.size();
    if (encoding == PositionEncoding::Utf8) return byteColumn;
    size_t units = 0;
    for (size_t at = 0; at < byteColumn;) {
        size_t bytes = sequenceLength(line, at);
        if (bytes == 0) bytes = 1;
        // A column inside a character counts the character whole.
        units += unitsOf(bytes, encoding);
        at += bytes;
    }
    return units;
}

size_t byteColumnOf(std::string_view line, size_t units, PositionEncoding encoding) {
    if (encoding == PositionEncoding::Utf8) return units < line.size() ? units : line.size();
    size_t at = 0;
    for (size_t counted = 0; at < line.size();) {
        size_t bytes = sequenceLength(line, at);
        if (bytes == 0) bytes = 1;
        const size_t next = counted + unitsOf(bytes, encoding);
        if (next > units) break;
        counted = next;
        at += bytes;
    }
    return at;
}

}  // namespace abimport::lsp
