// The parameters of a model: every definition of *PARAMETER,
// *PARAMETER_EXPRESSION and their _LOCAL forms, where it stands and what it
// holds, and the value each name has in each file. Names are compared
// without regard to case. A _LOCAL definition holds in the file that gives it
// and the files that file includes; elsewhere the other definitions do. Of two
// definitions of one name in the same scope the later one holds.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "warning.h"

namespace abimport {

// The columns of a *PARAMETER name or value field (four pairs to a line),
// and of a *PARAMETER_EXPRESSION name field.
constexpr unsigned kParameterFieldWidth = 10;

struct ParameterDefinition {
    std::string name;  // as written, without its type letter
    char type = 'R';   // 'R' real, 'I' integer, 'C' character
    bool expression = false;
    bool local = false;
    size_t file = 0;  // the index of its file in the model, as the deck loop numbers files
    std::shared_ptr<const std::string> path;
    unsigned long long line = 0;
    // Where the name (with its type letter) stands in its line: bytes
    // [nameBegin, nameEnd), its field's columns or its comma word.
    size_t nameBegin = 0, nameEnd = 0;
    // Where the value stands in its line: bytes [valueBegin, valueEnd), the
    // value field's columns (11-20, 31-40, 51-60, 71-80; 11-80 for an
    // expression) or, on a comma line, its word.
    size_t valueBegin = 0, valueEnd = 0;
    bool commaForm = false;
    std::string text;  // the value as written: the field's text, or the expression

    // After ParameterTable::evaluate: whether it has a value, and the value.
    bool valid = false;
    double number = 0;  // 'R' and 'I'
    std::string chars;  // 'C': the text without the blanks around it
};

class ParameterTable {
public:
    // Receives each warning: its kind, the file and line it stands at, its
    // message and the columns it concerns (the name's or the value's).
    using Report = std::function<void(WarningKind, const std::shared_ptr<const std::string>&,
                                      unsigned long long, const std::string&, WarningColumns)>;

    // The file that includes file (SourceFile::kNoParent for the main deck),
    // for every file that definitions or references stand in.
    void setParent(size_t file, size_t parent);
    // A definition, in the order the model is read.
    void add(ParameterDefinition definition);

    // Gives each definition its value: reports each name defined twice in
    // one scope (parameter-redefined), each expression that refers back to
    // itself (parameter-cycle) or does not evaluate (parameter-error), and
    // each name an expression uses that nothing defines (undefined-parameter).
    void evaluate(const Report& report);

    // The definition that name means in file, or null.
    const ParameterDefinition* find(std::string_view name, size_t file) const;
    const std::vector<ParameterDefinition>& definitions() const { return definitions_; }
    bool empty() const { return definitions_.empty(); }

    // A definition referred to from an airbag keyword's field.
    void noteUse(const ParameterDefinition& definition);
    // How often each definition was referred to, by its index in definitions().
    const std::vector<size_t>& uses() const { return uses_; }

private:
    enum class State : unsigned char { Unread, Evaluating, Done };
    // Whether file is scope or lies inside it (is included from it, at any depth).
    bool within(size_t file, size_t scope) const;
    void evaluate(size_t index, const Report& report, std::vector<size_t>& path);
    void readValue(ParameterDefinition& definition, const Report& report);

    std::vector<ParameterDefinition> definitions_;
    std::vector<State> states_;
    std::vector<size_t> uses_;
    std::unordered_map<std::string, std::vector<size_t>> byName_;  // upper-case name: indices
    std::vector<size_t> parents_;
};

// The definitions that one data line of a *PARAMETER keyword (expression:
// of a *PARAMETER_EXPRESSION keyword) gives, as the reading cuts it: the
// line as the reader holds it (its first 127 bytes, up to a NUL, with its
// line end), each definition's type, name, and the place and text of its
// value. Its keyword's form, its file and its line are for the caller to
// give.
std::vector<ParameterDefinition> definitionsOnLine(std::string_view line, bool expression);

// Reads the value of a definition that is no expression as the reading does
// (a character parameter's text, an integer's or a real's number); false,
// with why set, when it has none ("'x' is not a number").
bool readParameterValue(ParameterDefinition& definition, std::string& why);

// name in upper case.
std::string parameterKey(std::string_view name);
// Whether name can name a parameter: a letter or '_', then letters, digits, '_'.
bool isParameterName(std::string_view name);

}  // namespace abimport
