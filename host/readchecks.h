// The reading checks: a ReadObserver that the deck loop hands to the reader.
// It notes the line of every card built, and reports as warnings whatever the
// reading rules change in the lines of the airbag keywords: long lines read in
// pieces, text past the columns a card reads, empty comma words, text that is
// no number, stale words in ID reports, short counts, cards of a keyword's
// layout that the next keyword or the end of a file cut off, blank lines
// read as cards, and control characters.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../frame/dataline.h"
#include "../frame/hostinterface.h"
#include "../frame/readobserver.h"
#include "../keywords/keywordtable.h"
#include "fileendstream.h"
#include "warning.h"

namespace abimport {

// The empty fields of a card, which the card's values leave out: bit i of
// mask for field i of the card's layout when it stands before a filled one,
// of trailing when it stands after the last, with the columns of each.
struct EmptyFields {
    static constexpr unsigned kMostFields = 16;
    std::string firstName;  // the first before a filled one
    uint32_t mask = 0;
    uint32_t trailing = 0;
    uint8_t widths[kMostFields] = {};
    uint8_t types[kMostFields] = {};  // the type codes the layout gives them
};

// The fields of a card that took a parameter's value: field name, parameter
// name as the field names it.
using CardParameters = std::vector<std::pair<std::string, std::string>>;

// The fields of card (an index among a keyword's cards) that took a
// parameter's value, in a list by ascending card; null for none.
inline const CardParameters* parametersOf(
    const std::vector<std::pair<size_t, CardParameters>>& cards, size_t card) {
    const auto at = std::lower_bound(
        cards.begin(), cards.end(), card,
        [](const std::pair<size_t, CardParameters>& entry, size_t n) { return entry.first < n; });
    return at != cards.end() && at->first == card ? &at->second : nullptr;
}

class ReadChecks : public ReadObserver {
public:
    struct Settings {
        bool warn = true;                // report warnings
        bool cardLines = false;          // note the line of every card built
        bool emptyBeforeFilled = false;  // note cards with an empty field before a filled one
    };
    // Receives each warning: its kind, the line it names in the file being
    // read, the message
    // and the columns of that line it concerns.
    using Report =
        std::function<void(WarningKind, unsigned long long, const std::string&, WarningColumns)>;

    ReadChecks(Settings settings, Report report);

    // Around one import: its keyword title and line, and the card list that
    // receives its cards.
    void keywordStarts(const char* title, unsigned long long line, const ImportObject& target);
    void keywordEnds();

    // After keywordEnds: the line of each card the import built, in order (0
    // where no data line gave it), when card lines are noted.
    const std::vector<unsigned long long>& cardLines() const { return cardLines_; }
    // The cards (by their index among the import's cards) that hold an empty
    // field, with those fields.
    const std::vector<std::pair<size_t, EmptyFields>>& emptyBeforeFilled() const {
        return emptyBeforeFilled_;
    }

    // The cards (by their index among the import's cards) with fields that
    // took a parameter's value, with those fields.
    const std::vector<std::pair<size_t, CardParameters>>& parameters() const { return parameters_; }

    // The card read last, as its keyword describes it; null before the first.
    const CardDescription* lastCard() const { return lastCard_; }
    // The columns of field i of the card read last in its line: its fixed
    // columns, or its word in a comma line; 0 when the line has no such word.
    // Known while the checks warn.
    WarningColumns fieldColumns(unsigned i) const;

    // A keyword line that the host read itself (the reader tells of the ones it reads).
    void keywordLineRead(const char* piece, size_t length, unsigned long long line);
    // The host starts or ends reading a file, and goes on reading stream
    // (null: none): a long line last read is skipped, and no word comes from
    // a line of the file read next.
    void fileChanges(const FileEndStream* stream);

    void linePieceRead(const DataLine& reader) override;
    void cardRead(const DataLine& reader, const CardRead& card) override;
    void numberTaken(const DataLine& reader, unsigned pos) override;
    void repetitionEnded(const DataLine& reader, const CardDescription& card, unsigned count,
                         unsigned cardsRead) override;
    void cardMissing(const DataLine& reader, const CardDescription& card) override;

private:
    // The text of one field as the card step cuts it: length bytes, or up to a NUL before.
    struct FieldText {
        const char* text;
        size_t length;
    };
    static constexpr unsigned kMostFields = EmptyFields::kMostFields;

    void dataPieceRead(const char* piece, size_t length, unsigned long long line);
    // A tab in a fixed-form line is reported once the card's columns are
    // known: a tab in the first column of a field that holds nothing else
    // marks that field empty on purpose and is not reported. fieldEnds holds
    // the end column of each field, or is null when no card takes the line.
    void settleTabs(const unsigned* fieldEnds, unsigned count);
    // The field texts that become the card's values, as the card step cuts
    // them; a text that begins with a control character is an empty field
    // when controlMeansEmpty.
    void checkFields(const CardRead& card, const FieldText* texts, unsigned count,
                     bool controlMeansEmpty, unsigned long long line);
    void checkWordCard(const DataLine& reader, const CardRead& card, unsigned long long line);
    void checkLineCard(const CardRead& card, unsigned long long line);
    // Text past the columns the card reads, in the data piece just read.
    void checkTextPast(const char* line, size_t column, const CardDescription& card,
                       unsigned long long lineNumber);
    // A card's line of nothing but blanks, in the data piece just read.
    void checkBlankLine(const char* line, const CardDescription& card,
                        unsigned long long lineNumber);
    // The first card of the import that the next keyword or the end of the
    // file cut off; later ones follow from it and are not reported.
    void reportMissingCard(const DataLine& reader, const CardDescription& card);
    // The cards appended since the last read came from that read.
    void settleCards();
    // The counts taken from the card just read, with their columns.
    void noteCounts(const CardRead& card);
    // A comma line that took parameter values holds other words than the
    // line as written: its words are placed where the line as written has them.
    void placeWordsAsWritten(const LineParameters& fields);
    // From the start of comma word i of the data piece to the end of the line.
    WarningColumns wordsFrom(unsigned i) const;
    // The fields of the card just read that named parameters: their warnings,
    // and those that took a value.
    void noteParameters(const CardDescription& card, unsigned long long line);
    // Reports the long line of the last pieces, if not yet done: its rest
    // was read as lines of their own when the next piece read belongs to it.
    void settleLongLine(unsigned long long nextPieceLine);
    // The reader's word buffers that the card read filled hold words of line.
    void noteWordLines(const CardRead& card, unsigned long long line);
    void report(WarningKind kind, unsigned long long line, const std::string& message,
                WarningColumns columns = {}) {
        report_(kind, line, message, columns);
    }
    // Columns of the data piece just read as columns of its line.
    WarningColumns inLine(size_t first, size_t last) const {
        return {static_cast<unsigned>(pieceOffset_ + first),
                last == 0 ? 0u : static_cast<unsigned>(pieceOffset_ + last)};
    }

    Settings settings_;
    Report report_;
    const ImportObject* target_ = nullptr;
    size_t firstCard_ = 0;
    const char* title_ = "";
    unsigned long long keywordLine_ = 0;

    unsigned long long pendingLine_ = 0;  // the line of the last card read
    EmptyFields pendingEmpty_;            // its empty fields before a filled one
    CardParameters pendingParameters_;    // its fields that took a parameter's value
    // The last fixed-form data piece with a tab as its only control character,
    // until settleTabs.
    std::string tabPiece_;
    unsigned long long tabLine_ = 0;
    bool tabPending_ = false;
    unsigned long long countLine_ = 0;  // the line of the last card a number came from
    // The last data piece: the length of its text (up to a NUL) and whether
    // a comma stands in it, which makes the reader cut it in comma form.
    size_t textLength_ = 0;
    bool commaForm_ = false;
    bool nulInPiece_ = false;
    // Lines already warned about, so that a line in pieces warns once.
    unsigned long long longLine_ = 0, controlLine_ = 0, commaLine_ = 0;
    bool longLineSettled_ = true;
    // The line each word buffer of the reader was last filled from in this
    // file (0: before it), for stale words.
    std::array<unsigned long long, DataLine::kWordBufferCount> wordLines_{};
    // The line of the last piece read, and whether that piece begins its line.
    unsigned long long pieceLine_ = 0;
    bool pieceStartsLine_ = false;
    // Where that piece begins in its line, and its length.
    size_t pieceOffset_ = 0, pieceBytes_ = 0;
    // The comma words of the last data piece in comma form: [begin, end) each.
    std::vector<std::pair<unsigned, unsigned>> commaWords_;
    // The words that counts came from since the last card read, and for the
    // counts of that card each count with its columns.
    std::vector<unsigned> countPositions_;
    std::vector<std::pair<unsigned, WarningColumns>> counts_;
    size_t tabOffset_ = 0;                   // where the pending tab piece begins in its line
    bool cardMissed_ = false;                // the import's missing card was reported
    const FileEndStream* stream_ = nullptr;  // of the file being read
    bool fileEnded_ = false;                 // the import met the end of its file

    const CardDescription* lastCard_ = nullptr;
    std::vector<unsigned long long> cardLines_;
    std::vector<std::pair<size_t, EmptyFields>> emptyBeforeFilled_;
    std::vector<std::pair<size_t, CardParameters>> parameters_;
};

}  // namespace abimport
