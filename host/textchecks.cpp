#include "textchecks.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The character classes below all exclude NUL, which ends a field's text.
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// The white space that strtol and strtod skip before a number.
bool isLeadingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether everything from p to end, or to a NUL before, is blank or a line end.
bool restIsBlank(const char* p, const char* end) {
    while (p != end && isBlankOrLineEnd(*p)) ++p;
    return p == end || *p == '\0';
}

const char* skipDigits(const char* p, const char* end) {
    while (p != end && isDigit(*p)) ++p;
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
// [sign] (digits [. digits] | . digits) [e|E [sign] digits]. Null when the
// text does not begin with it.
const char* endOfPlainDecimal(const char* p, const char* end) {
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const char* digits = p;
    p = skipDigits(p, end);
    bool any = p != digits;
    if (p != end && *p == '.') {
        const char* fraction = ++p;
        p = skipDigits(p, end);
        any = any || p != fraction;
    }
    if (!any) return nullptr;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != end && (*q == '+' || *q == '-')) ++q;
        if (q == end || !isDigit(*q)) return nullptr;
        p = skipDigits(q, end);
    }
    return p;
}

// The text from start to end or to a NUL before, terminated, for the C library.
struct Terminated {
    Terminated(const char* start, const char* end)
        : size(std::min(strnlen(start, static_cast<size_t>(end - start)), sizeof text - 1)) {
        std::memcpy(text, start, size);
        text[size] = '\0';
    }
    char text[130];
    size_t size;
};

}  // namespace

bool readsAsWritten(const char* text, size_t length, unsigned typeCode) {
    if (typeCode > 2) return true;
    const char* const end = text + length;
    const char* start = text;
    while (start != end && isLeadingSpace(*start)) ++start;
    if (start == end || *start == '\0') return true;  // blank: no number written, none read
    if (typeCode <= 1) {
        const char* digits = start + (*start == '+' || *start == '-');
        const char* stop = skipDigits(digits, end);
        if (stop == digits || !restIsBlank(stop, end)) return false;
        // Nine digits always fit; a minus wraps in an unsigned field unless the value is 0.
        const bool fits = stop - digits <= 9 && (typeCode == 1 || *start != '-');
        return fits || integerFits(Terminated(start, end).text, typeCode);
    }
    const char* stop = endOfPlainDecimal(start, end);
    if (stop && restIsBlank(stop, end)) return true;
    // Anything else that the C library reads whole: inf, nan, hex forms.
    const Terminated whole(start, end);
    char* libraryStop = nullptr;
    std::strtod(whole.text, &libraryStop);
    return libraryStop != whole.text && restIsBlank(libraryStop, whole.text + whole.size);
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
    const size_t nul = strnlen(text, length);
    if (nul < length) found.nul = nul;
    if (const void* tab = std::memchr(text, '\t', length)) {
        found.tab = static_cast<size_t>(static_cast<const char*>(tab) - text);
    }
    const char* p = text;
    while ((p = static_cast<const char*>(std::memchr(p, '\r', length - (p - text))))) {
        const size_t at = static_cast<size_t>(p - text);
        if (at + 1 >= length || p[1] != '\n') {
            found.loneCr = at;
            break;
        }
        ++p;
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
