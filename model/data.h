// Typed field values: one object per field of a card, with its type code,
// its field width, its text form and its typed getters.
#pragma once

#include <cstdint>

#include "object.h"

namespace abimport {

// Stored type codes. Code 7 is only ever requested (a blank placeholder) and
// is stored as kBlankCode.
enum TypeCode : unsigned {
    kUnsignedCode = 0,
    kIntegerCode = 1,
    kDoubleCode = 2,
    kTextCode = 5,
    kBlankRequestCode = 7,
    kBlankCode = 8,
};

// The width of every value of a word card (and of every word the reader cuts
// from a fixed-column line): ten columns, in which an exponent may stand
// without its letter (1.5-3).
constexpr unsigned kStandardFieldWidth = 10;

}  // namespace abimport

class ABIMPORT_API Data : public Object {
public:
    // Getters of the wrong class write zero (or the static empty text) silently;
    // the matching class writes its value.
    virtual void value(unsigned int* out);
    virtual void value(int* out);
    virtual void value(double* out);
    virtual void value(char** out);

    uint32_t typeCode;
    uint32_t width;

protected:
    Data(uint32_t code, uint32_t fieldWidth) : typeCode(code), width(fieldWidth) {}
};

class ABIMPORT_API UInteger : public Data {
public:
    UInteger(uint32_t fieldWidth, uint32_t v) : Data(abimport::kUnsignedCode, fieldWidth), val(v) {}
    using Data::tostring;
    using Data::value;
    void tostring(char* out) override;
    void value(unsigned int* out) override;
    uint32_t val;
};

class ABIMPORT_API Integer : public Data {
public:
    Integer(uint32_t fieldWidth, int32_t v) : Data(abimport::kIntegerCode, fieldWidth), val(v) {}
    using Data::tostring;
    using Data::value;
    void tostring(char* out) override;
    void value(int* out) override;
    int32_t val;
};

class ABIMPORT_API Double : public Data {
public:
    Double(uint32_t fieldWidth, double v) : Data(abimport::kDoubleCode, fieldWidth), val(v) {}
    using Data::tostring;
    using Data::value;
    // Fixed notation with 14 decimals and trailing zeros stripped when it fits
    // the width; otherwise the exponent form, without its 'e' when still too wide.
    void tostring(char* out) override;
    void value(double* out) override;
    double val;
};

class ABIMPORT_API CharArray : public Data {
public:
    // Keeps a heap copy of text (null stays null).
    CharArray(uint32_t fieldWidth, const char* text);
    ~CharArray() override;
    using Data::tostring;
    using Data::value;
    void tostring(char* out) override;
    void value(char** out) override;
    char* val;
};

class ABIMPORT_API BlankObject : public Data {
public:
    explicit BlankObject(uint32_t fieldWidth) : Data(abimport::kBlankCode, fieldWidth) {}
    using Data::tostring;
    void tostring(char* out) override;
};
