#include "textchecks.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
// The white space that strtol and strtod skip before a number.
bool isLeadingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether everything from p on is blank or a line end.
bool restIsBlank(const char* p) {
    while (isBlankOrLineEnd(*p)) ++p;
    return *p == '\0';
}

const char* skipDigits(const char* p) {
    while (isDigit(*p)) ++p;
    return p;
}

bool integerFits(const char* text, unsigned typeCode) {
    errno = 0;
    const long value = std::strtol(text, nullptr, 10);
    if (errno == ERANGE) return false;
    return typeCode == 1 ? value >= INT32_MIN && value <= INT32_MAX
                         : value >= 0 && value <= static_cast<long>(UINT32_MAX);
}

// Plain decimal syntax, the form nearly every deck uses:
// [sign] (digits [. digits] | . digits) [e|E [sign] digits].
const char* endOfPlainDecimal(const char* p) {
    if (*p == '+' || *p == '-') ++p;
    const char* digits = p;
    p = skipDigits(p);
    bool any = p != digits;
    if (*p == '.') {
        const char* fraction = ++p;
        p = skipDigits(p);
        any = any || p != fraction;
    }
    if (!any) return nullptr;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (!isDigit(*q)) return nullptr;
        p = skipDigits(q);
    }
    return p;
}

}  // namespace

bool readsAsWritten(const char* text, unsigned typeCode) {
    if (typeCode > 2) return true;
    const char* start = text;
    while (isLeadingSpace(*start)) ++start;
    if (*start == '\0') return true;  // blank: no number written, none read
    if (typeCode <= 1) {
        const char* p = start + (*start == '+' || *start == '-');
        const char* end = skipDigits(p);
        if (end == p || !restIsBlank(end)) return false;
        return end - p <= 9 || integerFits(start, typeCode);
    }
    const char* end = endOfPlainDecimal(start);
    if (end && restIsBlank(end)) return true;
    // Anything else that the C library reads whole: inf, nan, hex forms.
    char* stop = nullptr;
    std::strtod(start, &stop);
    return stop != start && restIsBlank(stop);
}

size_t pieceLength(const char* buffer, size_t bufferSize) {
    const size_t room = bufferSize - 1;
    if (const void* newline = std::memchr(buffer, '\n', room)) {
        return static_cast<size_t>(static_cast<const char*>(newline) - buffer) + 1;
    }
    size_t length = room;
    while (length > 0 && buffer[length - 1] == '\0') --length;
    return length;
}

ControlCharacters findControlCharacters(const char* text, size_t length) {
    ControlCharacters found;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\0' && found.nul == found.npos) found.nul = i;
        if (c == '\t' && found.tab == found.npos) found.tab = i;
        if (c == '\r' && found.loneCr == found.npos && (i + 1 >= length || text[i + 1] != '\n')) {
            found.loneCr = i;
        }
    }
    return found;
}

std::string quoted(const char* text, size_t length) {
    constexpr size_t kShown = 40;
    size_t begin = 0;
    while (begin < length && isBlankOrLineEnd(text[begin])) ++begin;
    while (length > begin && isBlankOrLineEnd(text[length - 1])) --length;
    std::string out = "'";
    for (size_t i = begin; i < length && i - begin < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    if (length - begin > kShown) out += "...";
    return out + "'";
}

std::string quoted(const char* text) { return quoted(text, text ? std::strlen(text) : 0); }
