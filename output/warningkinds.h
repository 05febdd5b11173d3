// Every kind of warning and its name: those of reading a deck (host/warning.h)
// and the write-back's own.
#pragma once

#include "../host/warning.h"

namespace abimport {

// A value that no text fitting its field reads back as exactly: the
// write-back gives the card's own text.
constexpr WarningKind kWriteBackInexact = static_cast<WarningKind>(kReadWarningKindCount);

constexpr unsigned kWarningKindCount = kReadWarningKindCount + 1;

// The kind's name as users see it: "long-line", "not-a-number", ...; "" for
// a number that is no kind.
const char* warningKindName(WarningKind kind);

}  // namespace abimport
