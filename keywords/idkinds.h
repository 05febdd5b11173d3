// Every kind of ID that the keywords' ID-bearing fields hold: the two codes
// of the ID report, the plain name that messages and summaries give it, and
// where a model defines such IDs, for the kinds that the model check looks
// up. A new kind is one entry here; the card tables name it by its label.
#pragma once

#include <cstddef>
#include <string_view>

#include "../frame/carddescription.h"

namespace abimport {

inline constexpr IdKind kIdKinds[] = {
    {1, 33, "load curve", {"DEFINE_CURVE", 10, false, true, true}},
    {1, 36, "bag", {}},
    {1, 37, "vent hole", {}},
    {1, 38, "inflator", {}},
    {1, 39, "orifice vector", {"DEFINE_VECTOR", 10, false, false, true}},
    {1, 40, "mesh transformation", {"DEFINE_TRANSFORMATION", 10, false, true, true}},
    {5, 9999, "part", {"PART", 10, true, false, false}},
    {6, 41, "shell element", {"ELEMENT_SHELL", 8, false, false, false}},
    {7, 9999, "node", {"NODE", 8, false, false, false}},
    {19, 9999, "airbag", {}},
    {0, 9999, "part set", {"SET_PART", 10, false, true, true, true}},
    {0, 9999, "node set", {"SET_NODE", 10, false, true, true, true}},
    {0, 9999, "shell set", {"SET_SHELL", 10, false, true, true, true}},
    {0, 9999, "segment set", {"SET_SEGMENT", 10, false, true, true, true}},
};
inline constexpr size_t kIdKindCount = sizeof kIdKinds / sizeof kIdKinds[0];

// The kind called label. Where a constant is needed (a card table), a label
// that names no kind does not compile.
constexpr const IdKind* idKind(std::string_view label) {
    for (const IdKind& kind : kIdKinds) {
        if (label == kind.label) return &kind;
    }
    throw "no kind of ID has this label";
}

// The kind that an ID report's codes give; null for codes no kind has.
inline const IdKind* idKindOf(unsigned code1, unsigned code2) {
    for (const IdKind& kind : kIdKinds) {
        if (kind.code1 != 0 && kind.code1 == code1 && kind.code2 == code2) return &kind;
    }
    return nullptr;
}

// The plain name of an ID report's codes: "node", "load curve", ...; "other"
// for codes no kind has.
inline const char* idKindLabel(unsigned code1, unsigned code2) {
    const IdKind* kind = idKindOf(code1, code2);
    return kind ? kind->label : "other";
}

// Its position in kIdKinds. Each shared library has its own copy of the
// list, so a kind that a card table of the library names is found by its
// label (each kind has a label of its own).
inline size_t indexOf(const IdKind& kind) {
    for (size_t k = 0; k < kIdKindCount; ++k) {
        if (&kIdKinds[k] == &kind || std::string_view(kIdKinds[k].label) == kind.label) return k;
    }
    return kIdKindCount;
}

}  // namespace abimport
