// Deck bytes and file paths as Python strings. Deck text is decoded byte for
// byte (each byte one character, U+0000 to U+00FF), which is what the JSON
// output's \u00XX escapes mean, so values read the same from either; paths
// are decoded as the file system encodes them, so that open() takes them.
#pragma once

#include <pybind11/pybind11.h>

#include <cstring>
#include <string>

namespace py = pybind11;

inline py::str deckText(const char* text, size_t length) {
    PyObject* out = PyUnicode_DecodeLatin1(text, static_cast<Py_ssize_t>(length), nullptr);
    if (!out) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(out);
}
inline py::str deckText(const std::string& text) { return deckText(text.data(), text.size()); }
inline py::str deckText(const char* text) { return deckText(text, std::strlen(text)); }

inline py::str pathText(const std::string& path) {
    PyObject* out = PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size()));
    if (!out) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(out);
}

// A name given from Python as deck bytes; false when it holds a character
// beyond U+00FF, which no deck byte gives.
inline bool deckBytes(const py::str& text, std::string& out) {
    PyObject* bytes = PyUnicode_AsLatin1String(text.ptr());
    if (!bytes) {
        PyErr_Clear();
        return false;
    }
    out = py::reinterpret_steal<py::bytes>(bytes);
    return true;
}

// A line number, or None for 0 (no line).
inline py::object lineObject(unsigned long long line) {
    return line ? py::object(py::int_(line)) : py::object(py::none());
}
