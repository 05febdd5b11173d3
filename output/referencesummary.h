// The summary's block on the model check: each kind of ID referred to, with
// its references, distinct IDs, undefined ones and whether it was checked.
#pragma once

#include <cstdio>

#include "../host/modelcheck.h"

namespace abimport {

void printReferences(FILE* out, const ModelCheck& check);

}  // namespace abimport
