#include "parametersubstitution.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../frame/dataline.h"
#include "../frame/exponentrepair.h"
#include "../keywords/keywordtable.h"
#include "../model/linefields.h"
#include "../model/numbertext.h"
#include "shortestdouble.h"
#include "textchecks.h"

namespace abimport {

ValueTexts::~ValueTexts() = default;

namespace {

constexpr size_t kLongestLine = DataLine::kLineBufferSize - 1;  // its line end included

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool sameNumber(double a, double b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

std::string shown(double value) {
    char text[32];
    return std::string(text, writeShortestDouble(text, value));
}

// What a text reads as where it stands: right-aligned in a fixed field of
// width columns (a word field with the exponent repair), or as a comma word.
double fixedReadsAs(const std::string& text, unsigned width, bool words) {
    char field[DataLine::kWordBufferSize] = {};
    const size_t pad = text.size() < width ? width - text.size() : 0;
    std::memset(field, ' ', pad);
    std::memcpy(field + pad, text.data(), std::min<size_t>(text.size(), width));
    if (words) detail::repairExponent(field, width);
    return detail::textToDouble(field);
}
double wordReadsAs(const std::string& word) {
    char field[DataLine::kWordBufferSize] = {};
    const size_t length = std::min(word.size(), sizeof field - 2);
    std::memcpy(field, word.data(), length);
    field[detail::repairExponent(field, static_cast<unsigned>(length))] = '\0';
    return detail::textToDouble(field);
}

// A whole number's digits, which read as that number in an integer field too.
bool integerText(double value, std::string& text) {
    if (value != std::trunc(value) || std::fabs(value) >= 1e15) return false;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.0f", value);
    text = digits;
    return true;
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

// The name that a field's text refers to, blanks aside: &NAME or -&NAME.
bool referenceIn(const char* text, size_t length, std::string& name, bool& negated) {
    size_t begin = 0, end = length;
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

}  // namespace

bool ParameterSubstitution::fixedText(double value, unsigned width, bool words, std::string& text,
                                      double& readsAs) const {
    std::string candidate;
    if (integerText(value, candidate) && candidate.size() <= width &&
        sameNumber(fixedReadsAs(candidate, width, words), value)) {
        text = candidate;
        return true;
    }
    char out[64];
    const size_t length = texts_.exactText(value, width, out);
    candidate.assign(out, length);
    if (length > 0 && sameNumber(fixedReadsAs(candidate, width, words), value)) {
        text = candidate;
        return true;
    }
    text.assign(out, texts_.closestText(value, width, out));
    readsAs = fixedReadsAs(text, width, words);
    return false;
}

bool ParameterSubstitution::wordText(double value, const std::string& prefix,
                                     const std::string& suffix, std::string& text,
                                     double& readsAs) const {
    std::string candidates[3];
    integerText(value, candidates[0]);
    char out[64];
    candidates[1].assign(out, writeShortestDouble(out, value));
    size_t length = texts_.exactText(value, kStandardFieldWidth, out);
    size_t begin = 0;
    while (begin < length && out[begin] == ' ') ++begin;
    candidates[2].assign(out + begin, length - begin);
    for (const std::string& candidate : candidates) {
        if (!candidate.empty() && sameNumber(wordReadsAs(prefix + candidate + suffix), value)) {
            text = candidate;
            return true;
        }
    }
    length = texts_.closestText(value, kStandardFieldWidth, out);
    for (begin = 0; begin < length && out[begin] == ' ';) ++begin;
    text.assign(out + begin, length - begin);
    readsAs = wordReadsAs(prefix + text + suffix);
    return false;
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
        if (referenceIn(line + begin, end - begin, slice.name, slice.negated))
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
        const std::string reference = (slice->negated ? "-&" : "&") + slice->name;
        auto problem = [&](WarningKind kind, const std::string& message) {
            result.kind = kind;
            result.message = message;
        };
        const ParameterDefinition* definition = table_.find(slice->name, file);
        const unsigned width = commaForm ? 0 : card.fields[slice->field].width;
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
            const bool exact =
                commaForm ? wordText(value, std::string(line + slice->begin, line + nameBegin),
                                     std::string(line + nameEnd, line + slice->end), text, readsAs)
                          : fixedText(value, width, card.form == CardForm::Words, text, readsAs);
            result.substituted = true;
            if (!exact) {
                problem(WarningKind::ParameterInexact,
                        reference + " = " + shown(value) + " has no text that fits: written as " +
                            quoted(text.c_str()) + ", which reads as " + shown(readsAs));
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
    for (const ParameterDefinition* definition : used) table_.noteUse(*definition);
    out = body + lineEnd;
    return true;
}

}  // namespace abimport
