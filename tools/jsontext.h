// JSON text pieces for the event lines: strings of arbitrary deck bytes and
// doubles that read back exactly.
#pragma once

#include <cstddef>
#include <string>

// Appends text as a quoted JSON string. Quote and backslash are escaped, as
// are newline, carriage return and tab by name; every other byte below 0x20
// and every byte from 0x7F up becomes \u00XX of its value, so the result is
// printable ASCII whatever the bytes are.
void appendJsonString(std::string& out, const char* text, size_t length);
void appendJsonString(std::string& out, const std::string& text);

// Appends a finite double in its shortest form that reads back to the same
// value; infinities and NaN as the strings "inf", "-inf", "nan", "-nan".
void appendJsonDouble(std::string& out, double value);

// Appends an integer in decimal.
void appendJsonNumber(std::string& out, long long value);

// Appends a JSON array of strings.
template <class Strings>
void appendJsonStringArray(std::string& out, const Strings& texts) {
    out += '[';
    bool first = true;
    for (const auto& text : texts) {
        if (!first) out += ',';
        first = false;
        appendJsonString(out, text);
    }
    out += ']';
}
