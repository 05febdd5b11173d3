#include "exacttext.h"

#include <cstring>
#include <typeinfo>

#include "../host/cardfields.h"
#include "../host/fieldreading.h"
#include "../host/fieldsinline.h"
#include "../model/numbers/shortest.h"

namespace abimport {

namespace exact_text {

namespace {

using abimport::detail::FieldReading;
using abimport::detail::NumberText;
using abimport::detail::readingOfWidth;

// The closest integer to value whose digits fit the field.
NumberText closestInteger(long long value, FieldReading reading) {
    long long most = 0;
    for (unsigned digits = 0; digits < reading.width && most < 1000000000000000000LL; ++digits) {
        most = most * 10 + 9;
    }
    long long least = 0;
    for (unsigned digits = 1; digits < reading.width && least > -100000000000000000LL; ++digits) {
        least = least * 10 - 9;
    }
    NumberText text = abimport::detail::fitInteger(value < least ? least : most, reading);
    text.exact = false;
    return text;
}

// The characters a text field reads, as the card step keeps them.
std::string readText(const char* text, size_t length, FieldReading reading) {
    char columns[abimport::detail::kMostFitColumns + 3];
    abimport::detail::fieldColumns(text, length, reading, columns);
    return columns;
}

std::string shown(double value) {
    char text[32];
    return std::string(text, abimport::detail::writeShortestDouble(text, value));
}

// What a value without an exact text is written as, and what that reads back as.
std::string inexactMessage(const std::string& name, const Data& value, const NumberText& text) {
    const FieldReading reading = readingOfWidth(value.width);
    const std::string written = text.str();
    std::string was, back;
    if (auto* real = dynamic_cast<const Double*>(&value)) {
        was = shown(real->val);
        back = shown(abimport::detail::readDouble(text.text, text.length, reading));
    } else if (auto* integer = dynamic_cast<const Integer*>(&value)) {
        was = std::to_string(integer->val);
        back = std::to_string(abimport::detail::readInteger(text.text, text.length, reading));
    } else if (auto* count = dynamic_cast<const UInteger*>(&value)) {
        was = std::to_string(count->val);
        back = std::to_string(abimport::detail::readUnsigned(text.text, text.length, reading));
    } else {
        auto* chars = dynamic_cast<const CharArray*>(&value);
        was = "'" + std::string(chars && chars->val ? chars->val : "") + "'";
        back = "'" + readText(text.text, text.length, reading) + "'";
    }
    return name + ": " + was + " is written as '" + written + "', which reads back as " + back;
}

bool sameGaps(const Gaps* a, const Gaps* b) {
    const uint32_t aMask = a ? a->mask : 0, bMask = b ? b->mask : 0;
    if (aMask != bMask) return false;
    if (aMask == 0) return true;
    for (unsigned i = 0; i < Gaps::kMostFields; ++i) {
        if ((a->mask >> i & 1) && a->widths[i] != b->widths[i]) return false;
    }
    return true;
}

void appendAligned(std::string& out, const char* text, size_t length, size_t columns) {
    if (columns > length) out.append(columns - length, ' ');
    out.append(text, length);
}

}  // namespace

NumberText valueText(const Data& value) {
    const unsigned width = value.width < kMostColumns ? value.width : kMostColumns;
    const FieldReading reading = readingOfWidth(width);
    const std::type_info& type = typeid(value);
    if (type == typeid(Double)) {
        return abimport::detail::fitDouble(static_cast<const Double&>(value).val, reading);
    }
    if (type == typeid(Integer) || type == typeid(UInteger)) {
        const long long v = type == typeid(Integer)
                                ? static_cast<long long>(static_cast<const Integer&>(value).val)
                                : static_cast<long long>(static_cast<const UInteger&>(value).val);
        const NumberText text = abimport::detail::fitInteger(v, reading);
        return text.length != 0 ? text : closestInteger(v, reading);
    }
    NumberText out;
    if (type == typeid(CharArray)) {
        const char* text = static_cast<const CharArray&>(value).val;
        const size_t length = text ? std::strlen(text) : 0;
        out.length = length < width ? length : width;
        if (out.length) std::memcpy(out.text, text, out.length);
        out.exact = length <= width && readText(text, length, reading) == text;
        return out;
    }
    // A blank placeholder: its blanks are a text that is no number.
    std::memset(out.text, ' ', width);
    out.length = width;
    out.exact = true;
    return out;
}

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
    bool first = true;
    forEachFieldInLine(card, gaps, false, [&](const FieldInLine& field) {
        size_t columns = field.width;
        if (first) {
            out += '$';
            columns = columns > 0 ? columns - 1 : 0;
            first = false;
        }
        if (field.name)
            appendAligned(out, field.name->data(), field.name->size(), columns);
        else
            out.append(columns, ' ');
    });
    out += '\n';
}

void appendValues(std::string& out, const Card& card, const Gaps* gaps,
                  std::vector<InexactField>* inexact) {
    forEachFieldInLine(card, gaps, false, [&](const FieldInLine& field) {
        if (!field.value) {
            // A tab in its first column makes the field read as empty.
            out += '\t';
            if (field.width > 1) out.append(field.width - 1, ' ');
            return;
        }
        const NumberText text = valueText(*field.value);
        if (!text.exact && inexact) {
            inexact->push_back(
                {field.index, inexactMessage(fieldName(card, field.index), *field.value, text)});
        }
        appendAligned(out, text.text, text.length, field.width);
    });
    out += '\n';
}

}  // namespace exact_text

}  // namespace abimport
