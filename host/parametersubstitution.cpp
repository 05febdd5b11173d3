#include "parametersubstitution.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../frame/dataline.h"
#include "../keywords/keywordtable.h"
#include "../model/data.h"
#include "../model/linefields.h"
#include "../model/numbers/fieldfit.h"
#include "../model/numbers/reading.h"
#include "../model/numbers/shortest.h"
#include "fieldreading.h"
#include "textchecks.h"

namespace abimport {

namespace {

using detail::FieldReading;
using detail::NumberText;

constexpr size_t kLongestLine = DataLine::kLineBufferSize - 1;  // its line end included

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string shown(double value) {
    char text[32];
    return std::isfinite(value) ? std::string(text, detail::writeShortestDouble(text, value))
           : std::isnan(value)  ? "nan"
           : value < 0          ? "-inf"
                                : "inf";
}

// Where a value is written: a fixed field's columns, or a comma word with the
// blanks around the name (and, for the last word, the line end), which count
// in its reading. The field reads a text as the card step reads it.
struct Place {
    unsigned type;  // the field's type code
    FieldReading reading;
    bool comma;
    std::string before, after;  // a comma word's bytes around the text

    bool integer() const { return type == kIntegerCode || type == kUnsignedCode; }

    // What text, written here, reads as.
    double readsAs(const std::string& text) const {
        if (!comma) {
            if (type == kIntegerCode) return detail::readInteger(text.data(), text.size(), reading);
            if (type == kUnsignedCode)
                return detail::readUnsigned(text.data(), text.size(), reading);
            return detail::readDouble(text.data(), text.size(), reading);
        }
        // The word as DataLine cuts it: kept to its buffer, then repaired.
        char word[DataLine::kWordBufferSize] = {};
        const std::string whole = before + text + after;
        const unsigned kept =
            static_cast<unsigned>(std::min<size_t>(whole.size(), sizeof word - 2));
        std::memcpy(word, whole.data(), kept);
        if (reading.repair) word[detail::repairExponent(word, kept)] = '\0';
        if (type == kIntegerCode) return detail::textToI32(word);
        if (type == kUnsignedCode) return detail::textToU32(word);
        return detail::textToDouble(word);
    }
};

// A comma word takes the text without the blank a fixed field puts before it.
std::string textOf(const NumberText& number, bool comma) {
    size_t begin = 0;
    while (comma && begin < number.length && number.text[begin] == ' ') ++begin;
    return std::string(number.text + begin, number.length - begin);
}

enum class Fit { Exact, Closest, None };

// The text of value for its place: the exact decimal for the field's width
// and reading, the integer's digits for an integer field; in a comma word,
// where the letterless exponent would read otherwise with the line end, the
// exact decimal without it, and where no exact text fits the width, the
// shortest text that reads back (a word is not held to columns). Else the
// closest that fits, with what it reads as; None when nothing fits (an
// integer out of the field's range).
Fit valueText(double value, const Place& place, std::string& text, double& readsAs) {
    if (place.integer()) {
        const double least = place.type == kUnsignedCode ? 0 : -2147483648.0;
        const double most = place.type == kUnsignedCode ? 4294967295.0 : 2147483647.0;
        if (!(value >= least - 0.5 && value < most + 0.5)) return Fit::None;
        const NumberText digits = detail::fitInteger(std::llround(value), place.reading);
        if (digits.length == 0) return Fit::None;
        text = textOf(digits, place.comma);
        readsAs = place.readsAs(text);
        return readsAs == value ? Fit::Exact : Fit::Closest;
    }
    const FieldReading readings[] = {place.reading, {place.reading.width, false}};
    NumberText closest;
    for (size_t r = 0; r < (place.comma && place.reading.repair ? 2 : 1); ++r) {
        const NumberText number = detail::fitDouble(value, readings[r]);
        if (r == 0) closest = number;
        text = textOf(number, place.comma);
        if (number.exact && detail::sameDouble(place.readsAs(text), value)) return Fit::Exact;
    }
    if (place.comma && std::isfinite(value)) {
        char shortest[32];
        text.assign(shortest, detail::writeShortestDouble(shortest, value));
        if (detail::sameDouble(place.readsAs(text), value)) return Fit::Exact;
    }
    if (closest.length == 0) return Fit::None;
    text = textOf(closest, place.comma);
    readsAs = place.readsAs(text);
    return Fit::Closest;
}

// The card whose fields a data line of the keyword stands in, as far as the
// line's place in the keyword tells: its first card for its first data line;
// after it, its node or shell list, or else its word card of the most fields,
// whose columns hold those of each of its word cards (field i in columns
// 10i+1 to 10i+10).
const CardDescription& lineCard(const KeywordDescription& keyword, bool firstDataLine) {
    if (firstDataLine) return keyword.cards[0];
    if (const CardDescription* nodes = cardWithRole(keyword, CardRole::NodeList)) return *nodes;
    if (const CardDescription* shells = cardWithRole(keyword, CardRole::ShellList)) return *shells;
    const CardDescription* widest = &keyword.cards[0];
    for (unsigned c = 0; c < keyword.cardCount; ++c) {
        const CardDescription& card = keyword.cards[c];
        if (card.form == CardForm::Words &&
            (widest->form != CardForm::Words || card.fieldCount > widest->fieldCount))
            widest = &card;
    }
    return *widest;
}

// One field of the line: bytes [begin, end) of it, and the name it refers to.
struct Slice {
    unsigned field;
    size_t begin, end;
    std::string name;
    bool negated;
};

}  // namespace

bool parameterReference(std::string_view field, std::string& name, bool& negated) {
    const char* text = field.data();
    size_t begin = 0, end = field.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    negated = begin < end && text[begin] == '-';
    if (negated) ++begin;
    if (begin + 1 >= end || text[begin] != '&') return false;
    ++begin;
    if (!std::isalpha(static_cast<unsigned char>(text[begin])) && text[begin] != '_') return false;
    for (size_t i = begin; i < end; ++i) {
        if (!std::isalnum(static_cast<unsigned char>(text[i])) && text[i] != '_') return false;
    }
    name.assign(text + begin, end - begin);
    return true;
}

bool ParameterSubstitution::substitute(unsigned code, bool firstDataLine, size_t file,
                                       const char* line, size_t length, std::string& out,
                                       LineParameters& fields) {
    fields.clear();
    // A NUL ends the line's text; such a line is read as it is.
    if (length > kLongestLine || std::memchr(line, '\0', length)) return false;
    const KeywordDescription* keyword = keywordWithCode(code);
    if (!keyword) return false;
    const CardDescription& card = lineCard(*keyword, firstDataLine);
    const bool commaForm = std::memchr(line, ',', length) != nullptr;
    size_t bodyEnd = length;  // the line without its line end
    if (bodyEnd > 0 && line[bodyEnd - 1] == '\n') --bodyEnd;
    if (bodyEnd > 0 && line[bodyEnd - 1] == '\r') --bodyEnd;

    std::vector<Slice> slices;
    auto consider = [&](unsigned field, size_t begin, size_t end) {
        Slice slice{field, begin, end, "", false};
        if (parameterReference(std::string_view(line + begin, end - begin), slice.name,
                               slice.negated))
            slices.push_back(slice);
    };
    if (commaForm) {
        // Words as the reader cuts them: commas next to each other yield none.
        unsigned field = 0;
        for (size_t at = 0; at < length && field < card.fieldCount;) {
            while (at < length && line[at] == ',') ++at;
            if (at == length) break;
            const void* comma = std::memchr(line + at, ',', length - at);
            const size_t end =
                comma ? static_cast<size_t>(static_cast<const char*>(comma) - line) : length;
            consider(field++, at, end);
            at = end;
        }
    } else {
        for (unsigned field = 0; field < card.fieldCount; ++field) {
            const Columns columns = columnsOf(card, field);
            if (columns.first > bodyEnd) break;
            consider(field, columns.first - 1, std::min<size_t>(columns.last, bodyEnd));
        }
    }
    if (slices.empty()) return false;

    std::string body(line, bodyEnd);
    const std::string lineEnd(line + bodyEnd, length - bodyEnd);
    std::vector<const ParameterDefinition*> used;
    // From the last field back, so that a changed word leaves the places of
    // the ones before it.
    for (auto slice = slices.rbegin(); slice != slices.rend(); ++slice) {
        ParameterField result;
        result.field = slice->field;
        result.name = slice->name;
        result.firstColumn = static_cast<unsigned>(slice->begin + 1);
        result.lastColumn = static_cast<unsigned>(std::min(slice->end, bodyEnd));
        const std::string reference = (slice->negated ? "-&" : "&") + slice->name;
        auto problem = [&](WarningKind kind, const std::string& message) {
            result.kind = kind;
            result.message = message;
        };
        const ParameterDefinition* definition = table_.find(slice->name, file);
        const unsigned fieldWidth = card.fields[slice->field].width;
        const unsigned fieldType = card.fields[slice->field].type;
        const unsigned width = commaForm ? 0 : fieldWidth;
        // A comma word keeps the blanks around the name, and the last one the
        // line end: all of them count in its reading.
        size_t nameBegin = slice->begin, nameEnd = slice->end;
        while (nameBegin < nameEnd && isBlank(line[nameBegin])) ++nameBegin;
        while (nameEnd > nameBegin && isBlank(line[nameEnd - 1])) --nameEnd;
        std::string text;
        if (!definition) {
            problem(WarningKind::UndefinedParameter,
                    reference + ": no parameter of the model is called so; read as written");
        } else if (!definition->valid) {
            problem(WarningKind::ParameterError,
                    reference + ": the parameter has no value (" + *definition->path + ":" +
                        std::to_string(definition->line) + "); read as written");
        } else if (definition->type == 'C') {
            text = definition->chars;
            if (slice->negated) {
                problem(WarningKind::ParameterError,
                        reference + ": a character parameter has no sign; read as written");
            } else if (commaForm ? text.find(',') != std::string::npos : text.size() > width) {
                problem(WarningKind::ParameterError,
                        reference + ": its text " + quoted(text.c_str()) +
                            (commaForm ? " holds a comma" : " does not fit the field") +
                            "; read as written");
            } else {
                result.substituted = true;
            }
        } else {
            const double value = slice->negated ? -definition->number : definition->number;
            double readsAs = value;
            Place place{fieldType, detail::readingOfWidth(fieldWidth), commaForm, "", ""};
            if (commaForm) {
                place.before.assign(line + slice->begin, line + nameBegin);
                place.after.assign(line + nameEnd, line + slice->end);
            }
            switch (valueText(value, place, text, readsAs)) {
                case Fit::Exact: result.substituted = true; break;
                case Fit::Closest:
                    result.substituted = true;
                    problem(WarningKind::ParameterInexact,
                            reference + " = " + shown(value) +
                                " has no text that fits: written as " + quoted(text.c_str()) +
                                ", which reads as " + shown(readsAs));
                    break;
                case Fit::None:
                    problem(WarningKind::ParameterError,
                            reference + " = " + shown(value) +
                                (place.integer() ? " is no integer of the field's range"
                                                 : " has no text that fits the field") +
                                "; read as written");
                    break;
            }
        }
        if (result.substituted) {
            used.push_back(definition);
            if (commaForm) {
                body.replace(nameBegin, nameEnd - nameBegin, text);
            } else {
                if (body.size() < slice->begin + width) body.resize(slice->begin + width, ' ');
                body.replace(slice->begin, width, std::string(width - text.size(), ' ') + text);
            }
        }
        fields.insert(fields.begin(), std::move(result));
    }
    if (body.size() + lineEnd.size() > kLongestLine) {
        // The reader would take the line in pieces: it is read as written.
        for (ParameterField& field : fields) field.substituted = false;
        fields.front().kind = WarningKind::LongLine;
        fields.front().message =
            "with the values of its parameters the line would be longer than " +
            std::to_string(kLongestLine - 1) + " characters: it is read as written";
        out.assign(line, length);
        return true;
    }
    if (uses_) {
        for (const ParameterDefinition* definition : used) uses_->noteUse(*definition);
    }
    out = body + lineEnd;
    return true;
}

}  // namespace abimport
