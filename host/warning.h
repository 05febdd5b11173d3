// Warnings: whatever the reading rules changed, or an include that could not
// be followed, with the file and line it concerns.
#pragma once

#include <memory>
#include <string>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

// Every kind of warning that reading a deck reports, each once: its
// identifier, its name as users see it, and what it tells. The layers above
// list their own kinds the same way (output/warningkinds.h); a new kind is
// one line in one of the two lists.
#define ABIMPORT_READ_WARNING_KINDS(KIND)                                                          \
    KIND(LongLine, "long-line", "a line does not fit in one read of 127 characters")               \
    KIND(IgnoredText, "ignored-text",                                                              \
         "a data line holds text past the columns or words its card reads")                        \
    KIND(EmptyCommaWord, "empty-comma-word",                                                       \
         "an empty comma word drops out and moves later values left")                              \
    KIND(NotANumber, "not-a-number",                                                               \
         "a number field holds text that is not wholly a number of its kind")                      \
    KIND(StaleWord, "stale-word", "an ID report is handed a word left from an earlier line")       \
    KIND(ShortCount, "short-count", "a count asks for more cards than the keyword gives")          \
    KIND(MissingCard, "missing-card",                                                              \
         "a keyword line or the end of a file cuts a keyword's cards short")                       \
    KIND(ControlCharacter, "control-character",                                                    \
         "a NUL, a lone carriage return or a tab in a line")                                       \
    KIND(BlankLine, "blank-line", "a blank line is read as a card whose fields are all empty")     \
    KIND(UnknownKeyword, "unknown-keyword", "an airbag keyword title misspells an imported one")   \
    KIND(KeywordNotImported, "keyword-not-imported",                                               \
         "an imported airbag keyword's title with an option the library does not import")          \
    KIND(EmptyTitle, "empty-title", "a keyword line has an empty title")                           \
    KIND(IncludeNotFound, "include-not-found",                                                     \
         "an include names a file that cannot be found or read")                                   \
    KIND(IncludeCycle, "include-cycle", "an include names a file that is being read")              \
    KIND(IncludeDepth, "include-depth", "includes nest deeper than 64")                            \
    KIND(IncludeTransform, "include-transform",                                                    \
         "an include keyword that transforms its file is read as a plain include")                 \
    KIND(IncludeSkipped, "include-skipped", "an include is not followed: includes are turned off") \
    KIND(IncludeRepeated, "include-repeated", "the model check: a file is included a second time") \
    KIND(UndefinedReference, "undefined-reference",                                                \
         "the model check: a card refers to an ID nothing defines")                                \
    KIND(DuplicateId, "duplicate-id", "the model check: an ID is defined twice")                   \
    KIND(ParameterRedefined, "parameter-redefined",                                                \
         "a parameter is defined a second time in its scope: the later definition holds")          \
    KIND(ParameterCycle, "parameter-cycle", "a parameter's expression refers back to itself")      \
    KIND(ParameterError, "parameter-error",                                                        \
         "a parameter's definition cannot be read or evaluated")                                   \
    KIND(UndefinedParameter, "undefined-parameter",                                                \
         "a field or an expression names a parameter that nothing defines")                        \
    KIND(ParameterInexact, "parameter-inexact",                                                    \
         "a parameter's value has no text that fits its field exactly: the closest is used")

namespace abimport {

enum class WarningKind : unsigned {
#define ABIMPORT_WARNING_KIND_ENUMERATOR(identifier, name, description) identifier,
    ABIMPORT_READ_WARNING_KINDS(ABIMPORT_WARNING_KIND_ENUMERATOR)
#undef ABIMPORT_WARNING_KIND_ENUMERATOR
    // The former name of missing-card's end-of-file case; goes in the next release.
    EndOfFileCard [[deprecated("use WarningKind::MissingCard")]] = MissingCard,
};

// The kinds that reading a deck reports. The layers above number their own
// kinds from here on (output/warningkinds.h), so that one Warning carries any
// kind.
#define ABIMPORT_WARNING_KIND_ONE(identifier, name, description) +1
constexpr unsigned kReadWarningKindCount = 0 ABIMPORT_READ_WARNING_KINDS(ABIMPORT_WARNING_KIND_ONE);
#undef ABIMPORT_WARNING_KIND_ONE

// The byte columns of its line that a warning concerns, 1-based and
// inclusive, where the check knows them: a field, a word, a character. first
// 0: the line as a whole; last 0 after a first: to the end of the line.
struct WarningColumns {
    unsigned first = 0;
    unsigned last = 0;
};
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
    WarningColumns columns = {};
};

}  // namespace abimport
