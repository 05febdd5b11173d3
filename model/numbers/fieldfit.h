// Number texts for a deck's fields: the exact decimal text of a value for a
// field's width and reading, or the closest decimal that fits, and the
// numbers a user gives as text. Internal.
//
// Every text chosen here is a decimal in the forms decks use, and is checked
// by reading it back as the field reads it: right-aligned in its columns,
// with the exponent repair where the field has it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace abimport::detail {

// The widest field handled; wider fields are cut to it.
constexpr unsigned kMostFitColumns = 64;

// How the reader reads a field: its columns, and whether the exponent repair
// (1.5-3 for 1.5e-3) reads it first (host/fieldreading.h gives the reading
// of a card's field).
struct FieldReading {
    unsigned width;
    bool repair;
};

// The field's columns as the card step sees them: the text right-aligned in
// reading.width columns, repaired when the reading repairs, NUL-terminated.
// out has room for kMostFitColumns + 3 bytes.
void fieldColumns(const char* text, size_t length, FieldReading reading, char* out);

// What a text, right-aligned in the field's columns, reads back as.
double readDouble(const char* text, size_t length, FieldReading reading);
int32_t readInteger(const char* text, size_t length, FieldReading reading);
uint32_t readUnsigned(const char* text, size_t length, FieldReading reading);

// Whether two doubles are the same value: the same bits but for NaN, where
// any NaN is the same as any other.
bool sameDouble(double a, double b);

// A text chosen for a field.
struct NumberText {
    char text[kMostFitColumns];
    size_t length = 0;   // 0: no text fits
    bool exact = false;  // reads back as the value itself
    std::string str() const { return std::string(text, length); }
};

// The text of value for a field: its exact decimal text, with a blank before
// it where one fits, in the plainest form that does ("293.0", "0.5", then
// "293.", ".5", then "1.5e-3", "15e-4", ".15e-9", and with the repair
// "1.5-3"); an infinity or NaN as "inf", "-inf", "nan". Where no exact decimal
// fits, the closest decimal that fits: the one whose value is nearest, the
// shorter one where two are as near; exact is false then.
NumberText fitDouble(double value, FieldReading reading);

// The decimal digits of an integer, with its sign; length 0 when they do
// not fit the field.
NumberText fitInteger(long long value, FieldReading reading);

// Whether a text is a number in the forms decks use, which every reader of
// them reads: an optional sign, digits with an optional point, and an
// optional exponent with 'e' or 'E' (with the repair also a signed exponent
// without its letter after a point: "1.5-3"); or "inf", "-inf", "nan". For
// an integer field: an optional sign and digits.
bool isDeckNumber(const char* text, size_t length, bool integer, bool repair);

// The value of a number a user gives as text: all of it read as strtod reads
// it (hexadecimal, inf and nan included) or, for a field the repair reads,
// as a decimal whose exponent stands without its letter after a point
// ("1.5-3", "-46541.-325"). False when the text is no number.
bool parseNumber(const std::string& text, bool repair, double& value);

// The value of an integer a user gives as text: an optional sign and
// decimal digits, any number of them. False when the text is none or its
// value lies outside [least, most].
bool parseInteger(const std::string& text, long long least, long long most, long long& value);

}  // namespace abimport::detail
