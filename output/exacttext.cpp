#include "exacttext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <typeinfo>

#include "../frame/exponentrepair.h"
#include "../host/cardfields.h"
#include "../host/shortestdouble.h"
#include "../keywords/keywordtable.h"
#include "../model/digittext.h"
#include "../model/linefields.h"
#include "../model/numbertext.h"

namespace abimport {

namespace exact_text {

namespace {

constexpr int kMostDigits = 17;  // every double has an exact text of 17 digits

// The field as the card step sees it: the text right-aligned in width
// columns, repaired when it is a word field.
struct Field {
    char text[kMostColumns + 3];
    Field(const char* value, size_t length, unsigned width) {
        if (width > kMostColumns) width = kMostColumns;
        if (length > width) length = width;
        const size_t pad = width - length;
        std::memset(text, ' ', pad);
        std::memcpy(text + pad, value, length);
        text[width] = text[width + 1] = text[width + 2] = '\0';
        if (isWordFieldWidth(width)) abimport::detail::repairExponent(text, width);
    }
};

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

// A decimal: negative, digits (no trailing zero, not zero) times 10^exponent.
struct Decimal {
    bool negative;
    char digits[24];
    int count;
    int exponent;
};

Decimal decimalOf(bool negative, uint64_t digits, int exponent) {
    Decimal d{negative, {}, 0, exponent};
    while (digits != 0 && digits % 10 == 0) {
        digits /= 10;
        ++d.exponent;
    }
    d.count = static_cast<int>(abimport::detail::writeDigits(d.digits, digits));
    return d;
}

// Builds texts in a small buffer.
struct Text {
    char buffer[kMostColumns + 32];
    size_t length = 0;
    void put(char c) { buffer[length++] = c; }
    void put(const char* s, size_t n) {
        std::memcpy(buffer + length, s, n);
        length += n;
    }
    void zeros(int n) {
        for (int i = 0; i < n; ++i) put('0');
    }
    void number(int value, bool plusSign) {
        if (value < 0)
            put('-');
        else if (plusSign)
            put('+');
        length +=
            abimport::detail::writeDigits(buffer + length, static_cast<uint64_t>(std::abs(value)));
    }
};

// The plain decimal; full writes "0.5" for ".5" and "15." for "15".
Text plainText(const Decimal& d, bool full) {
    Text t;
    const int point = d.count + d.exponent;  // digits before the point
    const int length = (d.negative ? 1 : 0) + 1 +
                       (d.exponent >= 0 ? point
                        : point > 0     ? d.count
                                        : d.count + 1 - point);
    if (length > static_cast<int>(kMostColumns)) {
        t.length = kMostColumns + 1;  // longer than any field: never chosen
        return t;
    }
    if (d.negative) t.put('-');
    if (d.exponent >= 0) {
        t.put(d.digits, static_cast<size_t>(d.count));
        t.zeros(d.exponent);
        if (full) t.put('.');
    } else if (point > 0) {
        t.put(d.digits, static_cast<size_t>(point));
        t.put('.');
        t.put(d.digits + point, static_cast<size_t>(d.count - point));
    } else {
        if (full) t.put('0');
        t.put('.');
        t.zeros(-point);
        t.put(d.digits, static_cast<size_t>(d.count));
    }
    return t;
}

// The mantissa with `before` digits before the point (0: ".15", count:
// "15" or, with a point wanted, "15."), then the exponent that makes it the
// value; repaired: the exponent without its letter and always signed.
Text exponentText(const Decimal& d, int before, bool point, bool repaired) {
    Text t;
    if (d.negative) t.put('-');
    t.put(d.digits, static_cast<size_t>(before));
    if (point || before < d.count) t.put('.');
    t.put(d.digits + before, static_cast<size_t>(d.count - before));
    if (!repaired) t.put('e');
    t.number(d.exponent + d.count - before, repaired);
    return t;
}

// The best text of d within limit columns: the plain decimal, then the
// scientific form "1.5e-3", then the shortest exponent form; 0 length when
// none fits.
Text bestText(const Decimal& d, unsigned width, size_t limit) {
    Text best = plainText(d, true);
    if (best.length <= limit) return best;
    best = plainText(d, false);
    if (best.length <= limit) return best;
    best = exponentText(d, 1, false, false);
    if (best.length <= limit) return best;
    auto consider = [&](const Text& t) {
        if (t.length < best.length) best = t;
    };
    const int magnitudes[] = {1, 0, d.count};
    for (int before : magnitudes) {
        if (before > d.count) continue;
        consider(exponentText(d, before, false, false));
        // The exponent repair puts the letter back before a sign at the
        // second- or third-last column of a word with a point.
        const int exponent = d.exponent + d.count - before;
        if (isWordFieldWidth(width) && exponent != 0 && std::abs(exponent) < 100) {
            consider(exponentText(d, before, true, true));
        }
    }
    if (best.length > limit) best.length = 0;
    return best;
}

// The exact text of d within limit columns, or 0 length.
Text exactDecimalText(const Decimal& d, double value, unsigned width, size_t limit) {
    Text t = bestText(d, width, limit);
    if (t.length != 0 && !sameDouble(readDouble(t.buffer, t.length, width), value)) t.length = 0;
    return t;
}

// Texts for what has no decimal digits: zeros, infinities, NaN.
size_t nonDecimalText(double value, unsigned width, char* out) {
    const char* candidates[4];
    size_t n = 0;
    if (std::isnan(value)) {
        candidates[n++] = "nan";
    } else if (std::isinf(value)) {
        candidates[n++] = value < 0 ? "-inf" : "inf";
    } else if (std::signbit(value)) {
        candidates[n++] = "-0.";
        candidates[n++] = "-0";
    } else {
        candidates[n++] = "0.";
        candidates[n++] = "0";
    }
    for (size_t limit : {static_cast<size_t>(width) - 1, static_cast<size_t>(width)}) {
        for (size_t i = 0; i < n; ++i) {
            const size_t length = std::strlen(candidates[i]);
            if (length <= limit && sameDouble(readDouble(candidates[i], length, width), value)) {
                std::memcpy(out, candidates[i], length);
                return length;
            }
        }
    }
    return 0;
}

}  // namespace

double readDouble(const char* text, size_t length, unsigned width) {
    return abimport::detail::textToDouble(Field(text, length, width).text);
}

int32_t readInteger(const char* text, size_t length, unsigned width) {
    return abimport::detail::textToI32(Field(text, length, width).text);
}

uint32_t readUnsigned(const char* text, size_t length, unsigned width) {
    return abimport::detail::textToU32(Field(text, length, width).text);
}

std::string readText(const char* text, size_t length, unsigned width) {
    return Field(text, length, width).text;
}

size_t doubleText(double value, unsigned width, char* out) {
    if (width > kMostColumns) width = kMostColumns;
    if (width == 0) return 0;
    if (value == 0 || !std::isfinite(value)) return nonDecimalText(value, width, out);
    const bool negative = std::signbit(value);
    uint64_t digits;
    int exponent;
    shortestDigits(std::fabs(value), digits, exponent);
    const Decimal shortest = decimalOf(negative, digits, exponent);
    for (size_t limit : {static_cast<size_t>(width) - 1, static_cast<size_t>(width)}) {
        Text t = exactDecimalText(shortest, value, width, limit);
        if (t.length == 0) {
            // In a directed rounding mode the shortest digits may read back
            // as a neighbour: try the digits on either side of the value at
            // each precision.
            for (int precision = shortest.count; precision <= kMostDigits && t.length == 0;
                 ++precision) {
                char text[48];
                char* end = std::to_chars(text, text + sizeof text - 1, std::fabs(value),
                                          std::chars_format::scientific, precision - 1)
                                .ptr;
                *end = '\0';
                uint64_t rounded = 0;
                const char* p = text;
                for (; p < end && *p != 'e'; ++p) {
                    if (*p != '.') rounded = rounded * 10 + static_cast<uint64_t>(*p - '0');
                }
                const int scale = std::atoi(p + 1) - (precision - 1);
                for (uint64_t candidate : {rounded, rounded - 1, rounded + 1}) {
                    if (candidate == 0 || t.length != 0) continue;
                    t = exactDecimalText(decimalOf(negative, candidate, scale), value, width,
                                         limit);
                }
            }
        }
        if (t.length == 0) {
            // Binary fractions with few bits have short hexadecimal texts.
            t.length = static_cast<size_t>(std::snprintf(t.buffer, sizeof t.buffer, "%a", value));
            if (t.length > 3 && std::memcmp(t.buffer + t.length - 3, "p+0", 3) == 0) t.length -= 3;
            if (t.length > limit || !sameDouble(readDouble(t.buffer, t.length, width), value)) {
                t.length = 0;
            }
        }
        if (t.length != 0) {
            std::memcpy(out, t.buffer, t.length);
            return t.length;
        }
    }
    return 0;
}

size_t valueText(const Data& value, char* out) {
    const unsigned width = value.width < kMostColumns ? value.width : kMostColumns;
    const std::type_info& type = typeid(value);
    if (type == typeid(Double))
        return doubleText(static_cast<const Double&>(value).val, width, out);
    if (type == typeid(Integer) || type == typeid(UInteger)) {
        const long long v = type == typeid(Integer)
                                ? static_cast<long long>(static_cast<const Integer&>(value).val)
                                : static_cast<long long>(static_cast<const UInteger&>(value).val);
        char text[24];
        size_t length = 0;
        if (v < 0) text[length++] = '-';
        length +=
            abimport::detail::writeDigits(text + length, static_cast<uint64_t>(std::llabs(v)));
        // Only the low 32 bits of the number are kept, so -1969962196 reads
        // from 2324005100 too.
        if (length > width && v < 0) {
            length = abimport::detail::writeDigits(text, static_cast<uint32_t>(v));
        }
        if (length > width) return 0;
        std::memcpy(out, text, length);
        return length;
    }
    if (type == typeid(CharArray)) {
        const char* text = static_cast<const CharArray&>(value).val;
        const size_t length = text ? std::strlen(text) : 0;
        if (!text || length > width || readText(text, length, width) != text) return 0;
        std::memcpy(out, text, length);
        return length;
    }
    // A blank placeholder: its blanks are a text that is no number.
    std::memset(out, ' ', width);
    return width;
}

namespace {

bool sameGaps(const Gaps* a, const Gaps* b) {
    const uint32_t aMask = a ? a->mask : 0, bMask = b ? b->mask : 0;
    if (aMask != bMask) return false;
    if (aMask == 0) return true;
    for (unsigned i = 0; i < Gaps::kMostFields; ++i) {
        if ((a->mask >> i & 1) && a->widths[i] != b->widths[i]) return false;
    }
    return true;
}

// Calls visit(value, columns, index) for each field up to the last value,
// in line order: a value with its index in Card::fields, or null with the
// columns of an empty field.
template <class Visit>
void forEachField(const Card& card, const Gaps* gaps, Visit visit) {
    const uint32_t empty = gaps ? gaps->mask : 0;
    unsigned position = 0;
    for (size_t i = 0; i < card.fields.size(); ++i) {
        for (; position < Gaps::kMostFields && (empty >> position & 1); ++position) {
            visit(nullptr, gaps->widths[position], i);
        }
        ++position;
        if (const Data* value = card.fields[i]) visit(value, value->width, i);
    }
}

void appendAligned(std::string& out, const char* text, size_t length, size_t columns) {
    if (columns > length) out.append(columns - length, ' ');
    out.append(text, length);
}

std::string shown(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// What a value without an exact text is written as, and why it is inexact.
std::string inexactMessage(const std::string& name, Data& value, const char* text, size_t length) {
    const unsigned width = value.width;
    size_t start = 0;
    while (start < length && text[start] == ' ') ++start;
    const std::string written(text + start, length - start);
    std::string was, back;
    if (auto* real = dynamic_cast<Double*>(&value)) {
        was = shown(real->val);
        back = shown(readDouble(text, length, width));
    } else if (auto* integer = dynamic_cast<Integer*>(&value)) {
        was = std::to_string(integer->val);
        back = std::to_string(readInteger(text, length, width));
    } else if (auto* count = dynamic_cast<UInteger*>(&value)) {
        was = std::to_string(count->val);
        back = std::to_string(readUnsigned(text, length, width));
    } else {
        auto* chars = dynamic_cast<CharArray*>(&value);
        was = "'" + std::string(chars && chars->val ? chars->val : "") + "'";
        back = "'" + readText(text, length, width) + "'";
    }
    return name + ": " + was + " is written as '" + written + "', which reads back as " + back;
}

}  // namespace

bool sameLayout(const Card& a, const Gaps* aGaps, const Card& b, const Gaps* bGaps) {
    if (a.name != b.name || a.fieldNames != b.fieldNames || a.fields.size() != b.fields.size() ||
        !sameGaps(aGaps, bGaps)) {
        return false;
    }
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const unsigned aWidth = a.fields[i] ? a.fields[i]->width : 0;
        const unsigned bWidth = b.fields[i] ? b.fields[i]->width : 0;
        if (aWidth != bWidth) return false;
    }
    return true;
}

void appendHeader(std::string& out, const Card& card, const Gaps* gaps) {
    if (card.fieldNames.empty()) return;
    size_t emptyNamed = 0;
    bool first = true;
    forEachField(card, gaps, [&](const Data* value, unsigned width, size_t field) {
        const std::string* name = nullptr;
        if (value) {
            name = field < card.fieldNames.size() ? &card.fieldNames[field] : nullptr;
        } else {
            name = emptyNamed < card.emptyFieldNames.size() ? &card.emptyFieldNames[emptyNamed]
                                                            : nullptr;
            ++emptyNamed;
        }
        size_t columns = width;
        if (first) {
            out += '$';
            columns = columns > 0 ? columns - 1 : 0;
            first = false;
        }
        if (name)
            appendAligned(out, name->data(), name->size(), columns);
        else
            out.append(columns, ' ');
    });
    out += '\n';
}

void appendValues(std::string& out, const Card& card, const Gaps* gaps,
                  std::vector<InexactField>* inexact) {
    char text[kMostColumns > Object::kTextBufferSize ? kMostColumns : Object::kTextBufferSize];
    forEachField(card, gaps, [&](const Data* value, unsigned width, size_t field) {
        if (!value) {
            // A tab in its first column makes the field read as empty.
            out += '\t';
            if (width > 1) out.append(width - 1, ' ');
            return;
        }
        size_t length = valueText(*value, text);
        if (length == 0) {
            // The card text, cut to the field so that later values keep
            // their columns.
            Data& shownValue = const_cast<Data&>(*value);
            shownValue.tostring(text);
            length = std::strlen(text);
            if (length > width) length = width;
            if (inexact) {
                inexact->push_back(
                    {field, inexactMessage(fieldName(card, field), shownValue, text, length)});
            }
        }
        appendAligned(out, text, length, width);
    });
    out += '\n';
}

}  // namespace exact_text

}  // namespace abimport
