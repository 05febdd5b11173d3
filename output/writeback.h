// The default output: each imported keyword written back as deck text: a
// "$ FILE:LINE" comment naming where it came from, its title line, then the
// values line of each card it built with the field texts that read back
// exactly (exacttext.h), a "$" line of field names before each run of cards
// of one name and layout, and an *END line at the end of the deck. The *END
// line ends the last keyword where the next keyword line ended it in the
// deck, so the text imports again to the same cards. Each field without an
// exact text is a write-back-inexact warning.
#pragma once

#include <cstdio>
#include <string>

#include "../host/deckimport.h"
#include "exacttext.h"
#include "warningprinter.h"

namespace abimport {

// A field of card n (from a keyword's first card) without an exact text.
struct InexactCardField {
    size_t card;
    exact_text::InexactField field;
};

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
    void warnInexact(const ImportedKeyword& keyword, const InexactCardField& field);

    FILE* out_;
    WarningPrinter* warnings_;
    std::string buffer_;
};

// Appends cards[first + n] for n in [begin, end): each card's exact values
// line, after a "$" header where a run of cards of one name and layout
// starts; gaps are the empty fields before filled ones (by n). Fields without
// an exact text are listed in inexact when it is given.
void appendCards(std::string& out, const std::vector<Card*>& cards, size_t first, size_t begin,
                 size_t end, const std::vector<std::pair<size_t, EmptyFields>>& gaps,
                 std::vector<InexactCardField>* inexact);

// Appends "$ FILE:LINE" and its newline, with bytes that would end the
// comment line shown as '?', then the keyword's title line.
void appendKeywordHeader(std::string& out, const std::string& file, unsigned long long line,
                         const char* title);
// The text that ends each deck written back.
constexpr const char* kDeckEndText = "*END\n";

}  // namespace abimport
