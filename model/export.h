// Symbol visibility for the shared library. Everything is hidden by default;
// the declarations marked ABIMPORT_API form the library's public surface.
#pragma once

#if defined(_WIN32)
#define ABIMPORT_API
#else
#define ABIMPORT_API __attribute__((visibility("default")))
#endif
