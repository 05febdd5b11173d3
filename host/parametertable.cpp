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
        definition.commaForm ? static_cast<unsigned>(length) : kStandardFieldWidth;
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
                           placeOf(earlier) + "): this definition holds");
                break;
            }
        }
    }
    std::vector<size_t> path;
    for (size_t i = 0; i < definitions_.size(); ++i) evaluate(i, report, path);
}

void ParameterTable::readValue(ParameterDefinition& definition, const Report& report) {
    const std::string word = readAsWord(definition);
    const std::string text = trimmed(word);
    auto fail = [&](const std::string& why) {
        report(WarningKind::ParameterError, definition.path, definition.line,
               "parameter " + definition.name + ": " + quoted(text.c_str()) + " " + why);
    };
    switch (definition.type) {
        case 'C':
            definition.chars = trimmed(definition.text);
            definition.valid = true;
            return;
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
            return;
        default:
            if (!readsAsWritten(word.data(), word.size(), 2)) return fail("is not a number");
            definition.number = detail::textToDouble(word.c_str());
            definition.valid = std::isfinite(definition.number);
            if (!definition.valid) fail("is no finite number");
            return;
    }
}

void ParameterTable::evaluate(size_t index, const Report& report, std::vector<size_t>& path) {
    if (states_[index] != State::Unread) return;
    ParameterDefinition& definition = definitions_[index];
    states_[index] = State::Evaluating;
    if (!isParameterName(definition.name) || std::strchr("RIC", definition.type) == nullptr) {
        report(WarningKind::ParameterError, definition.path, definition.line,
               "the name field " +
                   quoted((std::string(1, definition.type) + definition.name).c_str()) +
                   " is no type (R, I or C) and name");
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
        report(kind, definition.path, definition.line, "parameter " + shownAs + ": " + why);
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
