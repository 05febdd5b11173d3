// Test helper: the text a field value writes into a scratch buffer that holds
// garbage beforehand, so that a missing terminator shows.
#pragma once

#include <string>

#include "../model/data.h"

namespace abimport {

template <typename Value>
std::string textOf(Value&& value) {
    std::string out(Object::kTextBufferSize, 'X');
    value.tostring(out.data());
    return out.c_str();
}

}  // namespace abimport
