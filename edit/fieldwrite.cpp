// Writing one field into its line: the texts tried for the value, the word
// of a comma line or the columns of a fixed-form line replaced, and the line
// read again.
#include <cmath>
#include <cstring>

#include "../model/linefields.h"
#include "../model/numbers/fieldfit.h"
#include "../model/numbers/shortest.h"
#include "editmodel.h"

namespace abimport {

namespace {

using abimport_detail::FieldReading;
using abimport_detail::NumberText;

// Whether the reader cuts the line into comma words: a comma before its first NUL.
bool isCommaLine(const std::string& text) {
    const size_t nul = text.find('\0');
    return text.find(',') < nul;
}

// Where the line's text ends: before a carriage return that ends it.
size_t textEnd(const std::string& text) {
    return !text.empty() && text.back() == '\r' ? text.size() - 1 : text.size();
}

// The word the reader gives field position of a comma line, as [begin, end)
// without the line's end; false when the line has no word for it.
bool findWord(const std::string& text, size_t position, size_t& begin, size_t& end) {
    std::string copy = text;
    copy.push_back('\0');
    char* line = copy.data();
    char* cursor = line;
    size_t length = 0;
    for (size_t index = 0;; ++index) {
        const char* word = abimport_detail::nextCommaWord(cursor, length);
        if (!word) return false;
        if (index != position) continue;
        begin = static_cast<size_t>(word - line);
        end = begin + length;
        const size_t limit = textEnd(text);
        if (end > limit) end = limit < begin ? begin : limit;
        return true;
    }
}

// The line with the word of field position replaced by text.
bool replaceWord(const std::string& line, size_t position, const std::string& text,
                 std::string& out) {
    size_t begin, end;
    if (!findWord(line, position, begin, end)) return false;
    out = line;
    out.replace(begin, end - begin, text);
    return true;
}

// The line with the columns of field position replaced by text, right-aligned
// (blanks for a blank field). Empty fields that the line did not reach
// before the field start with a tab, which reads as empty.
std::string replaceColumns(const std::string& line, const LineLayout& layout, size_t position,
                           const std::string& text) {
    size_t column = 0;
    for (size_t p = 0; p < position; ++p) column += layout.widths[p];
    const unsigned width = layout.widths[position];
    const size_t end = textEnd(line);
    std::string head = line.substr(0, end), tail = line.substr(end);
    for (size_t p = 0, at = 0; p < position; at += layout.widths[p], ++p) {
        if (head.size() > at) continue;
        head.push_back('\t');
        head.append(layout.widths[p] - 1, ' ');
    }
    if (head.size() < column) head.append(column - head.size(), ' ');
    const std::string padded = std::string(width - text.size(), ' ') + text;
    head.replace(column, std::min<size_t>(width, head.size() - column), padded);
    return head + tail;
}

// Whether the field reads as a blank field: empty, or the zero that blank
// columns read as.
bool readsBlank(const ReadField& field) {
    if (field.kind == ReadField::Empty) return true;
    if (field.kind != ReadField::Value) return false;
    return field.type == kDoubleCode ? field.real == 0 : field.integer == 0;
}

// A value as the field reads it from text in its columns.
ReadField valueRead(const ReadField& kind, const NumberText& text, FieldReading reading) {
    ReadField read = kind;
    if (kind.type == kDoubleCode) {
        read.real = abimport_detail::readDouble(text.text, text.length, reading);
    } else if (kind.type == kIntegerCode) {
        read.integer = abimport_detail::readInteger(text.text, text.length, reading);
    } else {
        read.integer = abimport_detail::readUnsigned(text.text, text.length, reading);
    }
    return read;
}

// A text to try, and what the field must read as with it.
struct Candidate {
    std::string text;
    ReadField expected;
    bool rounded;
};

// The texts to try for a value, best first: the text given where it is a
// deck's number that fits, then the exact text of the value for the field's
// reading and, for a comma word, one without a letterless exponent (the
// line's end counts in a last word's repair). Where no exact text fits: an
// error naming the closest, or with round the closest.
bool candidatesFor(const FieldRequest& request, unsigned width, bool commaLine, bool round,
                   std::vector<Candidate>& out, std::string& error, const std::string& named) {
    const ReadField& value = request.value;
    const bool integer = value.type != kDoubleCode;
    const FieldReading reading = abimport_detail::readingOfWidth(width);
    const std::string& given = request.given;
    if (given.size() <= width &&
        abimport_detail::isDeckNumber(given.data(), given.size(), integer, reading.repair)) {
        out.push_back({given, value, false});
    }
    if (integer) {
        const NumberText text = abimport_detail::fitInteger(value.integer, reading);
        if (text.length == 0) {
            error = named + "'" + given + "' has no text that fits its " + std::to_string(width) +
                    " columns";
            return false;
        }
        out.push_back({text.str(), value, false});
        return true;
    }
    std::vector<FieldReading> readings = {reading};
    if (commaLine && reading.repair) readings.push_back({width, false});
    for (const FieldReading& r : readings) {
        const NumberText text = abimport_detail::fitDouble(value.real, r);
        if (text.length == 0) continue;
        if (!text.exact) {
            if (!round) {
                error = named + "'" + given + "' has no text that fits its " +
                        std::to_string(width) + " columns; the closest is '" + text.str() + "'";
                return false;
            }
            out.push_back({text.str(), valueRead(value, text, r), true});
        } else {
            out.push_back({text.str(), value, false});
        }
    }
    return true;
}

}  // namespace

bool writeField(ModelEdit::Model& model, const FieldTarget& target, const FieldRequest& request,
                bool round, EditedField* result, std::string& error) {
    ModelFile& file = *target.file;
    const auto& at = *target.card;
    std::string line;
    file.line(at.line, line);
    const bool newline = file.lineHasNewline(at.line);
    const Card& card = model.cardOf(at);
    const LineLayout layout = layoutOf(card, model.gapsOf(at));
    const std::vector<ReadField> before = readLine(line, newline, layout);
    if (!file.lineEdited(at.line)) {
        const std::vector<ReadField> built = fieldsOf(card, model.gapsOf(at));
        for (size_t p = 0; p < built.size(); ++p) {
            if (p >= before.size() || !sameField(before[p], built[p])) {
                error = target.named + "the line no longer reads as the card it gave";
                return false;
            }
        }
    }
    const bool commaLine = isCommaLine(line);
    const unsigned width = layout.widths[target.position];
    std::vector<Candidate> candidates;
    if (request.blank) {
        if (commaLine) {
            error = target.named +
                    "a field of a comma-separated line cannot be blanked: an empty word drops "
                    "out and moves the later values one field left; write 0 instead";
            return false;
        }
        candidates.push_back({"", {}, false});
    } else if (!candidatesFor(request, width, commaLine, round, candidates, error, target.named)) {
        return false;
    }
    for (const Candidate& candidate : candidates) {
        std::string edited;
        if (commaLine) {
            if (!replaceWord(line, target.position, candidate.text, edited)) {
                error = target.named + "the field has no word on this comma-separated line";
                return false;
            }
        } else {
            edited = replaceColumns(line, layout, target.position, candidate.text);
        }
        if (edited.size() > kLongestLine) {
            error = target.named + "the edited line would be longer than " +
                    std::to_string(kLongestLine) + " characters";
            return false;
        }
        const std::vector<ReadField> after = readLine(edited, newline, layout);
        bool others = true;
        for (size_t p = 0; p < before.size() && others; ++p) {
            others = p == target.position || sameField(before[p], after[p]);
        }
        const ReadField& now = after[target.position];
        const bool reads = request.blank ? readsBlank(now) : sameField(now, candidate.expected);
        if (!others || !reads) continue;
        file.setLine(at.line, std::move(edited));
        if (result) {
            result->where = target.named.substr(0, target.named.size() - 2);
            result->text = candidate.text;
            result->rounded = candidate.rounded;
            result->reads = now;
        }
        return true;
    }
    error =
        target.named + "no text of '" + request.given + "' reads back as its value in this line";
    return false;
}

std::string shownField(const ReadField& field) {
    if (field.kind != ReadField::Value) return "empty";
    if (field.type == kDoubleCode) {
        if (std::isnan(field.real)) return "nan";
        if (std::isinf(field.real)) return field.real < 0 ? "-inf" : "inf";
        char text[32];
        return std::string(text, abimport_detail::writeShortestDouble(text, field.real));
    }
    if (field.type == kTextCode) return "'" + field.text + "'";
    return std::to_string(field.integer);
}

}  // namespace abimport
