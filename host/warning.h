// Warnings: whatever the reading rules changed, or an include that could not
// be followed, with the file and line it concerns.
#pragma once

#include <memory>
#include <string>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

enum class WarningKind : unsigned {
    LongLine,
    IgnoredText,
    EmptyCommaWord,
    NotANumber,
    StaleWord,
    ShortCount,
    MissingCard,
    ControlCharacter,
    BlankLine,
    UnknownKeyword,
    EmptyTitle,
    IncludeNotFound,
    IncludeCycle,
    IncludeDepth,
    IncludeTransform,
    IncludeSkipped,
    IncludeRepeated,
    UndefinedReference,
    DuplicateId,
    WriteBackInexact,
    // The former name of missing-card's end-of-file case; goes in the next release.
    EndOfFileCard [[deprecated("use WarningKind::MissingCard")]] = MissingCard,
};
constexpr unsigned kWarningKindCount = static_cast<unsigned>(WarningKind::WriteBackInexact) + 1;

// The kind's name as users see it: "long-line", "not-a-number", ...
const char* warningKindName(WarningKind kind);

struct Warning {
    WarningKind kind;
    std::shared_ptr<const std::string> file;  // the path as opened
    unsigned long long line;                  // 1-based
    std::string message;
};
