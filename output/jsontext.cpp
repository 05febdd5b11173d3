#include "jsontext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "../model/numbers/digits.h"
#include "../model/numbers/shortest.h"

namespace abimport {

namespace {

// The bytes that stand in a JSON string as they are: printable ASCII but the
// quote and the backslash.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (unsigned c = 0x20; c < 0x7F; ++c) plain[c] = c != '"' && c != '\\';
    return plain;
}();

}  // namespace

size_t utf8Sequence(const char* text, size_t length, unsigned& codePoint) {
    const auto byte = [text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    // The sequence's length and the range of its second byte, which rules out
    // overlong forms, surrogates and code points past U+10FFFF.
    size_t size = 4;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length < size || byte(1) < low || byte(1) > high) return 0;
    unsigned value = lead & (0x7F >> size);
    for (size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = value << 6 | (byte(i) & 0x3F);
    }
    codePoint = value;
    return size;
}

void JsonText::escape(unsigned codeUnit) {
    static const char kHex[] = "0123456789ABCDEF";
    const char escaped[6] = {'\\',
                             'u',
                             kHex[codeUnit >> 12 & 0xF],
                             kHex[codeUnit >> 8 & 0xF],
                             kHex[codeUnit >> 4 & 0xF],
                             kHex[codeUnit & 0xF]};
    raw(escaped, sizeof escaped);
}

void JsonText::string(const char* text, size_t length) {
    raw('"');
    size_t i = 0;
    while (i < length) {
        size_t run = i;
        while (run < length && kPlainBytes[static_cast<unsigned char>(text[run])]) ++run;
        raw(text + i, run - i);
        if (run == length) break;
        const unsigned char c = static_cast<unsigned char>(text[run]);
        switch (c) {
            case '"': raw("\\\""); break;
            case '\\': raw("\\\\"); break;
            case '\n': raw("\\n"); break;
            case '\r': raw("\\r"); break;
            case '\t': raw("\\t"); break;
            default: {
                unsigned codePoint = c;
                size_t size = c < 0x80 ? 1 : utf8Sequence(text + run, length - run, codePoint);
                if (size == 0) {
                    codePoint = 0xDC00 | c;
                    size = 1;
                }
                if (codePoint > 0xFFFF) {
                    escape(0xD800 | ((codePoint - 0x10000) >> 10));
                    codePoint = 0xDC00 | (codePoint & 0x3FF);
                }
                escape(codePoint);
                i = run + size;
                continue;
            }
        }
        i = run + 1;
    }
    raw('"');
}

void JsonText::number(unsigned long long value) {
    // Most numbers of the events are codes, widths and counts of one or two digits.
    if (value < 10) return raw(static_cast<char>('0' + value));
    if (value < 100) {
        const char digits[2] = {static_cast<char>('0' + value / 10),
                                static_cast<char>('0' + value % 10)};
        return raw(digits, 2);
    }
    char digits[20];
    raw(digits, abimport::detail::writeDigits(digits, value));
}

void JsonText::number(long long value) {
    if (value < 0) {
        raw('-');
        number(0ULL - static_cast<unsigned long long>(value));
    } else {
        number(static_cast<unsigned long long>(value));
    }
}

void JsonText::real(double value) {
    if (std::isnan(value) || std::isinf(value)) {
        const bool negative = std::signbit(value);
        const char* text = std::isnan(value) ? (negative ? "\"-nan\"" : "\"nan\"")
                                             : (negative ? "\"-inf\"" : "\"inf\"");
        raw(text, std::strlen(text));
        return;
    }
    char text[32];
    raw(text, abimport::detail::writeShortestDouble(text, value));
}

void appendJsonString(std::string& out, const char* text, size_t length) {
    JsonText(out).string(text, length);
}

void appendJsonString(std::string& out, const std::string& text) {
    JsonText(out).string(text);
}

void appendJsonDouble(std::string& out, double value) {
    JsonText(out).real(value);
}

}  // namespace abimport
