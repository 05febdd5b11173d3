// A read-only Python sequence over a range of views: len(), indexing with
// negative indexes and slices, and iteration that makes each element's view
// only when it is reached.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace abimport {

namespace py = pybind11;

// An iterator over a range that makes each element's view as it goes.
template <class Range>
struct RangeIterator {
    Range range;
    size_t next = 0;
};

template <class Range>
void bindSequence(py::module_& module, const char* name, const char* iteratorName,
                  const char* doc) {
    py::class_<RangeIterator<Range>>(module, iteratorName)
        .def(
            "__iter__", [](RangeIterator<Range>& it) -> RangeIterator<Range>& { return it; },
            py::return_value_policy::reference_internal)
        .def("__next__", [](RangeIterator<Range>& it) {
            if (it.next >= it.range.count) throw py::stop_iteration();
            return it.range.at(it.next++);
        });
    py::class_<Range>(module, name, doc)
        .def("__len__", [](const Range& range) { return range.count; })
        .def("__getitem__",
             [](const Range& range, py::ssize_t i) {
                 const auto count = static_cast<py::ssize_t>(range.count);
                 if (i < 0) i += count;
                 if (i < 0 || i >= count) throw py::index_error("index out of range");
                 return range.at(static_cast<size_t>(i));
             })
        .def("__getitem__",
             [](const Range& range, const py::slice& slice) {
                 py::ssize_t start = 0, stop = 0, step = 0, length = 0;
                 if (!slice.compute(static_cast<py::ssize_t>(range.count), &start, &stop, &step,
                                    &length)) {
                     throw py::error_already_set();
                 }
                 py::list out;
                 for (py::ssize_t k = 0; k < length; ++k) {
                     out.append(range.at(static_cast<size_t>(start + k * step)));
                 }
                 return out;
             })
        .def("__iter__", [](const Range& range) { return RangeIterator<Range>{range}; })
        .def("__repr__", [name](const Range& range) {
            return "<" + std::string(name) + " of " + std::to_string(range.count) + ">";
        });
}

}  // namespace abimport
