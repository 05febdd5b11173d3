#include "largetext.h"

#include <cstring>

namespace abimport::lsp {

const char* const kTakenText = "\x01 the text taken out of the message \x01";

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool hex4(const std::string& s, size_t at, unsigned& value) {
    if (at + 4 > s.size()) return false;
    value = 0;
    for (size_t i = 0; i < 4; ++i) {
        const int digit = hexDigit(s[at + i]);
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

size_t putUtf8(char* out, unsigned code) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | code >> 6);
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | code >> 12);
        out[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | code >> 18);
    out[1] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

// The end of the string that begins with the quote at s[at]: the index of
// its closing quote, or npos.
size_t stringEnd(const std::string& s, size_t at) {
    for (size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] == '\\')
            ++i;
        else if (s[i] == '"')
            return i;
    }
    return std::string::npos;
}

// Decodes the string s[begin, end) (between its quotes) into s from begin
// on, which it never outgrows (or only measures it, when write is false);
// the decoded length, or npos for a bad escape.
size_t decodeInPlace(std::string& s, size_t begin, size_t end, bool write) {
    char scratch[4];
    char* const out = &s[0];
    size_t to = begin;
    for (size_t at = begin; at < end;) {
        const char c = s[at];
        if (static_cast<unsigned char>(c) < 0x20) return std::string::npos;
        if (c != '\\') {
            if (write) out[to] = c;
            ++to;
            ++at;
            continue;
        }
        if (at + 1 >= end) return std::string::npos;
        const char e = s[at + 1];
        at += 2;
        const char* const simple = std::strchr("\"\\/bfnrt", e);
        if (e != '\0' && simple) {
            static const char kDecoded[] = "\"\\/\b\f\n\r\t";
            if (write) out[to] = kDecoded[simple - "\"\\/bfnrt"];
            ++to;
            continue;
        }
        unsigned code;
        if (e != 'u' || !hex4(s, at, code) || at + 4 > end) return std::string::npos;
        at += 4;
        if (code >= 0xD800 && code < 0xDC00) {
            unsigned low;
            if (at + 6 > end || s[at] != '\\' || s[at + 1] != 'u' || !hex4(s, at + 2, low) ||
                low < 0xDC00 || low > 0xDFFF)
                return std::string::npos;
            at += 6;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
            return std::string::npos;
        }
        to += putUtf8(write ? out + to : scratch, code);
    }
    return to - begin;
}

}  // namespace

bool takeLargeText(std::string& body, std::string& rest, size_t minimum) {
    // Walk the strings of the message: a string followed by ':' is a key.
    for (size_t at = body.find('"'); at != std::string::npos; at = body.find('"', at)) {
        const size_t end = stringEnd(body, at);
        if (end == std::string::npos) return false;
        size_t next = end + 1;
        while (next < body.size() && std::strchr(" \t\r\n", body[next]) && body[next] != '\0')
            ++next;
        const bool textKey = next < body.size() && body[next] == ':' &&
                             body.compare(at, end + 1 - at, "\"text\"") == 0;
        at = end + 1;
        if (!textKey) continue;
        size_t value = next + 1;
        while (value < body.size() && std::strchr(" \t\r\n", body[value]) && body[value] != '\0')
            ++value;
        if (value >= body.size() || body[value] != '"') continue;
        const size_t valueEnd = stringEnd(body, value);
        if (valueEnd == std::string::npos) return false;
        if (valueEnd - value - 1 < minimum) {
            at = valueEnd + 1;
            continue;
        }
        rest =
            body.substr(0, value) + nlohmann::json(kTakenText).dump() + body.substr(valueEnd + 1);
        // Checked whole before a byte is changed.
        if (decodeInPlace(body, value + 1, valueEnd, false) == std::string::npos) return false;
        const size_t length = decodeInPlace(body, value + 1, valueEnd, true);
        body.erase(0, value + 1);
        body.resize(length);
        return true;
    }
    return false;
}

void putBackText(nlohmann::json& message, std::string&& text) {
    if (!message.is_object() || !message.contains("params") || !message["params"].is_object())
        return;
    nlohmann::json& params = message["params"];
    auto put = [&](nlohmann::json& holder) {
        if (holder.is_object() && holder.contains("text") && holder["text"] == kTakenText) {
            holder["text"] = std::move(text);
            return true;
        }
        return false;
    };
    if (params.contains("textDocument") && put(params["textDocument"])) return;
    if (params.contains("contentChanges") && params["contentChanges"].is_array()) {
        for (nlohmann::json& change : params["contentChanges"])
            if (put(change)) return;
    }
}

}  // namespace abimport::lsp
