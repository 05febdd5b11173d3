#include "readchecks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "../model/card.h"
#include "../model/linefields.h"
#include "../model/numbers/reading.h"
#include "../model/numbers/shortest.h"
#include "cardfields.h"
#include "textchecks.h"

namespace abimport {

namespace {

// "an" before a name that starts with a vowel, else "a".
const char* articleFor(const char* name) {
    return std::strchr("AEIOUaeiou", name[0]) && name[0] ? "an" : "a";
}

std::string column(size_t index) {
    return "column " + std::to_string(index + 1);
}

// What the card step makes of a text that is no number of its kind.
std::string readAs(const char* text, unsigned typeCode) {
    using namespace abimport::detail;
    switch (typeCode) {
        case 0: return std::to_string(textToU32(text));
        case 1: return std::to_string(textToI32(text));
        default: {
            const double value = textToDouble(text);
            char shown[32];
            if (!std::isfinite(value)) return std::to_string(value);
            return std::string(shown, abimport::detail::writeShortestDouble(shown, value));
        }
    }
}

// The fields of the ID report that a comma line does not reach: their names
// (a range for three or more in a row), the words handed over instead (the
// first two) and the lines those words came from.
std::string staleWordMessage(const CardDescription& layout, const CardRead& card,
                             const unsigned long long* wordLines) {
    std::vector<unsigned> stale;
    for (unsigned i = card.wordCount; i < layout.fieldCount; ++i) {
        if (layout.fields[i].id) stale.push_back(i);
    }
    if (stale.empty()) return "";
    const bool inARow = stale.back() - stale.front() + 1 == stale.size();
    std::string names, words;
    if (stale.size() >= 3 && inARow) {
        names =
            std::string(layout.fields[stale.front()].name) + "-" + layout.fields[stale.back()].name;
    }
    std::vector<unsigned long long> lines;  // known lines the words came from
    bool beforeFile = false;
    for (size_t i = 0; i < stale.size(); ++i) {
        if (stale.size() < 3 || !inARow) {
            names += (i ? ", " : "") + std::string(layout.fields[stale[i]].name);
        }
        if (i < 2) words += (i ? ", " : "") + quoted(card.words[stale[i]]);
        const unsigned long long from = wordLines[stale[i]];
        if (from == 0)
            beforeFile = true;
        else if (std::find(lines.begin(), lines.end(), from) == lines.end())
            lines.push_back(from);
    }
    if (stale.size() > 2) words += ", ...";
    std::sort(lines.begin(), lines.end());
    std::string source;
    for (const unsigned long long from : lines) {
        source += (source.empty() ? (lines.size() > 1 ? "lines " : "line ") : ", ") +
                  std::to_string(from);
    }
    if (beforeFile) source += (source.empty() ? "" : " and ") + std::string("before this file");
    return names + ": the line gives " + std::to_string(card.wordCount) + " of " +
           std::to_string(layout.fieldCount) + " values; the host is handed " + words + " from " +
           source + " for " + (stale.size() == 1 ? "it" : "them") +
           "; write 0 for IDs that are not used";
}

const char* kindOfNumber(unsigned typeCode) {
    return typeCode == 2 ? "a number" : "an integer within 32 bits";
}

std::string controlMessage(const ControlCharacters& found) {
    std::string message;
    auto add = [&message](size_t at, const char* what, const char* effect) {
        if (at == ControlCharacters::npos) return;
        if (!message.empty()) message += "; ";
        message += what + (" in " + column(at)) + ": " + effect;
    };
    add(found.nul, "NUL byte", "the line's text ends there");
    add(found.tab, "tab", "a field or word that begins with one reads as empty");
    add(found.loneCr, "carriage return without a newline", "it does not end the line");
    return message;
}

}  // namespace

ReadChecks::ReadChecks(Settings settings, Report report)
    : settings_(settings), report_(std::move(report)) {}

void ReadChecks::keywordStarts(const char* title, unsigned long long line,
                               const ImportObject& target) {
    target_ = &target;
    firstCard_ = target.cards.size();
    title_ = title;
    keywordLine_ = line;
    pendingLine_ = 0;
    pendingEmpty_ = {};
    tabPending_ = false;
    countLine_ = 0;
    pieceLine_ = line;
    cardMissed_ = false;
    fileEnded_ = false;
    cardLines_.clear();
    emptyBeforeFilled_.clear();
    parameters_.clear();
    pendingParameters_.clear();
}

void ReadChecks::keywordEnds() {
    settleTabs(nullptr, 0);
    settleCards();
}

void ReadChecks::settleCards() {
    if (!target_) return;
    const size_t built = target_->cards.size() - firstCard_;
    if (settings_.emptyBeforeFilled && (pendingEmpty_.mask | pendingEmpty_.trailing) != 0 &&
        cardLines_.size() < built) {
        emptyBeforeFilled_.emplace_back(cardLines_.size(), pendingEmpty_);
    }
    if (settings_.cardLines && !pendingParameters_.empty() && cardLines_.size() < built)
        parameters_.emplace_back(cardLines_.size(), std::move(pendingParameters_));
    pendingParameters_.clear();
    if (settings_.cardLines || settings_.emptyBeforeFilled) cardLines_.resize(built, pendingLine_);
    pendingEmpty_ = {};
}

void ReadChecks::noteParameters(const CardDescription& card, unsigned long long line) {
    const LineParameters* fields = stream_ ? stream_->parametersOn(line) : nullptr;
    if (!fields) return;
    for (const ParameterField& field : *fields) {
        const std::string name = field.field < card.fieldCount ? card.fields[field.field].name
                                                               : unnamedFieldName(field.field);
        if (field.kind != static_cast<WarningKind>(kReadWarningKindCount))
            report(field.kind, line, name + ": " + field.message,
                   {field.firstColumn, field.lastColumn});
        if (field.substituted) pendingParameters_.emplace_back(name, field.name);
    }
}

void ReadChecks::settleLongLine(unsigned long long nextPieceLine) {
    if (longLine_ == 0 || longLineSettled_) return;
    longLineSettled_ = true;
    report(WarningKind::LongLine, longLine_,
           nextPieceLine == longLine_
               ? "line longer than 126 characters: it is read in pieces of 127 characters, "
                 "each taken as a line of its own"
               : "line longer than 126 characters: only its first 127 characters are read, "
                 "the rest of the line is skipped",
           {DataLine::kLineBufferSize, 0});
}

void ReadChecks::fileChanges(const FileEndStream* stream) {
    stream_ = stream;
    settleLongLine(0);
    longLine_ = 0;
    wordLines_.fill(0);
}

void ReadChecks::keywordLineRead(const char* piece, size_t length, unsigned long long line) {
    settleLongLine(line);
    if (!settings_.warn) return;
    const size_t nul = strnlen(piece, length);
    if (nul < length) {
        report(WarningKind::ControlCharacter, line,
               "NUL byte in " + column(nul) + " of a keyword line: the title ends there");
    }
}

void ReadChecks::linePieceRead(const DataLine& reader) {
    // The line after the file's last one is none of the file's.
    if (stream_ && stream_->isEnd(reader.lineBuffer)) {
        fileEnded_ = true;
        return;
    }
    const unsigned long long line = reader.lineNumber;
    pieceStartsLine_ = line != pieceLine_;
    pieceLine_ = line;
    if (!settings_.warn && !settings_.emptyBeforeFilled) return;
    settleTabs(nullptr, 0);  // no card took the piece before
    const char* piece = reader.lineBuffer;
    const size_t length = pieceLength(piece, DataLine::kLineBufferSize);
    pieceOffset_ = pieceStartsLine_ ? 0 : pieceOffset_ + pieceBytes_;
    pieceBytes_ = length;
    // The keyword line that ends an import: the host takes its title from this
    // first piece and skips the rest.
    if (piece[0] == '*') {
        keywordLineRead(piece, length, line);
        return;
    }
    settleLongLine(line);
    // Whether the rest of a long line is read as lines of its own or skipped
    // shows with the next piece read.
    if (settings_.warn && !reader.lineEnded && length == DataLine::kLineBufferSize - 1 &&
        line != longLine_) {
        longLine_ = line;
        longLineSettled_ = false;
    }
    if (piece[0] != '$') dataPieceRead(piece, length, line);
}

void ReadChecks::dataPieceRead(const char* piece, size_t length, unsigned long long line) {
    const ControlCharacters found = findControlCharacters(piece, length);
    // The reader cuts a line in comma form when a comma stands before its first NUL.
    nulInPiece_ = found.nul != ControlCharacters::npos;
    textLength_ = nulInPiece_ ? found.nul : length;
    commaForm_ = std::memchr(piece, ',', textLength_) != nullptr;
    commaWords_.clear();
    for (size_t at = 0; commaForm_ && at < textLength_;) {
        if (piece[at] == ',') {
            ++at;
            continue;
        }
        const void* comma = std::memchr(piece + at, ',', textLength_ - at);
        const size_t end =
            comma ? static_cast<size_t>(static_cast<const char*>(comma) - piece) : textLength_;
        commaWords_.emplace_back(static_cast<unsigned>(at), static_cast<unsigned>(end));
        at = end;
    }
    if (commaForm_ && stream_) {
        if (const LineParameters* fields = stream_->parametersOn(line))
            placeWordsAsWritten(*fields);
    }
    if (settings_.warn && found.any() && line != controlLine_) {
        if (!commaForm_ && found.nul == ControlCharacters::npos &&
            found.loneCr == ControlCharacters::npos) {
            tabPiece_.assign(piece, length);
            tabLine_ = line;
            tabOffset_ = pieceOffset_;
            tabPending_ = true;
        } else {
            controlLine_ = line;
            const size_t first = std::min({found.nul, found.tab, found.loneCr});
            report(WarningKind::ControlCharacter, line, controlMessage(found),
                   inLine(first + 1, first + 1));
        }
    }
    if (!settings_.warn || !commaForm_ || line == commaLine_) return;
    const size_t textLength = textLength_;
    size_t at = piece[0] == ',' ? 0 : ControlCharacters::npos;
    for (size_t i = 1; i < textLength && at == ControlCharacters::npos; ++i) {
        if (piece[i] == ',' && piece[i - 1] == ',') at = i - 1;
    }
    if (at == ControlCharacters::npos) return;
    commaLine_ = line;
    report(WarningKind::EmptyCommaWord, line,
           std::string(at == 0 ? "leading comma" : "adjacent commas") + " in " + column(at) +
               ": the empty word drops out and later values move one field left",
           inLine(at + 1, at == 0 ? 1 : at + 2));
}

void ReadChecks::settleTabs(const unsigned* fieldEnds, unsigned count) {
    if (!tabPending_) return;
    tabPending_ = false;
    const size_t length = tabPiece_.size();
    auto marksEmpty = [&](size_t at) {
        if (!fieldEnds) return false;
        for (unsigned i = 0; i < count; ++i) {
            if ((i == 0 ? 0 : fieldEnds[i - 1]) != at) continue;
            for (size_t k = at + 1; k < fieldEnds[i] && k < length; ++k) {
                const char c = tabPiece_[k];
                if (c != ' ' && c != '\r' && c != '\n') return false;
            }
            return true;
        }
        return false;
    };
    for (size_t at = 0; at < length; ++at) {
        if (tabPiece_[at] != '\t' || marksEmpty(at)) continue;
        ControlCharacters found;
        found.tab = at;
        controlLine_ = tabLine_;
        const auto column = static_cast<unsigned>(tabOffset_ + at + 1);
        report(WarningKind::ControlCharacter, tabLine_, controlMessage(found), {column, column});
        return;
    }
}

void ReadChecks::cardRead(const DataLine& reader, const CardRead& card) {
    lastCard_ = &card.card;
    noteCounts(card);
    if (tabPending_) {
        unsigned ends[kMostFields];
        const unsigned count =
            card.card.fieldCount < kMostFields ? card.card.fieldCount : kMostFields;
        for (unsigned i = 0, end = 0; i < count; ++i) {
            end += card.card.fields[i].width;
            ends[i] = end;
        }
        settleTabs(reader.endOfFile ? nullptr : ends, count);
    }
    settleCards();
    pendingLine_ = reader.endOfFile ? 0 : reader.lineNumber;
    if (pieceStartsLine_ && !reader.endOfFile) noteParameters(card.card, pendingLine_);
    if (reader.endOfFile) {
        if (Card::contFlag & (Card::kBuildCards | Card::kReportIds)) {
            reportMissingCard(reader, card.card);
        }
        return;
    }
    if (!settings_.warn && !settings_.emptyBeforeFilled) return;
    if (settings_.warn && pieceStartsLine_) {
        checkBlankLine(card.line ? card.line : reader.lineBuffer, card.card, pendingLine_);
    }
    if (card.line) {
        checkLineCard(card, pendingLine_);
    } else {
        checkWordCard(reader, card, pendingLine_);
    }
}

void ReadChecks::checkFields(const CardRead& card, const FieldText* texts, unsigned count,
                             bool controlMeansEmpty, unsigned long long line) {
    const CardDescription& layout = card.card;
    uint32_t empty = 0;  // empty fields since the last filled one
    for (unsigned i = 0; i < count; ++i) {
        const FieldText& field = texts[i];
        if (controlMeansEmpty &&
            (field.length == 0 || std::iscntrl(static_cast<unsigned char>(field.text[0])))) {
            empty |= uint32_t{1} << i;
            pendingEmpty_.widths[i] = static_cast<uint8_t>(layout.fields[i].width);
            pendingEmpty_.types[i] = static_cast<uint8_t>(layout.fields[i].type);
            continue;
        }
        if (empty != 0) {
            if (pendingEmpty_.mask == 0)
                pendingEmpty_.firstName = layout.fields[__builtin_ctz(empty)].name;
            pendingEmpty_.mask |= empty;
            empty = 0;
        }
        const unsigned type = layout.fields[i].type;
        if (settings_.warn && !readsAsWritten(field.text, field.length, type)) {
            const std::string text(field.text, strnlen(field.text, field.length));
            report(WarningKind::NotANumber, line,
                   std::string(layout.fields[i].name) + ": " + quoted(text.c_str()) + " is not " +
                       kindOfNumber(type) + "; read as " + readAs(text.c_str(), type),
                   fieldColumns(i));
        }
    }
    pendingEmpty_.trailing = empty;
}

void ReadChecks::checkTextPast(const char* line, size_t columnCount, const CardDescription& layout,
                               unsigned long long lineNumber) {
    const size_t length = textLength_;
    for (size_t i = columnCount; i < length; ++i) {
        if (isBlankOrLineEnd(line[i])) continue;
        report(WarningKind::IgnoredText, lineNumber,
               "text past column " + std::to_string(columnCount) + " is not read (" +
                   quoted(line + i, length - i) + "): " + layout.name + " reads " +
                   std::to_string(columnCount) + " columns",
               inLine(i + 1, 0));
        return;
    }
}

void ReadChecks::checkBlankLine(const char* line, const CardDescription& layout,
                                unsigned long long lineNumber) {
    for (size_t i = 0; i < textLength_; ++i) {
        if (!isBlankOrLineEnd(line[i])) return;
    }
    // A line whose text a NUL ends is not blank: the NUL is warned.
    if (nulInPiece_) return;
    report(WarningKind::BlankLine, lineNumber,
           std::string("blank line read as ") + articleFor(layout.name) + " " + layout.name +
               " card: each of its fields is empty");
}

void ReadChecks::reportMissingCard(const DataLine& reader, const CardDescription& layout) {
    if (!settings_.warn || cardMissed_) return;
    cardMissed_ = true;
    const std::string keyword =
        std::string("*") + title_ + " (line " + std::to_string(keywordLine_) + ")";
    if (fileEnded_) {
        report(WarningKind::MissingCard, pieceLine_,
               "the file ends inside " + keyword + " before its " + layout.name +
                   " card: that card and the ones after it are missing");
    } else if (reader.endOfFile) {
        report(WarningKind::MissingCard, reader.lineNumber,
               "the file ends inside " + keyword + " before its " + layout.name +
                   " card: the end is read as cards without fields");
    } else {
        report(WarningKind::MissingCard, reader.lineNumber,
               keyword + " ends at this keyword line before its " + layout.name +
                   " card: that card and the ones after it are missing");
    }
}

void ReadChecks::cardMissing(const DataLine& reader, const CardDescription& layout) {
    reportMissingCard(reader, layout);
}

void ReadChecks::checkWordCard(const DataLine& reader, const CardRead& card,
                               unsigned long long line) {
    const CardDescription& layout = card.card;
    FieldText texts[kMostFields];
    unsigned fields = card.wordCount < layout.fieldCount ? card.wordCount : layout.fieldCount;
    if (fields > kMostFields) fields = kMostFields;
    for (unsigned i = 0; i < fields; ++i) {
        const char* word = card.words ? card.words[i] : nullptr;
        texts[i] = {word ? word : "", word ? std::strlen(word) : 0};
    }
    checkFields(card, texts, fields, true, line);
    if (!settings_.warn) return;
    if (!commaForm_) {
        // A fixed-form line: the reader's line buffer still holds it whole.
        checkTextPast(reader.lineBuffer, columnsRead(layout), layout, line);
        noteWordLines(card, line);
        return;
    }
    if (card.wordCount > layout.fieldCount) {
        report(WarningKind::IgnoredText, line,
               "the line holds " + std::to_string(card.wordCount) + " comma-separated words; " +
                   layout.name + " has " + std::to_string(layout.fieldCount) +
                   " fields and the rest is not read",
               wordsFrom(layout.fieldCount));
    }
    if (layout.idStep == IdStep::Report && (Card::contFlag & Card::kReportIds)) {
        const std::string message = staleWordMessage(layout, card, wordLines_.data());
        if (!message.empty()) report(WarningKind::StaleWord, line, message);
    }
    noteWordLines(card, line);
}

void ReadChecks::noteWordLines(const CardRead& card, unsigned long long line) {
    // A comma line fills a word for each of its words, a fixed line one for
    // each field asked for.
    const unsigned filled = commaForm_ ? card.wordCount
                            : card.card.fieldCount < DataLine::kMaxFixedFields
                                ? card.card.fieldCount
                                : DataLine::kMaxFixedFields;
    for (unsigned i = 0; i < filled && i < wordLines_.size(); ++i) wordLines_[i] = line;
}

void ReadChecks::checkLineCard(const CardRead& card, unsigned long long line) {
    const CardDescription& layout = card.card;
    const unsigned count = layout.fieldCount < kMostFields ? layout.fieldCount : kMostFields;
    FieldText texts[kMostFields];
    // The line is the data piece just read.
    const size_t length = textLength_;
    if (!commaForm_) {
        // Fixed columns, taken in place: each field up to the end of the line's text.
        size_t at = 0;
        for (unsigned i = 0; i < count; ++i) {
            const size_t begin = at < length ? at : length;
            at += layout.fields[i].width;
            texts[i] = {card.line + begin, (at < length ? at : length) - begin};
        }
        checkFields(card, texts, count, true, line);
        if (settings_.warn) checkTextPast(card.line, at, layout, line);
        return;
    }
    // Comma words, cut from a copy as the card step cuts the line; each of
    // them makes a value, whatever it begins with.
    char copy[DataLine::kLineBufferSize];
    std::memcpy(copy, card.line, length);
    copy[length] = '\0';
    abimport::detail::LineFields cut(copy);
    unsigned words = 0;
    for (const char* text; words < count && (text = cut.next(0));) {
        texts[words++] = {text, std::strlen(text)};
    }
    checkFields(card, texts, words, false, line);
    size_t more = 0;
    while (cut.next(0)) ++more;
    if (settings_.warn && more > 0) {
        report(WarningKind::IgnoredText, line,
               "the line holds " + std::to_string(layout.fieldCount + more) +
                   " comma-separated words; " + layout.name + " has " +
                   std::to_string(layout.fieldCount) + " fields and the rest is not read",
               wordsFrom(layout.fieldCount));
    }
}

void ReadChecks::numberTaken(const DataLine& reader, unsigned pos) {
    countLine_ = reader.endOfFile ? 0 : reader.lineNumber;
    countPositions_.push_back(pos);
}

void ReadChecks::noteCounts(const CardRead& card) {
    if (countPositions_.empty()) return;
    counts_.clear();
    for (const unsigned pos : countPositions_) {
        const char* word = card.words && pos < card.wordCount ? card.words[pos] : nullptr;
        if (word) counts_.emplace_back(detail::textToU32(word), fieldColumns(pos));
    }
    countPositions_.clear();
}

void ReadChecks::placeWordsAsWritten(const LineParameters& fields) {
    long long shift = 0;  // how far the words read so far stand from the words written
    auto field = fields.begin();
    for (unsigned i = 0; i < commaWords_.size(); ++i) {
        std::pair<unsigned, unsigned>& word = commaWords_[i];
        while (field != fields.end() && field->field < i) ++field;
        if (field != fields.end() && field->field == i && field->substituted) {
            shift = static_cast<long long>(field->lastColumn) - word.second;
            word = {field->firstColumn - 1, field->lastColumn};
        } else {
            word.first = static_cast<unsigned>(word.first + shift);
            word.second = static_cast<unsigned>(word.second + shift);
        }
    }
}

WarningColumns ReadChecks::fieldColumns(unsigned i) const {
    if (commaForm_) {
        if (i >= commaWords_.size()) return {};
        return inLine(commaWords_[i].first + 1, commaWords_[i].second);
    }
    if (!lastCard_ || i >= lastCard_->fieldCount) return {};
    const Columns columns = columnsOf(*lastCard_, i);
    return inLine(columns.first, columns.last);
}

WarningColumns ReadChecks::wordsFrom(unsigned i) const {
    if (i >= commaWords_.size()) return {};
    return inLine(commaWords_[i].first + 1, 0);
}

void ReadChecks::repetitionEnded(const DataLine& reader, const CardDescription& layout,
                                 unsigned count, unsigned cardsRead) {
    // A count of -1 reads up to the next keyword; a count from the end of the
    // file is that card's affair.
    if (!settings_.warn || count == UINT32_MAX || cardsRead >= count || countLine_ == 0) return;
    const bool atKeyword = (reader.flags & DataLine::kKeywordReached) && !fileEnded_;
    WarningColumns columns;
    for (const auto& [value, at] : counts_) {
        if (value == count) columns = at;
    }
    report(WarningKind::ShortCount, countLine_,
           "the count asks for " + std::to_string(count) + " " + layout.name + " cards, but " +
               std::to_string(cardsRead) + " came before " +
               (atKeyword ? "the next keyword line" : "the end of the file"),
           columns);
}

}  // namespace abimport
