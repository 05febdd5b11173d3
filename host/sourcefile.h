// Where imported keywords and cards come from: the files of a model (the main
// deck and the files it includes) and the lines in them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

// One file of a model, as it was opened.
struct SourceFile {
    static constexpr size_t kNoParent = static_cast<size_t>(-1);

    // The path as opened: the deck's name as given ("-" for standard input),
    // or the resolved path of an include. Shared by everything read from it.
    std::shared_ptr<const std::string> path;
    // The index of the including file in the model's file list; kNoParent for
    // the main deck.
    size_t parent = kNoParent;
    // The line of the include keyword in the including file; 0 for the main deck.
    unsigned long long includeLine = 0;
    // 0 for the main deck, 1 for the files it includes, and so on.
    unsigned depth = 0;
    // The airbag keywords imported from this file.
    size_t keywords = 0;
};

}  // namespace abimport
