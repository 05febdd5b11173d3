// Reading one deck through the deck loop, as the tool, abimport diff and the
// Python package do: the deck opened from a path ("-": standard input) or
// handed over as an open stream, a reader over it, the loop run with the
// caller's target, observer and settings, and what went wrong on the way.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "../frame/dataline.h"
#include "deckimport.h"
#include "deckinput.h"

namespace abimport {

class DeckRead {
public:
    // Opens the deck at path; "-" is standard input.
    explicit DeckRead(const std::string& path);
    // Reads an open stream, which stays the caller's; name names it in errors.
    DeckRead(FILE* file, const std::string& name);
    ~DeckRead();
    DeckRead(const DeckRead&) = delete;
    DeckRead& operator=(const DeckRead&) = delete;

    // Whether the deck could be opened; error() says why not.
    bool opened() const { return input_.file() != nullptr; }
    // Why the deck cannot be read, or empty; with the errno value behind it.
    const std::string& error() const { return input_.error(); }
    int errorNumber() const { return input_.errorNumber(); }
    // The path, or "standard input" for "-".
    const std::string& name() const { return input_.name(); }

    // The reader of the opened deck, made on first use.
    const DataLine& reader();

    // Runs the deck loop over the opened deck, which it names name in what
    // it reports; atEnd, when given, is called with the finished loop. Then
    // tells whether reading the deck failed on the way (error() says why).
    // Returns the number of keywords imported.
    size_t run(const ABImport& registry, ImportObject& target, DeckObserver* observer,
               const ImportSettings& settings, const std::string& name,
               const std::function<void(const DeckImport&)>& atEnd = nullptr);

    // After run: an include could not be found, opened or read.
    bool includeFailed() const { return includeFailed_; }
    // After run: reading the deck itself failed (not just ended).
    bool readFailed() const { return readFailed_; }

private:
    DeckInput input_;
    std::unique_ptr<DataLine> reader_;
    bool includeFailed_ = false;
    bool readFailed_ = false;
};

}  // namespace abimport
