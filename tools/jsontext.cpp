#include "jsontext.h"

#include <charconv>
#include <cmath>

void appendJsonString(std::string& out, const char* text, size_t length) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
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
