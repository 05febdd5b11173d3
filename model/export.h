// Symbol visibility for the shared library, and the build settings that a
// program including the installed headers must share with the library.
// Everything is hidden by default; the declarations marked ABIMPORT_API form
// the library's public surface.
#pragma once

// The headers use C++17 (inline static constants, std::string_view).
#if defined(_MSVC_LANG) ? _MSVC_LANG < 201703L : __cplusplus < 201703L
#error "abimport's headers need C++17 or later: compile with -std=c++17"
#endif

// Cards hold std::string and std::vector, whose layout depends on the
// standard library's ABI; the library is built with the C++11 string.
#include <cstddef>
#if defined(_GLIBCXX_USE_CXX11_ABI) && !_GLIBCXX_USE_CXX11_ABI
#error "abimport's headers need the C++11 std::string ABI: drop -D_GLIBCXX_USE_CXX11_ABI=0"
#endif

#if defined(_WIN32)
#define ABIMPORT_API
#else
#define ABIMPORT_API __attribute__((visibility("default")))
#endif
