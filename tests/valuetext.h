// Test helper: the text a field value writes into a scratch buffer that holds
// garbage beforehand, so that a missing terminator shows.
#pragma once

#include <cstring>
#include <string>

#include "model/data.h"

template <typename Value>
std::string textOf(Value&& value) {
    char out[Object::kTextBufferSize];
    std::memset(out, 'X', sizeof out);
    value.tostring(out);
    return out;
}
