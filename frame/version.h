// The library's version, as built.
#pragma once

#include "../model/export.h"

// "MAJOR.MINOR.PATCH" of the loaded library.
ABIMPORT_API const char* abimportLibraryVersion();
