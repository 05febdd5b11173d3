#include "jsontext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

// The bytes that stand in a JSON string as they are: printable ASCII but the
// quote and the backslash.
constexpr std::array<bool, 256> kPlainBytes = [] {
    std::array<bool, 256> plain{};
    for (unsigned c = 0x20; c < 0x7F; ++c) plain[c] = c != '"' && c != '\\';
    return plain;
}();

void appendEscaped(std::string& out, unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default: {
        const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
        out.append(escaped, sizeof escaped);
    }
    }
}

}  // namespace

void appendJsonString(std::string& out, const char* text, size_t length) {
    out += '"';
    size_t i = 0;
    while (i < length) {
        size_t run = i;
        while (run < length && kPlainBytes[static_cast<unsigned char>(text[run])]) ++run;
        out.append(text + i, run - i);
        if (run == length) break;
        appendEscaped(out, static_cast<unsigned char>(text[run]));
        i = run + 1;
    }
    out += '"';
}

void appendJsonString(std::string& out, const std::string& text) {
    appendJsonString(out, text.data(), text.size());
}

void appendJsonDouble(std::string& out, double value) {
    if (std::isnan(value)) {
        out += std::signbit(value) ? "\"-nan\"" : "\"nan\"";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "\"-inf\"" : "\"inf\"";
        return;
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void appendJsonNumber(std::string& out, long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}
