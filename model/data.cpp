#include "data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "aligntext.h"
#include "numbers/digits.h"
#include "numbers/printfdouble.h"

using abimport::detail::writeAligned;
using abimport::detail::writeDigits;

namespace {

// The getters of the value classes report a type mismatch on standard output.
void reportWrongType(const char* message) {
    std::cout << message << std::endl;
}

char emptyText[1] = "";

}  // namespace

void Data::value(unsigned int* out) {
    *out = 0;
}
void Data::value(int* out) {
    *out = 0;
}
void Data::value(double* out) {
    *out = 0.0;
}
void Data::value(char** out) {
    *out = emptyText;
}

void UInteger::tostring(char* out) {
    char text[16];
    writeAligned(out, text, writeDigits(text, val), width);
}

void UInteger::value(unsigned int* out) {
    if (typeCode == abimport::kUnsignedCode) {
        *out = val;
        return;
    }
    *out = 0;
    reportWrongType("wrong data type sent to get unsigned int value");
}

void Integer::tostring(char* out) {
    char text[16];
    // The magnitude as unsigned, so that the most negative value has one too.
    const uint32_t magnitude =
        val < 0 ? 0u - static_cast<uint32_t>(val) : static_cast<uint32_t>(val);
    text[0] = '-';
    const size_t sign = val < 0 ? 1 : 0;
    writeAligned(out, text, sign + writeDigits(text + sign, magnitude), width);
}

void Integer::value(int* out) {
    if (typeCode == abimport::kIntegerCode) {
        *out = val;
        return;
    }
    *out = 0;
    reportWrongType("wrong data type sent to get int value");
}

void Double::tostring(char* out) {
    abimport::detail::writePrintfDouble(val, width, out);
}

void Double::value(double* out) {
    if (typeCode == abimport::kDoubleCode) {
        *out = val;
        return;
    }
    *out = 0.0;
    reportWrongType("wrong data type sent to get double value");
}

CharArray::CharArray(uint32_t fieldWidth, const char* text)
    : Data(abimport::kTextCode, fieldWidth), val(text ? strdup(text) : nullptr) {}

CharArray::~CharArray() {
    if (val) free(val);
}

void CharArray::tostring(char* out) {
    const char* text = val ? val : "";
    writeAligned(out, text, std::strlen(text), width);
}

void CharArray::value(char** out) {
    if (typeCode == abimport::kTextCode) {
        *out = val;
        return;
    }
    *out = nullptr;
    reportWrongType("wrong data type sent to get char array");
}

void BlankObject::tostring(char* out) {
    writeAligned(out, " ", 1, width, true);
}
