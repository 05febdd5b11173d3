// Every kind of warning with its name and what it tells: those of reading a
// deck (host/warning.h) and those of the layers above, listed here.
#pragma once

#include "../host/warning.h"

// The kinds of the layers above reading, each once, as in host/warning.h.
#define ABIMPORT_OUTPUT_WARNING_KINDS(KIND)                                           \
    KIND(WriteBackInexact, "write-back-inexact",                                      \
         "the write-back: a value has no decimal text that fits its field and reads " \
         "back exactly; the closest is written")

namespace abimport {

namespace detail {
enum class OutputWarningKind : unsigned {
#define ABIMPORT_WARNING_KIND_ENUMERATOR(identifier, name, description) identifier,
    ABIMPORT_OUTPUT_WARNING_KINDS(ABIMPORT_WARNING_KIND_ENUMERATOR)
#undef ABIMPORT_WARNING_KIND_ENUMERATOR
        kCount
};
}  // namespace detail

// Each kind of the layers above as a WarningKind numbered after reading's:
// kWriteBackInexact, ...
#define ABIMPORT_WARNING_KIND_CONSTANT(identifier, name, description) \
    constexpr WarningKind k##identifier = static_cast<WarningKind>(   \
        kReadWarningKindCount + static_cast<unsigned>(detail::OutputWarningKind::identifier));
ABIMPORT_OUTPUT_WARNING_KINDS(ABIMPORT_WARNING_KIND_CONSTANT)
#undef ABIMPORT_WARNING_KIND_CONSTANT

constexpr unsigned kWarningKindCount =
    kReadWarningKindCount + static_cast<unsigned>(detail::OutputWarningKind::kCount);

struct WarningKindInfo {
    const char* name;         // "long-line", "not-a-number", ...
    const char* description;  // one line: what the warning tells
};

// Every kind, by its number: reading's, then the layers' above.
inline constexpr WarningKindInfo kWarningKinds[kWarningKindCount] = {
#define ABIMPORT_WARNING_KIND_INFO(identifier, name, description) {name, description},
    ABIMPORT_READ_WARNING_KINDS(ABIMPORT_WARNING_KIND_INFO)
        ABIMPORT_OUTPUT_WARNING_KINDS(ABIMPORT_WARNING_KIND_INFO)
#undef ABIMPORT_WARNING_KIND_INFO
};

// The kind's name as users see it; "" for a number that is no kind.
inline const char* warningKindName(WarningKind kind) {
    const unsigned index = static_cast<unsigned>(kind);
    return index < kWarningKindCount ? kWarningKinds[index].name : "";
}

}  // namespace abimport
