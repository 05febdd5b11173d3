#include "parametertable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "../frame/dataline.h"
#include "../model/data.h"
#include "../model/linefields.h"
#include "../model/numbers/reading.h"
#include "parameterexpression.h"
#include "sourcefile.h"
#include "textchecks.h"

namespace abimport {

namespace {

// The columns of a definition's name and of its value, as warnings give them.
WarningColumns columnsOf(size_t begin, size_t end) {
    if (end <= begin) return {};
    return {static_cast<unsigned>(begin + 1), static_cast<unsigned>(end)};
}
WarningColumns nameColumns(const ParameterDefinition& definition) {
    return columnsOf(definition.nameBegin, definition.nameEnd);
}
WarningColumns valueColumns(const ParameterDefinition& definition) {
    // The last value of a line runs to its end: its line end is no column.
    size_t end = definition.valueEnd;
    for (size_t k = definition.text.size(); k-- > 0 && end > definition.valueBegin;) {
        if (definition.text[k] != '\n' && definition.text[k] != '\r') break;
        --end;
    }
    return columnsOf(definition.valueBegin, end);
}

std::string placeOf(const ParameterDefinition& definition) {
    return *definition.path + ":" + std::to_string(definition.line);
}

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// The value field as the reader reads a word: a fixed field's ten columns or
// a comma word, with the exponent repair, up to a NUL.
std::string readAsWord(const ParameterDefinition& definition) {
    char word[DataLine::kWordBufferSize] = {};
    const size_t length = std::min(definition.text.size(), sizeof word - 2);
    std::memcpy(word, definition.text.data(), length);
    const unsigned examined =
        definition.commaForm ? static_cast<unsigned>(length) : kParameterFieldWidth;
    word[detail::repairExponent(word, examined)] = '\0';
    return word;
}

}  // namespace

bool isParameterName(std::string_view name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

std::string parameterKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

void ParameterTable::setParent(size_t file, size_t parent) {
    if (parents_.size() <= file) parents_.resize(file + 1, SourceFile::kNoParent);
    parents_[file] = parent;
}

void ParameterTable::add(ParameterDefinition definition) {
    byName_[parameterKey(definition.name)].push_back(definitions_.size());
    definitions_.push_back(std::move(definition));
    states_.push_back(State::Unread);
    uses_.push_back(0);
}

bool ParameterTable::within(size_t file, size_t scope) const {
    for (size_t at = file; at != SourceFile::kNoParent;
         at = at < parents_.size() ? parents_[at] : SourceFile::kNoParent) {
        if (at == scope) return true;
    }
    return false;
}

const ParameterDefinition* ParameterTable::find(std::string_view name, size_t file) const {
    const auto entry = byName_.find(parameterKey(name));
    if (entry == byName_.end()) return nullptr;
    const std::vector<size_t>& candidates = entry->second;
    // The nearest file of the chain that gives a local definition, its last one.
    for (size_t at = file; at != SourceFile::kNoParent;
         at = at < parents_.size() ? parents_[at] : SourceFile::kNoParent) {
        for (auto k = candidates.rbegin(); k != candidates.rend(); ++k) {
            const ParameterDefinition& definition = definitions_[*k];
            if (definition.local && definition.file == at) return &definition;
        }
    }
    for (auto k = candidates.rbegin(); k != candidates.rend(); ++k) {
        if (!definitions_[*k].local) return &definitions_[*k];
    }
    return nullptr;
}

void ParameterTable::noteUse(const ParameterDefinition& definition) {
    ++uses_[static_cast<size_t>(&definition - definitions_.data())];
}

void ParameterTable::evaluate(const Report& report) {
    for (const auto& [key, indices] : byName_) {
        for (size_t i = 1; i < indices.size(); ++i) {
            const ParameterDefinition& later = definitions_[indices[i]];
            // The definition before it in the same scope: the model's, or its file's.
            for (size_t k = i; k-- > 0;) {
                const ParameterDefinition& earlier = definitions_[indices[k]];
                if (earlier.local != later.local || (later.local && earlier.file != later.file))
                    continue;
                report(WarningKind::ParameterRedefined, later.path, later.line,
                       "parameter " + later.name + " is defined again (first at " +
                           placeOf(earlier) + "): this definition holds",
                       nameColumns(later));
                break;
            }
        }
    }
    std::vector<size_t> path;
    for (size_t i = 0; i < definitions_.size(); ++i) evaluate(i, report, path);
}

void ParameterTable::readValue(ParameterDefinition& definition, const Report& report) {
    std::string why;
    if (!readParameterValue(definition, why)) {
        report(WarningKind::ParameterError, definition.path, definition.line,
               "parameter " + definition.name + ": " + why, valueColumns(definition));
    }
}

bool readParameterValue(ParameterDefinition& definition, std::string& why) {
    const std::string word = readAsWord(definition);
    const std::string text = trimmed(word);
    auto fail = [&](const std::string& problem) {
        why = quoted(text.c_str()) + " " + problem;
        return false;
    };
    definition.valid = false;
    switch (definition.type) {
        case 'C':
            definition.chars = trimmed(definition.text);
            definition.valid = true;
            return true;
        case 'I':
            if (readsAsWritten(word.data(), word.size(), 1)) {
                definition.number = detail::textToI32(word.c_str());
            } else if (readsAsWritten(word.data(), word.size(), 2) &&
                       std::trunc(detail::textToDouble(word.c_str())) ==
                           detail::textToDouble(word.c_str()) &&
                       std::fabs(detail::textToDouble(word.c_str())) <= INT32_MAX) {
                definition.number = detail::textToDouble(word.c_str());
            } else {
                return fail("is not an integer within 32 bits");
            }
            definition.valid = true;
            return true;
        default:
            if (!readsAsWritten(word.data(), word.size(), 2)) return fail("is not a number");
            definition.number = detail::textToDouble(word.c_str());
            definition.valid = std::isfinite(definition.number);
            return definition.valid || fail("is no finite number");
    }
}

std::vector<ParameterDefinition> definitionsOnLine(std::string_view line, bool expression) {
    std::vector<ParameterDefinition> found;
    // The line as the reader holds it: its first piece, up to a NUL.
    const std::string text(
        line.substr(0, strnlen(line.data(), std::min<size_t>(line.size(), 127))));
    auto add = [&](std::string_view nameField, size_t valueBegin, size_t valueEnd, bool commaForm) {
        const std::string field = trimmed(std::string(nameField));
        if (field.empty()) return;
        ParameterDefinition definition;
        definition.expression = expression;
        definition.type = static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
        definition.name = trimmed(field.substr(1));
        definition.nameBegin = static_cast<size_t>(nameField.data() - text.data());
        definition.nameEnd = definition.nameBegin + nameField.size();
        while (definition.nameEnd > definition.nameBegin &&
               (text[definition.nameEnd - 1] == '\n' || text[definition.nameEnd - 1] == '\r'))
            --definition.nameEnd;
        definition.valueBegin = valueBegin;
        definition.valueEnd = std::min(valueEnd, text.size());
        definition.commaForm = commaForm;
        definition.text = valueBegin < text.size()
                              ? text.substr(valueBegin, definition.valueEnd - valueBegin)
                              : "";
        found.push_back(std::move(definition));
    };
    const size_t comma = text.find(',');
    if (expression) {
        // The name in columns 1-10 (or before a comma there), the expression after.
        constexpr size_t kName = kParameterFieldWidth;
        if (comma < kName) {
            add(std::string_view(text).substr(0, comma), comma + 1, text.size(), true);
        } else {
            add(std::string_view(text).substr(0, std::min(kName, text.size())), kName, text.size(),
                false);
        }
        return found;
    }
    if (comma == std::string::npos) {
        // Up to four pairs of ten-column fields: a name, then a value.
        constexpr size_t kField = kParameterFieldWidth, kPairs = 4;
        for (size_t at = 0; at < text.size() && at < kPairs * 2 * kField; at += 2 * kField)
            add(std::string_view(text).substr(at, kField), at + kField, at + 2 * kField, false);
        return found;
    }
    // Comma words in pairs, as the reader cuts them.
    std::vector<std::pair<size_t, size_t>> words;
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && text[at] == ',') ++at;
        if (at == text.size()) break;
        const size_t end = std::min(text.find(',', at), text.size());
        words.emplace_back(at, end);
        at = end;
    }
    for (size_t k = 0; k < words.size(); k += 2) {
        const auto [nameBegin, nameEnd] = words[k];
        const size_t valueBegin = k + 1 < words.size() ? words[k + 1].first : text.size();
        const size_t valueEnd = k + 1 < words.size() ? words[k + 1].second : text.size();
        add(std::string_view(text).substr(nameBegin, nameEnd - nameBegin), valueBegin, valueEnd,
            true);
    }
    return found;
}

void ParameterTable::evaluate(size_t index, const Report& report, std::vector<size_t>& path) {
    if (states_[index] != State::Unread) return;
    ParameterDefinition& definition = definitions_[index];
    states_[index] = State::Evaluating;
    if (!isParameterName(definition.name) || std::strchr("RIC", definition.type) == nullptr) {
        report(WarningKind::ParameterError, definition.path, definition.line,
               "the name field " +
                   quoted((std::string(1, definition.type) + definition.name).c_str()) +
                   " is no type (R, I or C) and name",
               nameColumns(definition));
        states_[index] = State::Done;
        return;
    }
    if (!definition.expression) {
        readValue(definition, report);
        states_[index] = State::Done;
        return;
    }
    const std::string written = trimmed(definition.text);
    const std::string shownAs = definition.name + " = " + written;
    auto fail = [&](WarningKind kind, const std::string& why) {
        report(kind, definition.path, definition.line, "parameter " + shownAs + ": " + why,
               valueColumns(definition));
        states_[index] = State::Done;
    };
    if (definition.type == 'C')
        return fail(WarningKind::ParameterError, "a character parameter has no expression");
    ParameterExpression expression(written);
    if (!expression.error().empty())
        return fail(WarningKind::ParameterError,
                    "the expression cannot be read: " + expression.error());
    path.push_back(index);
    for (const std::string& name : expression.names()) {
        const ParameterDefinition* other = find(name, definition.file);
        if (!other) {
            path.pop_back();
            return fail(WarningKind::UndefinedParameter, name + " is no parameter of the model");
        }
        const size_t at = static_cast<size_t>(other - definitions_.data());
        if (states_[at] == State::Evaluating) {
            // The definitions from the one named again to this one refer round.
            std::string cycle;
            for (size_t k =
                     static_cast<size_t>(std::find(path.begin(), path.end(), at) - path.begin());
                 k < path.size(); ++k) {
                cycle += definitions_[path[k]].name + " -> ";
                states_[path[k]] = State::Done;
            }
            path.pop_back();
            return fail(WarningKind::ParameterCycle,
                        "it refers back to itself (" + cycle + other->name + ")");
        }
        evaluate(at, report, path);
        // Another definition on a cycle may have ended this one's evaluation.
        if (states_[index] == State::Done) {
            path.pop_back();
            return;
        }
        if (!other->valid) {
            path.pop_back();
            return fail(WarningKind::ParameterError,
                        name + " has no value (" + placeOf(*other) + ")");
        }
        if (other->type == 'C') {
            path.pop_back();
            return fail(WarningKind::ParameterError, name + " is a character parameter");
        }
    }
    path.pop_back();
    double value;
    const bool evaluated = expression.evaluate(
        [&](const std::string& name) { return find(name, definition.file)->number; }, value);
    if (!evaluated)
        return fail(WarningKind::ParameterError, "it does not evaluate: " + expression.error());
    definition.number = definition.type == 'I' ? std::trunc(value) : value;
    definition.valid = true;
    states_[index] = State::Done;
}

}  // namespace abimport
