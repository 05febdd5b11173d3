// The host flag word in Python: abimport.Flags, an enum.IntFlag made here
// from the library's flag bits, so that its members are the library's.
#pragma once

#include <pybind11/pybind11.h>

namespace abimport {

namespace py = pybind11;

// Adds Flags to the module.
void bindFlags(py::module_& module);

// A flag word as a Flags value (bits without a member kept).
py::object flagsValue(unsigned word);

}  // namespace abimport
