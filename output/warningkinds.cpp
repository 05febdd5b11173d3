#include "warningkinds.h"

namespace abimport {

const char* warningKindName(WarningKind kind) {
    static const char* const kNames[kWarningKindCount] = {
        "long-line",           "ignored-text",       "empty-comma-word",     "not-a-number",
        "stale-word",          "short-count",        "missing-card",         "control-character",
        "blank-line",          "unknown-keyword",    "keyword-not-imported", "empty-title",
        "include-not-found",   "include-cycle",      "include-depth",        "include-transform",
        "include-skipped",     "include-repeated",   "undefined-reference",  "duplicate-id",
        "parameter-redefined", "parameter-cycle",    "parameter-error",      "undefined-parameter",
        "parameter-inexact",   "write-back-inexact",
    };
    const unsigned index = static_cast<unsigned>(kind);
    return index < kWarningKindCount ? kNames[index] : "";
}

}  // namespace abimport
