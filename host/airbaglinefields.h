// The fields of an airbag keyword's data line by their columns, as its
// importer reads them: the host's one source of this fact until the keyword
// table gives it.
#pragma once

namespace abimport {

struct AirbagLineFields {
    static constexpr unsigned kMostFields = 8;
    // Ten-column words, read with the exponent repair; otherwise line fields
    // of the widths below, read as they stand.
    bool words;
    unsigned count;
    unsigned widths[kMostFields];
};

// The fields of a data line of the keyword of that code (1 to 8); the first
// data line of the birth forms is their birth card.
AirbagLineFields airbagLineFields(unsigned keywordCode, bool firstDataLine);

}  // namespace abimport
