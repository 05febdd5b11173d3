// Test helper: decks imported through the stand-in host's deck loop, from a
// file or from text in memory, and the text a writer makes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "../host/deckimport.h"
#include "deckfile.h"

namespace abimport {

// The registry of the library's keywords, set up once.
inline const ABImport& airbagRegistry() {
    static const ABImport registry = [] {
        ABImport filled;
        filled.initABALETypesAndFunctions();
        return filled;
    }();
    return registry;
}

// Imports the deck at path into target; the loop is handed to inspect, if
// given, once the deck is read.
inline size_t importFile(const std::string& path, ImportObject& target,
                         DeckObserver* observer = nullptr, ImportSettings settings = {},
                         const std::function<void(const DeckImport&)>& inspect = nullptr) {
    DataLine reader(path.c_str());
    DeckImport import(airbagRegistry(), target, observer, settings);
    const size_t keywords = import.run(reader, path);
    if (inspect) inspect(import);
    return keywords;
}

// Imports deck text held in memory, named name (includes are looked up from
// its folder), with inspect as importFile's.
inline size_t importText(const std::string& deck, const std::string& name, ImportObject& target,
                         DeckObserver* observer = nullptr, ImportSettings settings = {},
                         const std::function<void(const DeckImport&)>& inspect = nullptr,
                         const ABImport& registry = airbagRegistry()) {
    DeckFile file(deck);
    DataLine reader(file.get());
    DeckImport import(registry, target, observer, settings);
    const size_t keywords = import.run(reader, name);
    if (inspect) inspect(import);
    return keywords;
}

// What write writes into a stream, as text.
inline std::string writtenBy(const std::function<void(FILE*)>& write) {
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    write(out);
    std::fclose(out);
    std::string written(text, size);
    std::free(text);
    return written;
}

}  // namespace abimport
