// Parameters in the data lines of the airbag keywords: a field whose text,
// blanks aside, is &name or -&name takes the parameter's value. The host
// writes the value's exact text into the field's columns (or the comma
// word) before the reader sees the line, so that the library reads the value
// through its own reading.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "parametertable.h"
#include "warning.h"

namespace abimport {

// The texts a value is written as: the exact texts of the write-back, which
// the layers above the host own and hand it (ImportSettings::parameterTexts).
class ValueTexts {
public:
    virtual ~ValueTexts();
    // Writes to out (room for 64 characters) a text of value that, right-
    // aligned in a field of width columns, reads back as value: a field of 10
    // columns is a word field, read with the exponent repair; others are line
    // fields, read as they stand. Returns its length; 0 when none fits.
    virtual size_t exactText(double value, unsigned width, char* out) const = 0;
    // The text that fits the field and reads closest to value, for a value
    // without an exact text.
    virtual size_t closestText(double value, unsigned width, char* out) const = 0;
};

// What became of the fields of one line that name a parameter.
struct ParameterField {
    unsigned field = 0;        // its index among the line's fields
    std::string name;          // the parameter as the field names it, without '&'
    bool substituted = false;  // the field took the value
    // A warning about the field (kReadWarningKindCount: none) and its message,
    // which the field's name goes before.
    WarningKind kind = static_cast<WarningKind>(kReadWarningKindCount);
    std::string message;
};
using LineParameters = std::vector<ParameterField>;

class ParameterSubstitution {
public:
    ParameterSubstitution(ParameterTable& table, const ValueTexts& texts)
        : table_(table), texts_(texts) {}

    // The data line (length bytes, its line end included) of the airbag
    // keyword of that code in the model's file of that index, with the values
    // of the parameters its fields name; firstDataLine tells the keyword's
    // first data line. False when no field names a parameter. fields tells
    // each field that does; out holds the line to read (the line as it is
    // when no value could be written).
    bool substitute(unsigned code, bool firstDataLine, size_t file, const char* line, size_t length,
                    std::string& out, LineParameters& fields);

private:
    // The text of a number for a fixed field of width columns; false when
    // only an inexact one fits (then written to text, with readsAs).
    bool fixedText(double value, unsigned width, bool words, std::string& text,
                   double& readsAs) const;
    // The same for a comma word that stands between prefix and suffix.
    bool wordText(double value, const std::string& prefix, const std::string& suffix,
                  std::string& text, double& readsAs) const;

    ParameterTable& table_;
    const ValueTexts& texts_;
};

}  // namespace abimport
