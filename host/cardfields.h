// Reading one field of a card by name: what the geometry arrays and the
// model comparison need from the cards of node and shell lists, a million of
// them in a large model, so everything here is inline. And the name that the
// outputs give a value of a card that kept no field names.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "../model/card.h"

namespace abimport {

// The name the outputs give value i of a card that kept no field names:
// "field 1", "field 2", ... (counting the card's values).
inline std::string unnamedFieldName(size_t i) {
    return "field " + std::to_string(i + 1);
}

// The name of value i of a card: its kept name, or its unnamed field name.
inline std::string fieldName(const Card& card, size_t i) {
    return i < card.fieldNames.size() ? card.fieldNames[i] : unnamedFieldName(i);
}

namespace detail {

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

}  // namespace detail

}  // namespace abimport
