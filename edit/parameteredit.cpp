// Setting a parameter: the value field of its *PARAMETER definition written
// as --set writes a field, and the line read again as the reading reads
// definitions. And what an edit says of a field that names a parameter.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

#include "../host/parametertable.h"
#include "../model/numbers/shortest.h"
#include "editmodel.h"

namespace abimport {

namespace {

using Model = ModelEdit::Model;

std::string placeOf(const ParameterDefinition& definition) {
    return *definition.path + ":" + std::to_string(definition.line);
}

bool sameName(const ParameterDefinition& a, const ParameterDefinition& b) {
    return parameterKey(a.name) == parameterKey(b.name);
}

// A few of the names the model defines, for a name it does not.
std::string someNames(const ParameterTable& table) {
    constexpr size_t kShown = 6;
    std::vector<std::string> names;
    size_t more = 0;
    for (const ParameterDefinition& definition : table.definitions()) {
        const std::string key = parameterKey(definition.name);
        bool seen = false;
        for (const std::string& name : names) seen = seen || parameterKey(name) == key;
        if (seen) continue;
        if (names.size() == kShown) {
            ++more;
            continue;
        }
        names.push_back(definition.name);
    }
    if (names.empty()) return "the model defines no parameter";
    std::string out = "its parameters:";
    for (const std::string& name : names) out += " " + name;
    if (more) out += " and " + std::to_string(more) + " more";
    return out;
}

// The value a definition reads as, as the messages show it.
std::string shownValue(const ParameterDefinition& definition) {
    if (definition.type == 'C') return "'" + definition.chars + "'";
    char text[32];
    return std::string(text, abimport::detail::writeShortestDouble(text, definition.number));
}

// Whether two definitions read alike: name, type and value (or both none).
bool readAlike(ParameterDefinition a, ParameterDefinition b) {
    if (!sameName(a, b) || a.type != b.type) return false;
    std::string why;
    const bool aRead = readParameterValue(a, why), bRead = readParameterValue(b, why);
    if (aRead != bRead) return false;
    if (!aRead) return true;
    return a.type == 'C' ? a.chars == b.chars : abimport::detail::sameDouble(a.number, b.number);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Where a line's text ends: before a carriage return that ends it.
size_t textEnd(std::string_view line) {
    return !line.empty() && line.back() == '\r' ? line.size() - 1 : line.size();
}

// Whether the value of a fixed-form definition stands at the left of its
// columns, as decks often write it ("R vent    0.0025    R scale").
bool leftAligned(std::string_view line, const ParameterDefinition& definition) {
    return !definition.commaForm && definition.valueBegin < textEnd(line) &&
           !isBlank(line[definition.valueBegin]);
}

// The line (without its newline) with the value of definition (as the line
// gives it) replaced by text: in its ten columns, at their left or right
// (left: without blanks after it where nothing follows on the line), or in
// place of its comma word's text, the blanks around it kept.
std::string withValue(std::string_view line, const ParameterDefinition& definition,
                      std::string_view text, bool left) {
    const size_t end = textEnd(line);
    std::string out;
    if (!definition.commaForm) {
        const size_t first = definition.valueBegin, last = first + kParameterFieldWidth;
        const size_t pad = kParameterFieldWidth - text.size();
        out.assign(line.substr(0, std::min(end, first)));
        out.append(first - out.size(), ' ');
        if (!left) out.append(pad, ' ');
        out.append(text);
        if (last < end) {
            if (left) out.append(pad, ' ');
            out.append(line.substr(last, end - last));
        }
        out.append(line.substr(end));
        return out;
    }
    if (definition.valueBegin >= end) {
        // The name is the line's last word: its value comes after it.
        out.assign(line.substr(0, end));
        if (out.empty() || out.back() != ',') out.push_back(',');
        out.append(text);
        out.append(line.substr(end));
        return out;
    }
    size_t begin = definition.valueBegin, stop = std::min(definition.valueEnd, end);
    while (begin < stop && isBlank(line[begin])) ++begin;
    while (stop > begin && isBlank(line[stop - 1])) --stop;
    out.assign(line.substr(0, begin));
    out.append(text);
    out.append(line.substr(stop));
    return out;
}

// What the value asks the definition to read as, as a request of the field
// edits (a number or an integer; a text for C).
bool requestOf(const ParameterDefinition& definition, const std::string& value,
               const std::string& where, FieldRequest& request, std::string& error) {
    request.given = value;
    ReadField& read = request.value;
    read.kind = ReadField::Value;
    if (value.empty()) {
        error = where + "a parameter's value cannot be blank";
        return false;
    }
    switch (definition.type) {
        case 'R':
            read.type = kDoubleCode;
            if (!abimport::detail::parseNumber(value, true, read.real)) {
                error = where + "'" + value + "' is not a number";
                return false;
            }
            if (!std::isfinite(read.real)) {
                error = where + "'" + value + "' is no finite number, which a parameter must be";
                return false;
            }
            return true;
        case 'I':
            read.type = kIntegerCode;
            if (!abimport::detail::parseInteger(value, INT32_MIN, INT32_MAX, read.integer)) {
                error = where + "'" + value + "' is not an integer from " +
                        std::to_string(INT32_MIN) + " to " + std::to_string(INT32_MAX) +
                        " (an I parameter takes integers only)";
                return false;
            }
            return true;
        case 'C': {
            read.type = kTextCode;
            const bool fits = definition.commaForm
                                  ? value.size() <= abimport::detail::kMostFitColumns
                                  : value.size() <= kParameterFieldWidth;
            if (!fits) {
                error = where + "'" + value + "' does not fit the value field's " +
                        std::to_string(kParameterFieldWidth) + " columns";
                return false;
            }
            // The reading takes the text without the blanks around it, and a
            // comma would end the word.
            if (isBlank(value.front()) || isBlank(value.back()) ||
                value.find_first_of(std::string(",\r\n\0", 4)) != std::string::npos) {
                error = where + "'" + value +
                        "' cannot be held as it is: a character value has no comma, line end "
                        "or blank at either end";
                return false;
            }
            return true;
        }
        default: error = where + "its name field gives no type (R, I or C)"; return false;
    }
}

// Whether the line's definitions read as asked: the one at ordinal as the
// request says, every other one as before.
bool readsAsAsked(const std::vector<ParameterDefinition>& before,
                  std::vector<ParameterDefinition>& after, size_t ordinal,
                  const Candidate& candidate, const FieldRequest& request) {
    if (after.size() != before.size()) return false;
    for (size_t k = 0; k < after.size(); ++k) {
        if (k != ordinal && !readAlike(before[k], after[k])) return false;
    }
    ParameterDefinition& edited = after[ordinal];
    std::string why;
    if (!sameName(edited, before[ordinal]) || edited.type != before[ordinal].type ||
        !readParameterValue(edited, why)) {
        return false;
    }
    switch (edited.type) {
        case 'C': return edited.chars == request.given;
        case 'I': return edited.number == static_cast<double>(candidate.expected.integer);
        default: return abimport::detail::sameDouble(edited.number, candidate.expected.real);
    }
}

}  // namespace

bool parseParameterEdit(const std::string& text, ParameterEdit& edit, std::string& error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || !isParameterName(text.substr(0, equals))) {
        error = "invalid --set-parameter '" + text + "': expected NAME=VALUE";
        return false;
    }
    edit.name = text.substr(0, equals);
    edit.value = text.substr(equals + 1);
    return true;
}

std::string parameterReferenceNote(const Model& model, size_t file, const std::string& name) {
    if (!model.parametersKnown) {
        return "a parameter's value, and the model was read without its parameters: read it "
               "with them to set the parameter";
    }
    const ParameterDefinition* definition = model.parameters.find(name, file);
    if (!definition) {
        return "a parameter that nothing in the model defines: define it, or change the line "
               "itself";
    }
    if (definition->expression) {
        return "the value of parameter " + definition->name + ", the expression at " +
               placeOf(*definition) + ": change the expression instead";
    }
    return "the value of parameter " + definition->name + " defined at " + placeOf(*definition) +
           ": set the parameter instead (--set-parameter " + definition->name +
           "=VALUE; Python: deck.set_parameter)";
}

void ModelEdit::adoptParameters(const ParameterTable& parameters) {
    model_->parameters = parameters;
    model_->parametersKnown = true;
}

bool ModelEdit::setParameter(const ParameterEdit& edit, std::string& error, EditedParameter* result,
                             bool round) {
    Model& model = *model_;
    if (!model.parametersKnown) {
        error = "parameter " + edit.name + ": the model was read without its parameters";
        return false;
    }
    const ParameterTable& table = model.parameters;
    // The definitions of the name that the reading uses in some file.
    std::vector<const ParameterDefinition*> used;
    for (size_t file = 0; file < model.files.size(); ++file) {
        const ParameterDefinition* definition = table.find(edit.name, file);
        if (definition && std::find(used.begin(), used.end(), definition) == used.end())
            used.push_back(definition);
    }
    if (used.empty()) {
        error = "no parameter of the model is called " + edit.name + " (" + someNames(table) + ")";
        return false;
    }
    if (used.size() > 1) {
        error = "parameter " + edit.name + " is given by definitions that hold in different files:";
        for (const ParameterDefinition* definition : used) {
            error += " " + placeOf(*definition) + (definition->local ? " (local)" : "");
        }
        error += "; change the one meant in its file";
        return false;
    }
    const ParameterDefinition& chosen = *used.front();
    const std::string where = placeOf(chosen) + ": parameter " + chosen.name + ": ";
    if (chosen.expression) {
        error = where +
                "it is an expression, whose value follows from it; change the expression instead";
        return false;
    }
    size_t fileIndex = chosen.file;
    if (fileIndex >= model.files.size() || model.files[fileIndex].path() != *chosen.path) {
        fileIndex = 0;
        while (fileIndex < model.files.size() && model.files[fileIndex].path() != *chosen.path)
            ++fileIndex;
        if (fileIndex == model.files.size()) {
            error = where + "its file is none of the model's files held for editing";
            return false;
        }
    }
    FieldRequest request;
    if (!requestOf(chosen, edit.value, where, request, error)) return false;

    ModelFile& file = model.files[fileIndex];
    std::string_view held;
    if (!file.line(chosen.line, held)) {
        error = where + "the file has no such line";
        return false;
    }
    if (held.size() > kLongestLine) {
        error = where + "the line is longer than " + std::to_string(kLongestLine) +
                " characters and was read in pieces: the value cannot be edited there";
        return false;
    }
    const std::string line(held);
    const std::string lineEnd = file.lineHasNewline(chosen.line) ? "\n" : "";
    const std::vector<ParameterDefinition> before = definitionsOnLine(line + lineEnd, false);
    // Its place among the definitions of its line.
    size_t ordinal = 0;
    for (const ParameterDefinition& definition : table.definitions()) {
        if (&definition == &chosen) break;
        if (definition.file == chosen.file && definition.line == chosen.line) ++ordinal;
    }
    if (ordinal >= before.size() || !sameName(before[ordinal], chosen) ||
        before[ordinal].type != chosen.type ||
        (!file.lineTouched(chosen.line) && before[ordinal].text != chosen.text)) {
        error = where + "the line no longer reads as the definition it gave";
        return false;
    }

    Candidates candidates;
    if (chosen.type == 'C') {
        candidates.add(edit.value, request.value, false);
    } else if (!candidatesFor(request, kParameterFieldWidth, chosen.commaForm, round, candidates,
                              error, [&] { return where; })) {
        return false;
    }
    bool tooLong = false;
    // Each text where the old value stood, then right-aligned, which the
    // reading repairs as the candidates assume (1.5-3 at the left of blanks
    // reads as 1.5).
    const bool left = leftAligned(line, before[ordinal]);
    for (size_t c = 0; c < 2 * candidates.count; ++c) {
        const Candidate& candidate = candidates.list[c / 2];
        if (c % 2 == 1 && !left) continue;
        const std::string written =
            withValue(line, before[ordinal], candidate.view(), left && c % 2 == 0);
        if (written.size() > kLongestLine) {
            tooLong = true;
            continue;
        }
        std::vector<ParameterDefinition> after = definitionsOnLine(written + lineEnd, false);
        if (!readsAsAsked(before, after, ordinal, candidate, request)) continue;
        file.setLine(chosen.line, written);
        if (result) {
            result->where = where.substr(0, where.size() - 2);
            result->text.assign(candidate.text, candidate.length);
            result->rounded = candidate.rounded;
            result->reads = shownValue(after[ordinal]);
            result->type = after[ordinal].type;
            result->number = after[ordinal].number;
            result->chars = after[ordinal].chars;
            result->note.clear();
            std::string others;
            size_t count = 0;
            for (const ParameterDefinition& definition : table.definitions()) {
                if (&definition == &chosen || !sameName(definition, chosen)) continue;
                others += (others.empty() ? "" : ", ") + placeOf(definition);
                ++count;
            }
            if (count) {
                result->note = where + "defined more than once: this definition, which the " +
                               "reading uses, is changed; the one" + (count > 1 ? "s" : "") +
                               " at " + others +
                               (count > 1 ? " are left as they are" : " is left as it is");
            }
        }
        return true;
    }
    error = where + (tooLong ? "the edited line would be longer than " +
                                   std::to_string(kLongestLine) + " characters"
                             : "no text of '" + edit.value + "' reads back as its value");
    return false;
}

}  // namespace abimport
