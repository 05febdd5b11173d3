// Writing one field into its line: the texts tried for the value, the word
// of a comma line or the columns of a fixed-form line replaced, and the line
// read again.
#include <cmath>
#include <cstring>
#include <string_view>

#include "../host/fieldreading.h"
#include "../host/fieldsinline.h"
#include "../model/linefields.h"
#include "../model/numbers/shortest.h"
#include "editmodel.h"

namespace abimport {

namespace {

using abimport::detail::FieldReading;
using abimport::detail::NumberText;

// Whether the reader cuts the line into comma words: a comma before its first NUL.
bool isCommaLine(std::string_view text) {
    const size_t nul = text.find('\0');
    return text.find(',') < nul;
}

// Where the line's text ends: before a carriage return that ends it.
size_t textEnd(std::string_view text) {
    return !text.empty() && text.back() == '\r' ? text.size() - 1 : text.size();
}

// The word the reader gives field position of a comma line (its newline
// included, which may be a word of its own), as [begin, end) without the
// line's end; false when the line has no word for it.
bool findWord(std::string_view text, bool newline, size_t position, size_t& begin, size_t& end) {
    std::string copy(text);
    if (newline) copy += '\n';
    char* line = copy.data();
    char* cursor = line;
    size_t length = 0;
    for (size_t index = 0;; ++index) {
        const char* word = abimport::detail::nextCommaWord(cursor, length);
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
bool replaceWord(std::string_view line, bool newline, size_t position, std::string_view text,
                 std::string& out) {
    size_t begin, end;
    if (!findWord(line, newline, position, begin, end)) return false;
    out.assign(line.substr(0, begin));
    out.append(text);
    out.append(line.substr(end));
    return true;
}

// The line with the columns of field position replaced by text, right-aligned
// (blanks for a blank field). Empty fields that the line did not reach
// before the field start with a tab, which reads as empty.
void replaceColumns(std::string_view line, const LineLayout& layout, size_t position,
                    std::string_view text, std::string& out) {
    size_t column = 0;
    for (size_t p = 0; p < position; ++p) column += layout.widths[p];
    const unsigned width = layout.widths[position];
    const size_t end = textEnd(line);
    const std::string_view head = line.substr(0, end < column ? end : column);
    out.assign(head);
    for (size_t p = 0, at = 0; p < position; at += layout.widths[p], ++p) {
        if (out.size() > at) continue;
        out.push_back('\t');
        out.append(layout.widths[p] - 1, ' ');
    }
    if (out.size() < column) out.append(column - out.size(), ' ');
    out.append(width - text.size(), ' ');
    out.append(text);
    if (column + width < end) out.append(line.substr(column + width, end - column - width));
    out.append(line.substr(end));
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
        read.real = abimport::detail::readDouble(text.text, text.length, reading);
    } else if (kind.type == kIntegerCode) {
        read.integer = abimport::detail::readInteger(text.text, text.length, reading);
    } else {
        read.integer = abimport::detail::readUnsigned(text.text, text.length, reading);
    }
    return read;
}

// A text to try, and what the field must read as with it.
struct Candidate {
    char text[abimport::detail::kMostFitColumns + 1];
    size_t length;
    ReadField expected;
    bool rounded;
    std::string_view view() const { return std::string_view(text, length); }
};

// Candidates for one field, best first.
struct Candidates {
    Candidate list[4];
    size_t count = 0;
    void add(std::string_view text, const ReadField& expected, bool rounded) {
        Candidate& c = list[count++];
        c.length = text.size() < sizeof c.text ? text.size() : sizeof c.text - 1;
        std::memcpy(c.text, text.data(), c.length);
        c.expected = expected;
        c.rounded = rounded;
    }
};

// The texts to try for a value, best first: the text given where it is a
// deck's number that fits, then the exact text of the value for the field's
// reading and, for a comma word, one without a letterless exponent (the
// line's end counts in a last word's repair). Where no exact text fits: an
// error naming the closest, or with round the closest.
template <class Named>
bool candidatesFor(const FieldRequest& request, unsigned width, bool commaLine, bool round,
                   Candidates& out, std::string& error, const Named& named) {
    const ReadField& value = request.value;
    const bool integer = value.type != kDoubleCode;
    const FieldReading reading = abimport::detail::readingOfWidth(width);
    const std::string& given = request.given;
    if (given.size() <= width &&
        abimport::detail::isDeckNumber(given.data(), given.size(), integer, reading.repair)) {
        out.add(given, value, false);
    }
    if (integer) {
        const NumberText text = abimport::detail::fitInteger(value.integer, reading);
        if (text.length == 0) {
            error = named() + "'" + given + "' has no text that fits its " + std::to_string(width) +
                    " columns";
            return false;
        }
        out.add(std::string_view(text.text, text.length), value, false);
        return true;
    }
    const FieldReading readings[] = {reading, {width, false}};
    for (size_t r = 0; r < (commaLine && reading.repair ? 2 : 1); ++r) {
        const NumberText text = abimport::detail::fitDouble(value.real, readings[r]);
        if (text.length == 0) continue;
        const std::string_view shown(text.text, text.length);
        if (text.exact) {
            if (out.count == 0 || out.list[out.count - 1].view() != shown)
                out.add(shown, value, false);
            continue;
        }
        if (!round) {
            error = named() + "'" + given + "' has no text that fits its " + std::to_string(width) +
                    " columns; the closest is '" + text.str() + "'";
            return false;
        }
        out.add(shown, valueRead(value, text, readings[r]), true);
    }
    return true;
}

// The line with the field of the request replaced by text.
bool replaced(std::string_view line, bool newline, bool commaLine, const LineLayout& layout,
              size_t position, std::string_view text, std::string& out) {
    if (commaLine) return replaceWord(line, newline, position, text, out);
    replaceColumns(line, layout, position, text, out);
    return true;
}

// Whether the line now reads as asked: the field at position as expected,
// every other field as before.
bool readsAsAsked(const LineReading& before, const LineReading& after, size_t position, bool blank,
                  const ReadField& expected) {
    for (size_t p = 0; p < before.count; ++p) {
        if (p != position && !sameField(before[p], after[p])) return false;
    }
    return blank ? readsBlank(after[position]) : sameField(after[position], expected);
}

// The first text to try for a value in a fixed-form line, found cheaply:
// the text given where it is a deck's number that fits, else the exact text
// of the value; false when neither is there.
bool firstCandidate(const FieldRequest& request, unsigned width, Candidates& out) {
    const ReadField& value = request.value;
    const bool integer = value.type != kDoubleCode;
    const FieldReading reading = abimport::detail::readingOfWidth(width);
    const std::string& given = request.given;
    if (given.size() <= width &&
        abimport::detail::isDeckNumber(given.data(), given.size(), integer, reading.repair)) {
        out.add(given, value, false);
        return true;
    }
    const NumberText text = integer ? abimport::detail::fitInteger(value.integer, reading)
                                    : abimport::detail::fitDouble(value.real, reading);
    if (text.length == 0 || !text.exact) return false;
    out.add(std::string_view(text.text, text.length), value, false);
    return true;
}

// All fields of a fixed-form line written at once with their first texts,
// and the line read once: the common case of a geometry edit. False, with
// nothing written, when any of them does not read as asked.
bool writeAtOnce(const LineLayout& layout, const LineReading& before, bool newline,
                 const FieldRequest* requests, size_t count, std::string_view line,
                 std::string& edited, Candidates* chosen) {
    static thread_local std::string scratch;
    scratch.assign(line);
    for (size_t k = 0; k < count; ++k) {
        const FieldRequest& request = requests[k];
        if (request.blank || !firstCandidate(request, layout.widths[request.position], chosen[k]))
            return false;
        replaceColumns(scratch, layout, request.position, chosen[k].list[0].view(), edited);
        scratch.swap(edited);
    }
    scratch.swap(edited);
    if (edited.size() > kLongestLine) return false;
    LineReading after;
    readLine(edited, newline, layout, after);
    for (size_t p = 0; p < before.count; ++p) {
        const ReadField* expected = nullptr;
        for (size_t k = 0; k < count; ++k) {
            if (requests[k].position == p) expected = &chosen[k].list[0].expected;
        }
        if (!sameField(after[p], expected ? *expected : before[p])) return false;
    }
    return true;
}

}  // namespace

std::string namedField(const ModelEdit::Model& model, const ModelEdit::Model::CardAt& at,
                       size_t position) {
    std::string name;
    forEachFieldInLine(*at.card, model.gapsOf(at), true, [&](const FieldInLine& field) {
        if (field.position == position && field.name) name = *field.name;
    });
    return model.files[at.file].path() + ":" + std::to_string(at.line) + ": " + at.card->name +
           " " + name + ": ";
}

void ModelEdit::Model::addCard(uint32_t file, const EmptyFields* gaps, unsigned long long line,
                               const Card* card) {
    int32_t gapIndex = -1;
    if (gaps) {
        gapIndex = static_cast<int32_t>(cardGaps.size());
        cardGaps.push_back(*gaps);
    }
    cards.push_back({file, gapIndex, line, card});
    if (line == 0) return;
    auto& lines = cardOfLine[file];
    if (lines.size() <= line) lines.resize(line + 1 + lines.size() / 2, 0);
    lines[line] = static_cast<uint32_t>(cards.size());
}

namespace {

// One line being written: where it stands, how it is read, its text now and
// what it reads as.
struct LineEdit {
    const ModelEdit::Model& model;
    const ModelEdit::Model::CardAt& at;
    LineLayout layout;
    bool newline;
    bool commaLine;
    std::string& line;    // the text now
    std::string& edited;  // scratch for the text tried
    LineReading before;   // what the text now reads as
    std::string named(size_t position) const { return namedField(model, at, position); }
};

// Whether the line as held still reads as the card it gave (a line not yet
// edited: the file may have changed since the cards were read).
bool readsAsItsCard(const LineEdit& edit, std::string& error, size_t position) {
    const LineReading built = fieldsOf(*edit.at.card, edit.model.gapsOf(edit.at));
    for (size_t p = 0; p < built.count; ++p) {
        if (p >= edit.before.count || !sameField(edit.before[p], built[p])) {
            error = edit.named(position) + "the line no longer reads as the card it gave";
            return false;
        }
    }
    return true;
}

// Writes one field into the line: the first of its texts with which the line
// reads as asked.
bool writeOne(LineEdit& edit, const FieldRequest& request, bool round, EditedField* result,
              std::string& error) {
    const size_t position = request.position;
    Candidates candidates;
    if (request.blank) {
        if (edit.commaLine) {
            error = edit.named(position) +
                    "a field of a comma-separated line cannot be blanked: an empty word drops "
                    "out and moves the later values one field left; write 0 instead";
            return false;
        }
        candidates.add("", {}, false);
    } else if (!candidatesFor(request, edit.layout.widths[position], edit.commaLine, round,
                              candidates, error, [&] { return edit.named(position); })) {
        return false;
    }
    LineReading after;
    for (size_t c = 0; c < candidates.count; ++c) {
        const Candidate& candidate = candidates.list[c];
        if (!replaced(edit.line, edit.newline, edit.commaLine, edit.layout, position,
                      candidate.view(), edit.edited)) {
            error = edit.named(position) + "the field has no word on this comma-separated line";
            return false;
        }
        if (edit.edited.size() > kLongestLine) {
            error = edit.named(position) + "the edited line would be longer than " +
                    std::to_string(kLongestLine) + " characters";
            return false;
        }
        readLine(edit.edited, edit.newline, edit.layout, after);
        if (!readsAsAsked(edit.before, after, position, request.blank, candidate.expected)) {
            continue;
        }
        edit.line.swap(edit.edited);
        edit.before = after;
        if (result) {
            if (candidate.rounded) {
                const std::string named = edit.named(position);
                result->where = named.substr(0, named.size() - 2);
            }
            result->text.assign(candidate.text, candidate.length);
            result->rounded = candidate.rounded;
            result->reads = after[position];
        }
        return true;
    }
    error = edit.named(position) + "no text of '" + request.given +
            "' reads back as its value in this line";
    return false;
}

}  // namespace

bool writeFields(ModelEdit::Model& model, const ModelEdit::Model::CardAt& at,
                 const FieldRequest* requests, size_t count, bool round, EditedField* results,
                 std::string& error) {
    ModelFile& file = model.files[at.file];
    std::string_view held;
    file.line(at.line, held);
    // Reused from call to call: a geometry edit writes a million lines.
    static thread_local std::string line, edited;
    line.assign(held);
    LineEdit edit{model,
                  at,
                  layoutOf(*at.card, model.gapsOf(at)),
                  file.lineHasNewline(at.line),
                  isCommaLine(line),
                  line,
                  edited,
                  {}};
    readLine(line, edit.newline, edit.layout, edit.before);
    if (!file.lineTouched(at.line) && !readsAsItsCard(edit, error, requests[0].position)) {
        return false;
    }
    constexpr size_t kAtOnce = 4;  // a node's coordinates, a shell's nodes
    if (!edit.commaLine && count <= kAtOnce) {
        Candidates first[kAtOnce];
        if (writeAtOnce(edit.layout, edit.before, edit.newline, requests, count, line, edited,
                        first)) {
            for (size_t k = 0; k < count && results; ++k) {
                const Candidate& chosen = first[k].list[0];
                results[k].text.assign(chosen.text, chosen.length);
                results[k].rounded = false;
                results[k].reads = chosen.expected;
            }
            file.setLine(at.line, edited);
            return true;
        }
    }
    for (size_t k = 0; k < count; ++k) {
        if (!writeOne(edit, requests[k], round, results ? &results[k] : nullptr, error)) {
            return false;
        }
    }
    file.setLine(at.line, line);
    return true;
}

std::string shownField(const ReadField& field) {
    if (field.kind != ReadField::Value) return "empty";
    if (field.type == kDoubleCode) {
        if (std::isnan(field.real)) return "nan";
        if (std::isinf(field.real)) return field.real < 0 ? "-inf" : "inf";
        char text[32];
        return std::string(text, abimport::detail::writeShortestDouble(text, field.real));
    }
    if (field.type == kTextCode) return "a text";
    return std::to_string(field.integer);
}

}  // namespace abimport
