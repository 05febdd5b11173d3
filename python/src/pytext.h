// Deck bytes and file paths as Python strings: valid UTF-8 as its code
// points, and every byte that is no part of valid UTF-8 as the lone surrogate
// U+DC80 to U+DCFF, as os.fsdecode and the "surrogateescape" handler make it.
// That is what the tool's JSON strings mean, so values read the same from
// either, and os.fsencode (or .encode("utf-8", "surrogateescape")) gives the
// exact bytes back.
#pragma once

#include <pybind11/pybind11.h>

#include <cstring>
#include <string>

namespace abimport {

namespace py = pybind11;

inline py::str deckText(const char* text, size_t length) {
    PyObject* out = PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(length), "surrogateescape");
    if (!out) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(out);
}
inline py::str deckText(const std::string& text) {
    return deckText(text.data(), text.size());
}
inline py::str deckText(const char* text) {
    return deckText(text, std::strlen(text));
}
inline py::str pathText(const std::string& path) {
    return deckText(path);
}

// A name given from Python as deck bytes; false when it holds a surrogate
// that stands for no byte.
inline bool deckBytes(const py::str& text, std::string& out) {
    PyObject* bytes = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape");
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

// "1 card", "2 cards": a count and its noun, plural but for one.
inline std::string counted(size_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace abimport
