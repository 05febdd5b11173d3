// The card text of a double: what Double::tostring writes, as printf writes
// it. Internal to the library.
#pragma once

#include <cstdint>

namespace abimport::detail {

// Fixed notation with 14 decimals and trailing zeros stripped ("%.14f") when
// it fits width columns; otherwise "%*.*e" with width - 6 decimals, without
// its 'e' when still one column too wide. Right-aligned in width columns in
// out, a buffer of Object::kTextBufferSize bytes, NUL-terminated.
void writePrintfDouble(double value, uint32_t width, char* out);

}  // namespace abimport::detail
