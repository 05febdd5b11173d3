#include "textchecks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace abimport {

namespace {

// The white space that strtol and strtod skip before a number.
bool isLeadingSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Whether everything from p to end, or to a NUL before, is blank or a line end.
bool restIsBlank(const char* p, const char* end) {
    while (p != end && isBlankOrLineEnd(*p)) ++p;
    return p == end || *p == '\0';
}

bool integerFits(const char* text, unsigned typeCode) {
    errno = 0;
    const long value = std::strtol(text, nullptr, 10);
    if (errno == ERANGE) return false;
    return typeCode == 1 ? value >= INT32_MIN && value <= INT32_MAX
                         : value >= 0 && value <= static_cast<long>(UINT32_MAX);
}

// Plain number syntax, read by a table-driven automaton: one table lookup a
// byte and no branch but the loop's, since every field of every card goes
// through it. An integer is [blanks] [sign] digits [blanks]; a decimal is
// [blanks] [sign] (digits [. digits] | . digits) [e|E [sign] digits] [blanks],
// the form nearly every deck uses. Leading blanks are the white space that
// strtol and strtod skip, trailing ones are isBlankOrLineEnd; a NUL ends the
// text. The automaton stops in Accept or AcceptNegative when the text is
// wholly such a number or blank, and in Other otherwise: the caller then asks
// the C library, which also reads inf, nan and hex forms.
enum CharClass : uint8_t {
    kOther,
    kDigit,
    kPlus,
    kMinus,
    kDot,
    kExponent,
    kBlank,
    kLeadOnly,
    kNul,
    kClassCount
};

constexpr std::array<uint8_t, 256> makeCharClasses() {
    std::array<uint8_t, 256> classes{};
    for (size_t c = '0'; c <= '9'; ++c) classes[c] = kDigit;
    classes['+'] = kPlus;
    classes['-'] = kMinus;
    classes['.'] = kDot;
    classes['e'] = classes['E'] = kExponent;
    classes[' '] = classes['\t'] = classes['\r'] = classes['\n'] = kBlank;
    classes['\v'] = classes['\f'] = kLeadOnly;
    classes[0] = kNul;
    return classes;
}
constexpr std::array<uint8_t, 256> kCharClasses = makeCharClasses();

enum State : uint8_t {
    kLead,
    kSign,
    kMinusSign,
    kInteger,
    kNegativeInteger,
    kBareDot,
    kFraction,
    kExponentMark,
    kExponentSign,
    kExponentDigits,
    kTrail,
    kNegativeTrail,
    kOtherText,
    kAccept,
    kAcceptNegative,  // absorbing
    kStateCount
};
using Automaton = std::array<std::array<uint8_t, kClassCount>, kStateCount>;

// The end of the text (or a NUL) in state s: accepted or not.
constexpr State endIn(State s, bool decimal) {
    switch (s) {
        case kLead:
        case kInteger:
        case kTrail: return kAccept;
        case kNegativeInteger:
        case kNegativeTrail: return kAcceptNegative;
        case kFraction:
        case kExponentDigits: return decimal ? kAccept : kOtherText;
        case kAccept:
        case kAcceptNegative: return s;
        default: return kOtherText;
    }
}

// Integers keep a minus apart (it wraps in an unsigned field); decimals do not.
constexpr Automaton makeAutomaton(bool decimal) {
    Automaton next{};
    for (auto& row : next) {
        for (auto& to : row) to = kOtherText;
    }
    auto on = [&next](State from, CharClass c, State to) { next[from][c] = to; };
    on(kLead, kBlank, kLead);
    on(kLead, kLeadOnly, kLead);
    on(kLead, kPlus, kSign);
    on(kLead, kMinus, decimal ? kSign : kMinusSign);
    on(kLead, kDigit, kInteger);
    on(kSign, kDigit, kInteger);
    on(kMinusSign, kDigit, kNegativeInteger);
    on(kInteger, kDigit, kInteger);
    on(kInteger, kBlank, kTrail);
    on(kNegativeInteger, kDigit, kNegativeInteger);
    on(kNegativeInteger, kBlank, kNegativeTrail);
    on(kTrail, kBlank, kTrail);
    on(kNegativeTrail, kBlank, kNegativeTrail);
    if (decimal) {
        on(kLead, kDot, kBareDot);
        on(kSign, kDot, kBareDot);
        on(kInteger, kDot, kFraction);
        on(kBareDot, kDigit, kFraction);
        on(kFraction, kDigit, kFraction);
        on(kInteger, kExponent, kExponentMark);
        on(kFraction, kExponent, kExponentMark);
        on(kExponentMark, kPlus, kExponentSign);
        on(kExponentMark, kMinus, kExponentSign);
        on(kExponentMark, kDigit, kExponentDigits);
        on(kExponentSign, kDigit, kExponentDigits);
        on(kExponentDigits, kDigit, kExponentDigits);
        on(kFraction, kBlank, kTrail);
        on(kExponentDigits, kBlank, kTrail);
    }
    for (int s = 0; s < kStateCount; ++s) {
        const State state = static_cast<State>(s);
        auto& row = next[static_cast<size_t>(s)];
        row[kNul] = endIn(state, decimal);
        if (state != kAccept && state != kAcceptNegative) continue;
        for (auto& to : row) to = state;
    }
    return next;
}
constexpr Automaton kIntegerAutomaton = makeAutomaton(false);
constexpr Automaton kDecimalAutomaton = makeAutomaton(true);

struct Scan {
    State state;
    size_t digits;  // integer digits read (integers only)
};

Scan scan(const Automaton& next, const char* text, size_t length, bool decimal) {
    unsigned state = kLead;
    size_t digits = 0;
    for (size_t i = 0; i < length; ++i) {
        state = next[state][kCharClasses[static_cast<unsigned char>(text[i])]];
        digits += state == kInteger || state == kNegativeInteger;
    }
    return {endIn(static_cast<State>(state), decimal), digits};
}

#if defined(__SSE2__)
// Fields of 8 to 16 bytes, the fixed-column fields of nearly every card,
// classified all at once: bit i of each mask stands for text[i].
struct FieldMasks {
    unsigned digit, blank, sign, minus, dot;
};

FieldMasks classify(const char* text, size_t length) {
    uint64_t head, tail;  // the first and the last eight bytes, which may overlap
    std::memcpy(&head, text, 8);
    std::memcpy(&tail, text + length - 8, 8);
    const __m128i v = _mm_set_epi64x(static_cast<long long>(tail), static_cast<long long>(head));
    auto equal = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i fromZero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
    const __m128i blank =
        _mm_or_si128(_mm_or_si128(equal(' '), equal('\t')), _mm_or_si128(equal('\r'), equal('\n')));
    const __m128i minus = equal('-');
    const unsigned tailShift = static_cast<unsigned>(length - 8);
    auto bits = [tailShift](__m128i lanes) {
        const unsigned lane = static_cast<unsigned>(_mm_movemask_epi8(lanes));
        return (lane & 0xFF) | ((lane >> 8) << tailShift);
    };
    return {bits(digit), bits(blank), bits(_mm_or_si128(equal('+'), minus)), bits(minus),
            bits(equal('.'))};
}

// True when the field of 8 to 16 bytes is plainly blank or a number of its
// kind: [blanks] [sign] digits with at most one dot (none in an integer, and
// at most nine digits) [blanks]. False means undecided.
bool plainlyReadsAsWritten(const char* text, size_t length, unsigned typeCode) {
    if (length < 8 || length > 16) return false;
    const FieldMasks m = classify(text, length);
    const unsigned all = (1u << length) - 1;
    if ((m.digit | m.blank | m.sign | m.dot) != all) return false;  // other bytes: undecided
    const unsigned filled = all & ~m.blank;
    if (filled == 0) return true;
    const unsigned first = static_cast<unsigned>(__builtin_ctz(filled));
    const unsigned run = filled >> first;
    const bool oneRun = (run & (run + 1)) == 0;  // no blank between filled bytes
    const bool signFirst = (m.sign & ~(1u << first)) == 0;
    if (!oneRun || !signFirst || m.digit == 0) return false;
    if (typeCode == 2) return (m.dot & (m.dot - 1)) == 0;  // at most one dot
    // The run holds the digits and the sign, if any.
    const unsigned digits = 32u - static_cast<unsigned>(__builtin_clz(run)) - (m.sign != 0);
    return m.dot == 0 && digits <= 9 && (typeCode == 1 || m.minus == 0);
}
#else
bool plainlyReadsAsWritten(const char*, size_t, unsigned) {
    return false;
}
#endif

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
    if (typeCode > 2 || plainlyReadsAsWritten(text, length, typeCode)) return true;
    if (typeCode <= 1) {
        const Scan read = scan(kIntegerAutomaton, text, length, false);
        if (read.state == kOtherText) return false;
        // Nine digits always fit; a minus wraps in an unsigned field unless the value is 0.
        if (read.digits <= 9 && (typeCode == 1 || read.state == kAccept)) return true;
        const char* start = text;
        while (isLeadingSpace(*start)) ++start;
        return integerFits(Terminated(start, text + length).text, typeCode);
    }
    if (scan(kDecimalAutomaton, text, length, true).state != kOtherText) return true;
    // Anything else that the C library reads whole: inf, nan, hex forms.
    const char* start = text;
    const char* const end = text + length;
    while (start != end && isLeadingSpace(*start)) ++start;
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
    while ((p = static_cast<const char*>(
                std::memchr(p, '\r', length - static_cast<size_t>(p - text))))) {
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

std::string quoted(const char* text) {
    return quoted(text, text ? std::strlen(text) : 0);
}

}  // namespace abimport
