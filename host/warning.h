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
    KeywordNotImported,
    EmptyTitle,
    IncludeNotFound,
    IncludeCycle,
    IncludeDepth,
    IncludeTransform,
    IncludeSkipped,
    IncludeRepeated,
    UndefinedReference,
    DuplicateId,
    ParameterRedefined,
    ParameterCycle,
    ParameterError,
    UndefinedParameter,
    ParameterInexact,
    // The former name of missing-card's end-of-file case; goes in the next release.
    EndOfFileCard [[deprecated("use WarningKind::MissingCard")]] = MissingCard,
};
// The kinds that reading a deck reports. The layers above number their own
// kinds from here on (output/warningkinds.h), so that one Warning carries any
// kind; they also name them.
constexpr unsigned kReadWarningKindCount = static_cast<unsigned>(WarningKind::ParameterInexact) + 1;

// Whether warnings of the kind tell a problem of the model, not of its
// reading: a reference to what nothing defines (an ID or a parameter), an ID
// defined twice, a file included twice.
constexpr bool isModelProblem(WarningKind kind) {
    return kind == WarningKind::UndefinedReference || kind == WarningKind::DuplicateId ||
           kind == WarningKind::IncludeRepeated || kind == WarningKind::UndefinedParameter;
}

struct Warning {
    WarningKind kind;
    std::shared_ptr<const std::string> file;  // the path as opened
    unsigned long long line;                  // 1-based
    std::string message;
};

}  // namespace abimport
