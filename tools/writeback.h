// The default output: each imported keyword written back as deck text: a
// "$ FILE:LINE" comment naming where it came from, its title line, then the
// text of each card it built, and an *END line at the end of the deck. The
// *END line ends the last keyword where the next keyword line ended it in the
// deck, so the text imports again to the same cards. A card whose written
// text would not import to the same values is a write-back-inexact warning.
#pragma once

#include <cstdio>
#include <string>

#include "../host/deckimport.h"
#include "warningprinter.h"

class DeckTextWriter : public DeckObserver {
public:
    // warnings receives the write-back-inexact warnings; null checks nothing.
    DeckTextWriter(FILE* out, WarningPrinter* warnings) : out_(out), warnings_(warnings) {}
    ~DeckTextWriter() override;
    DeckTextWriter(const DeckTextWriter&) = delete;
    DeckTextWriter& operator=(const DeckTextWriter&) = delete;

    void keywordEnds(const ImportedKeyword& keyword) override;
    void deckEnds();

private:
    void flush();
    // Warns of card n of the keyword: its field that would read back
    // differently, or (for kAllExact) its empty field before a filled one.
    void warnInexact(const ImportedKeyword& keyword, size_t n, size_t field,
                     const std::string* shiftedField);

    FILE* out_;
    WarningPrinter* warnings_;
    std::string buffer_;
};

// The first field of a card whose written text (text, from Card::tostring)
// would import to another value: a value wider than its column, or a double
// whose text reads back as another number; kAllExact when there is none.
// Ten-column values are read back as the fields of a word card (with the
// exponent repair), others as line fields.
constexpr size_t kAllExact = static_cast<size_t>(-1);
size_t inexactField(Card& card, const std::string& text);
// What is wrong with that field, for the warning.
std::string inexactReason(Card& card, size_t field);

// Appends "$ FILE:LINE" and its newline, with bytes that would end the
// comment line shown as '?', then the keyword's title line.
void appendKeywordHeader(std::string& out, const std::string& file, unsigned long long line,
                         const char* title);
// The text that ends each deck written back.
constexpr const char* kDeckEndText = "*END\n";
