// Reading a deck into a DeckData through the stand-in host, as abimport does
// for --json: the deck loop with includes and warnings, the lines of every
// card, and every host call, under the flag guard.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "../../host/contflag.h"
#include "deckdata.h"

namespace abimport {

struct ReadOptions {
    unsigned flags = kDefaultFlags;  // Card::contFlag during the import
    bool includes = true;            // follow the include keywords
    bool check = false;              // check the model's references, duplicate IDs and includes
    bool parameters = true;          // give fields that name a parameter (&name) its value
};

// The deck could not be opened or read: errno's value, and the message.
class DeckReadError : public std::runtime_error {
public:
    DeckReadError(int number, const std::string& message)
        : std::runtime_error(message), errorNumber(number) {}
    int errorNumber;
};

// The deck at path ("-": standard input). Throws DeckReadError when it
// cannot be opened, is a folder, or reading it fails. What the import makes
// comes from the small-object heap (importheap.h).
DeckOwner readDeckFile(const std::string& path, const ReadOptions& options);

// A deck held in memory, named name in what the read reports; relative
// includes are looked up from name's folder.
DeckOwner readDeckText(const std::string& text, const std::string& name,
                       const ReadOptions& options);

}  // namespace abimport
