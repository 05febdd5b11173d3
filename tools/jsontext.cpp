#include "jsontext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "../model/digittext.h"
#include "shortestdouble.h"

namespace {

// The bytes that stand in a JSON string as they are: printable ASCII but the
// quote and the backslash.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (unsigned c = 0x20; c < 0x7F; ++c) plain[c] = c != '"' && c != '\\';
    return plain;
}();

}  // namespace

void JsonText::string(const char* text, size_t length) {
    static const char kHex[] = "0123456789ABCDEF";
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
            const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
            raw(escaped, sizeof escaped);
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
        const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
        return raw(digits, 2);
    }
    char digits[20];
    raw(digits, abimport_detail::writeDigits(digits, value));
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
    raw(text, writeShortestDouble(text, value));
}

void appendJsonString(std::string& out, const char* text, size_t length) {
    JsonText(out).string(text, length);
}

void appendJsonString(std::string& out, const std::string& text) {
    JsonText(out).string(text);
}

void appendJsonDouble(std::string& out, double value) { JsonText(out).real(value); }
