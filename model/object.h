// Common root of field values and cards.
#pragma once

#include <string>

#include "export.h"

class ABIMPORT_API Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // Writes the object's text, NUL-terminated, into a caller buffer of
    // kTextBufferSize bytes. The root writes nothing.
    virtual void tostring(char* out);
    // Appends the object's text to out. The root appends nothing.
    virtual void tostring(std::string& out);
    virtual ~Object();

    // Size of the scratch buffer every caller of tostring(char*) passes.
    static constexpr unsigned kTextBufferSize = 128;
};
