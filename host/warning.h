// Warnings: whatever the reading rules changed, or an include that could not
// be followed, with the file and line it concerns.
#pragma once

#include <memory>
#include <string>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

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
    // The former name of missing-card's end-of-file case; goes in the next release.
    EndOfFileCard [[deprecated("use WarningKind::MissingCard")]] = MissingCard,
};
// The kinds that reading a deck reports. The layers above number their own
// kinds from here on (output/warningkinds.h), so that one Warning carries any
// kind; they also name them.
constexpr unsigned kReadWarningKindCount = static_cast<unsigned>(WarningKind::DuplicateId) + 1;

// The byte columns of its line that a warning concerns, 1-based and
// inclusive, where the check knows them: a field, a word, a character. first
// 0: the line as a whole; last 0 after a first: to the end of the line.
struct WarningColumns {
    unsigned first = 0;
    unsigned last = 0;
};

struct Warning {
    WarningKind kind;
    std::shared_ptr<const std::string> file;  // the path as opened
    unsigned long long line;                  // 1-based
    std::string message;
    WarningColumns columns = {};
};

}  // namespace abimport
