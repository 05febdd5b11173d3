// Formatting: each card line of an airbag keyword rewritten so that every
// value stands right-aligned in its columns, in the exact text that the
// write-back chooses. A line is rewritten only when the rewritten text reads
// back to the same cards, value for value; lines that would read differently,
// or that hold text the alignment would drop, are left as they are and named
// in a message. A comma line becomes a fixed-column line when its values fit.
#include <cmath>
#include <cstring>
#include <map>

#include "../host/parametersubstitution.h"
#include "../host/textchecks.h"
#include "../model/card.h"
#include "../output/exacttext.h"
#include "features.h"
#include "lineplaces.h"
#include "rpcerror.h"

namespace abimport::lsp {

using nlohmann::json;

namespace {

constexpr size_t kLongestLine = 126;  // longer lines are read in pieces
constexpr size_t kReasonsShown = 5;

struct LineEdit {
    size_t line;  // 0-based
    std::string text;
};

struct LeftAsIs {
    size_t line;  // 0-based
    std::string reason;
};

bool sameValue(const Data* a, const Data* b) {
    if (!a || !b) return a == b;
    if (a->typeCode != b->typeCode) return false;
    switch (a->typeCode) {
        case kIntegerCode:
            return static_cast<const Integer*>(a)->val == static_cast<const Integer*>(b)->val;
        case kUnsignedCode:
            return static_cast<const UInteger*>(a)->val == static_cast<const UInteger*>(b)->val;
        case kDoubleCode: {
            const double x = static_cast<const Double*>(a)->val;
            const double y = static_cast<const Double*>(b)->val;
            return (std::isnan(x) && std::isnan(y)) ||
                   (x == y && std::signbit(x) == std::signbit(y));
        }
        case kTextCode: {
            const char* x = static_cast<const CharArray*>(a)->val;
            const char* y = static_cast<const CharArray*>(b)->val;
            return std::strcmp(x ? x : "", y ? y : "") == 0;
        }
        default: return true;
    }
}

bool sameCard(const CardPlace& a, const CardPlace& b) {
    if (a.description != b.description || a.fields.size() != b.fields.size() ||
        !a.built != !b.built)
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        if (!sameValue(a.fields[i].value, b.fields[i].value)) return false;
    }
    return true;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// The aligned text of a card line, or false with the reason it stays.
bool alignedLine(const CardPlace& card, std::string_view line, std::string& out,
                 std::string& reason) {
    if (line.size() > kLongestLine) {
        reason = "it is longer than 126 characters and read in pieces";
        return false;
    }
    if (card.pieceOffset != 0) return false;
    size_t readTo = 0;  // the end of the last field's columns or word
    for (const FieldPlace& field : card.fields) readTo = std::max(readTo, field.end);
    if (card.commaForm) {
        // Words beyond the card's fields are not read: they would be lost.
        size_t words = 0;
        for (size_t at = 0; at < line.size();) {
            if (line[at] == ',') {
                ++at;
                continue;
            }
            ++words;
            at = std::min(line.find(',', at), line.size());
        }
        if (words > card.fields.size()) {
            reason = "it holds more words than " + std::string(card.name()) + " has fields";
            return false;
        }
    } else {
        const size_t columns = columnsRead(*card.description);
        if (line.size() > columns && !blank(line.substr(columns))) {
            reason = "text past column " + std::to_string(columns) + " is not read";
            return false;
        }
    }
    std::string aligned;
    size_t filledEnd = 0;  // aligned's length after the last value
    for (const FieldPlace& field : card.fields) {
        const std::string_view text =
            field.end > field.begin ? line.substr(field.begin, field.end - field.begin) : "";
        const unsigned width = field.width();
        if (field.type() == kBlankRequestCode) {
            if (!blank(text)) {
                reason = field.name() + std::string(" columns hold text that is not read");
                return false;
            }
            aligned.append(width, ' ');
            continue;
        }
        if (!field.value) {
            // Empty: a tab in its first column keeps it empty before a filled field.
            aligned += '\t';
            aligned.append(width - 1, ' ');
            continue;
        }
        if (blank(field.text)) {
            // Blanks stay blanks: another reader may give them a default of its own.
            aligned.append(width, ' ');
            continue;
        }
        std::string name;
        bool negated;
        if (parameterReference(field.text, name, negated)) {
            // A parameter's name stays: the read-back tells whether its value
            // still reads the same in the field's columns.
            const std::string reference = (negated ? "-&" : "&") + name;
            if (reference.size() > width) {
                reason = field.name() + (": " + reference) + " does not fit its " +
                         std::to_string(width) + " columns";
                return false;
            }
            aligned.append(width - reference.size(), ' ');
            aligned += reference;
            filledEnd = aligned.size();
            continue;
        }
        if (!readsAsWritten(field.read.data(), field.read.size(), field.type())) {
            reason = field.name() + (": " + quoted(field.text.c_str())) + " is not read as written";
            return false;
        }
        // The text the write-back writes for the value.
        const detail::NumberText value = exact_text::valueText(*field.value);
        if (!value.exact || value.length == 0 || value.length > width) {
            reason = field.name() + (": no text of " + std::to_string(width)) +
                     " columns reads back as its value";
            return false;
        }
        aligned.append(width - value.length, ' ');
        aligned.append(value.text, value.length);
        filledEnd = aligned.size();
    }
    aligned.resize(filledEnd);
    out = aligned;
    return true;
}

// The text with each edit's line replaced.
std::string withEdits(const TextDocument& document, const std::vector<LineEdit>& edits) {
    std::string text;
    size_t from = 0;
    for (const LineEdit& edit : edits) {
        const size_t begin = offsetOfLine(document, edit.line);
        text.append(document.text(), from, begin - from);
        text += edit.text;
        from = begin + document.line(edit.line).size();
    }
    text.append(document.text(), from, std::string::npos);
    return text;
}

// The aligned lines of first to last (0-based) and the lines left as they are.
void alignLines(const Session& session, const TextDocument& document,
                const FileParameters& parameters, size_t first, size_t last,
                std::vector<LineEdit>& edits, std::vector<LeftAsIs>& left) {
    if (document.lineCount() == 0) return;
    last = std::min(last, document.lineCount() - 1);
    std::vector<size_t> keywordLines;
    size_t above;
    if (keywordLineAbove(document, first, above)) keywordLines.push_back(above);
    for (size_t n = first + 1; n <= last; ++n) {
        const std::string_view line = document.line(n);
        if (!line.empty() && line[0] == '*') keywordLines.push_back(n);
    }
    std::map<size_t, const CardPlace*> before;  // the cards as read now, by line
    std::vector<std::unique_ptr<KeywordReading>> readings;
    for (const size_t keywordLine : keywordLines) {
        readings.push_back(std::make_unique<KeywordReading>(session.registry(), document.text(),
                                                            offsetOfLine(document, keywordLine),
                                                            keywordLine + 1, parameters));
        for (const CardPlace& card : readings.back()->cards()) {
            const size_t line = card.line - 1;
            if (line < first || line > last) continue;
            if (before.count(line)) {
                before[line] = nullptr;  // a line of several pieces
                continue;
            }
            before[line] = &card;
        }
    }
    std::vector<LineEdit> candidates;
    for (const auto& [line, card] : before) {
        const std::string_view text = document.line(line);
        std::string aligned, reason;
        if (!card) {
            left.push_back({line, "it is longer than 126 characters and read in pieces"});
        } else if (alignedLine(*card, text, aligned, reason)) {
            if (aligned != text) candidates.push_back({line, aligned});
        } else if (!reason.empty()) {
            left.push_back({line, reason});
        }
    }
    // Read back with every aligned line in place; a line whose cards differ
    // stays as it is, and the rest is read again without it.
    while (!candidates.empty()) {
        const std::string text = withEdits(document, candidates);
        const TextDocument after(text);
        std::vector<LineEdit> kept;
        for (const LineEdit& edit : candidates) {
            size_t keywordLine;
            bool same = keywordLineAbove(after, edit.line, keywordLine);
            if (same) {
                const KeywordReading reading(session.registry(), after.text(),
                                             offsetOfLine(after, keywordLine), keywordLine + 1,
                                             parameters);
                const CardPlace* card = reading.cardAt(edit.line + 1);
                same = card && sameCard(*card, *before[edit.line]);
            }
            if (same)
                kept.push_back(edit);
            else
                left.push_back({edit.line, "aligned, it would read differently"});
        }
        if (kept.size() == candidates.size()) break;
        candidates = std::move(kept);
    }
    edits = std::move(candidates);
}

json textEdits(const Session& session, const TextDocument& document,
               const std::vector<LineEdit>& edits) {
    json out = json::array();
    for (const LineEdit& edit : edits) {
        out.push_back(
            {{"range", session.rangeOf(document, edit.line, 0, document.line(edit.line).size())},
             {"newText", edit.text}});
    }
    return out;
}

std::string leftMessage(const std::string& name, std::vector<LeftAsIs> left) {
    std::sort(left.begin(), left.end(),
              [](const LeftAsIs& a, const LeftAsIs& b) { return a.line < b.line; });
    std::string message = std::to_string(left.size()) + (left.size() == 1 ? " line" : " lines") +
                          " of " + name + " left as " + (left.size() == 1 ? "it is" : "they are");
    for (size_t i = 0; i < left.size() && i < kReasonsShown; ++i)
        message += (i ? "; " : ": ") + std::string("line ") + std::to_string(left[i].line + 1) +
                   ": " + left[i].reason;
    if (left.size() > kReasonsShown) message += "; ...";
    return message;
}

json formatLines(Session& session, const json& params, size_t first, size_t last) {
    const std::string path = documentPath(params);
    const TextDocument* document = session.documents.find(path);
    if (!document) throw RequestError(kRequestFailed, "the document is not open");
    std::vector<LineEdit> edits;
    std::vector<LeftAsIs> left;
    alignLines(session, *document, parametersOf(session, path), first, last, edits, left);
    if (!left.empty()) {
        const size_t slash = path.rfind('/');
        session.notify("window/showMessage",
                       {{"type", 3}, {"message", leftMessage(path.substr(slash + 1), left)}});
    }
    return textEdits(session, *document, edits);
}

}  // namespace

json formatting(Session& session, const json& params) {
    return formatLines(session, params, 0, static_cast<size_t>(-1) / 2);
}

json rangeFormatting(Session& session, const json& params) {
    const Range range = rangeIn(params.at("range"));
    size_t last = range.end.line;
    // A range that ends at the start of a line leaves that line out.
    if (range.end.character == 0 && last > range.start.line) --last;
    return formatLines(session, params, range.start.line, last);
}

json codeActions(Session& session, const json& params) {
    const std::string path = documentPath(params);
    const Range range = rangeIn(params.at("range"));
    const TextDocument* document = session.documents.find(path);
    json out = json::array();
    if (!document) return out;
    std::vector<LineEdit> edits;
    std::vector<LeftAsIs> left;
    alignLines(session, *document, parametersOf(session, path), range.start.line, range.end.line,
               edits, left);
    if (edits.empty()) return out;
    json changes = json::object();
    changes[params.at("textDocument").at("uri").get<std::string>()] =
        textEdits(session, *document, edits);
    out.push_back(
        {{"title", edits.size() == 1 ? "Align this card"
                                     : "Align these " + std::to_string(edits.size()) + " cards"},
         {"kind", "refactor.rewrite"},
         {"edit", {{"changes", std::move(changes)}}}});
    return out;
}

}  // namespace abimport::lsp
