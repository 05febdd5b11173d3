// abimport --set: the command line's side of editing a model.
#pragma once

#include <cstdio>

#include "../frame/hostinterface.h"
#include "options.h"

namespace abimport {

// abimport --set ... with --diff, --in-place or --output: applies the edits
// to the one deck of options and prints errors to err. Returns the exit
// status: 0, 1 when the model cannot be read or an edit or a write fails,
// 2 when an edit is not FILE:LINE:FIELD=VALUE.
int runModelEdits(const Options& options, const ABImport& registry, FILE* out, FILE* err);

}  // namespace abimport
