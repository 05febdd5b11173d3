// The library's version, as built.
#pragma once

#include "../model/export.h"

namespace abimport {

// "MAJOR.MINOR.PATCH" of the loaded library.
ABIMPORT_API const char* libraryVersion();

}  // namespace abimport
