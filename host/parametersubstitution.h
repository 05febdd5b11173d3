// Parameters in the data lines of the airbag keywords: a field whose text,
// blanks aside, is &name or -&name takes the parameter's value. The host
// writes the value's exact decimal text for the field's width and reading
// (model/numbers/fieldfit.h) into the field's columns (or the comma word)
// before the reader sees the line, so that the library reads the value
// through its own reading.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "parametertable.h"
#include "warning.h"

namespace abimport {

// What became of the fields of one line that name a parameter.
struct ParameterField {
    unsigned field = 0;  // its index among the line's fields
    // Where it stands in the line as written: byte columns, 1-based and
    // inclusive (its columns, or its comma word).
    unsigned firstColumn = 0, lastColumn = 0;
    std::string name;          // the parameter as the field names it, without '&'
    bool substituted = false;  // the field took the value
    // A warning about the field (kReadWarningKindCount: none) and its message,
    // which the field's name goes before.
    WarningKind kind = static_cast<WarningKind>(kReadWarningKindCount);
    std::string message;
};
using LineParameters = std::vector<ParameterField>;

// Whether a field's text, blanks aside, names a parameter: &NAME or -&NAME
// (negated); name is NAME then.
bool parameterReference(std::string_view field, std::string& name, bool& negated);

class ParameterSubstitution {
public:
    // Notes in the table each use of a definition.
    explicit ParameterSubstitution(ParameterTable& table) : table_(table), uses_(&table) {}
    // Reads the table only: a line read again after the model's reading.
    explicit ParameterSubstitution(const ParameterTable& table) : table_(table) {}

    // The data line (length bytes, its line end included) of the airbag
    // keyword of that code in the model's file of that index, with the values
    // of the parameters its fields name; firstDataLine tells the keyword's
    // first data line. False when no field names a parameter. fields tells
    // each field that does; out holds the line to read (the line as it is
    // when no value could be written).
    bool substitute(unsigned code, bool firstDataLine, size_t file, const char* line, size_t length,
                    std::string& out, LineParameters& fields);

private:
    const ParameterTable& table_;
    ParameterTable* uses_ = nullptr;
};

}  // namespace abimport
