// Reading one field of a card by name: what the geometry arrays and the
// model comparison need from NodeInfo and ShellInfo cards, a million of them
// in a large model, so everything here is inline.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "../model/card.h"

namespace abimport {

namespace cardfields {

// The keyword codes whose cards are nodes (NodeInfo) and shells (ShellInfo).
constexpr unsigned kFirstNodeKeyword = 4, kLastNodeKeyword = 7, kShellKeyword = 8;

inline bool isNodeKeyword(unsigned code) {
    return code >= kFirstNodeKeyword && code <= kLastNodeKeyword;
}

inline bool sameText(const std::string& text, std::string_view wanted) {
    return text.size() == wanted.size() &&
           std::memcmp(text.data(), wanted.data(), wanted.size()) == 0;
}

// The value of the named field: by name when the card kept its names, by its
// position in the layout otherwise; null when the card does not hold it.
// A kept name is looked for at the layout's position first, where it
// nearly always is (a layout names each field once).
inline const Data* fieldOf(const Card& card, std::string_view name, size_t position) {
    const auto& names = card.fieldNames;
    if (!names.empty() && names.size() == card.fields.size()) {
        if (position < names.size() && sameText(names[position], name))
            return card.fields[position];
        for (size_t i = 0; i < names.size(); ++i) {
            if (sameText(names[i], name)) return card.fields[i];
        }
        return nullptr;
    }
    return position < card.fields.size() ? card.fields[position] : nullptr;
}

// An integer field as int32; false when the field holds no integer that fits.
inline bool integerOf(const Data* value, int32_t& out) {
    if (!value) return false;
    if (value->typeCode == kIntegerCode) {
        out = static_cast<const Integer*>(value)->val;
        return true;
    }
    if (value->typeCode == kUnsignedCode) {
        const uint32_t u = static_cast<const UInteger*>(value)->val;
        if (u > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return false;
        out = static_cast<int32_t>(u);
        return true;
    }
    return false;
}

// A number field as a double; missing when the field holds no number.
inline double numberOf(const Data* value, double missing) {
    if (!value) return missing;
    switch (value->typeCode) {
        case kDoubleCode: return static_cast<const Double*>(value)->val;
        case kIntegerCode: return static_cast<const Integer*>(value)->val;
        case kUnsignedCode: return static_cast<const UInteger*>(value)->val;
        default: return missing;
    }
}

inline int32_t integerOr0(const Data* value) {
    int32_t out = 0;
    return integerOf(value, out) ? out : 0;
}

// The node fields after NID and the shell fields after EID, in layout order.
constexpr std::string_view kNodeCoordinates[3] = {"X", "Y", "Z"};
constexpr std::string_view kShellFields[5] = {"PID", "N1", "N2", "N3", "N4"};

}  // namespace cardfields

}  // namespace abimport
