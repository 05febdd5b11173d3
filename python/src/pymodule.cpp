// The extension module abimport._core: reading a deck, the Deck with its
// warnings, and the node and shell arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../../frame/version.h"
#include "../../memory/addressregion.h"
#include "../../output/warningkinds.h"
#include "deckdiff.h"
#include "deckedit.h"
#include "deckread.h"
#include "deckreleaser.h"
#include "deckreplay.h"
#include "geometry.h"
#include "importheap.h"
#include "pyflags.h"
#include "pytable.h"
#include "pytext.h"
#include "pyviews.h"

using namespace abimport;

namespace {

struct DeckView {
    DeckRef deck;
};

// The deck could not be read: OSError of errno's kind (FileNotFoundError,
// IsADirectoryError, PermissionError, ...) naming the file.
[[noreturn]] void raiseReadError(const DeckReadError& error, const std::string& path) {
    if (error.errorNumber == 0) throw py::value_error(error.what());
    py::object filename = pathText(path);
    errno = error.errorNumber;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, filename.ptr());
    throw py::error_already_set();
}

// A deck that Python lets go of is freed on the releasing thread.
struct ReleaseDeck {
    void operator()(const DeckData* deck) const { releaseLater(deck); }
};

DeckView viewOf(DeckOwner deck) {
    return {DeckRef(deck.release(), ReleaseDeck())};
}

DeckView readFile(const py::bytes& path, unsigned flags, bool includes, bool check,
                  bool parameters) {
    const std::string name = path;
    const ReadOptions options{flags, includes, check, parameters};
    DeckOwner deck;
    try {
        py::gil_scoped_release released;
        deck = readDeckFile(name, options);
    } catch (const DeckReadError& error) {
        raiseReadError(error, name);
    }
    return viewOf(std::move(deck));
}

DeckView readText(const py::bytes& text, const py::bytes& name, unsigned flags, bool includes,
                  bool check, bool parameters) {
    const std::string deckText = text, deckName = name;
    const ReadOptions options{flags, includes, check, parameters};
    DeckOwner deck;
    try {
        py::gil_scoped_release released;
        deck = readDeckText(deckText, deckName, options);
    } catch (const DeckReadError& error) {
        raiseReadError(error, deckName);
    }
    return viewOf(std::move(deck));
}

// A result type of the package (Nodes, Shells), made from the given arrays.
template <class... Arrays>
py::object result(const char* type, Arrays&&... arrays) {
    return py::module_::import("abimport._results").attr(type)(std::forward<Arrays>(arrays)...);
}

// Arrays of rows (n) or rows of width columns (n x width), made for the
// most rows the deck can give and cut to the rows filled afterwards.
template <class T>
py::array_t<T> rowsArray(size_t rows, size_t width = 1) {
    return width == 1 ? py::array_t<T>(static_cast<py::ssize_t>(rows))
                      : py::array_t<T>({rows, width});
}

// The bytes of an array, taken while the GIL is held.
struct ArrayBytes {
    explicit ArrayBytes(const py::array& array)
        : start(static_cast<const char*>(array.data())),
          size(static_cast<size_t>(array.nbytes())) {}
    const char* start;
    size_t size;
};

// Makes the pages of fresh arrays present at once, which costs less than a
// fault on each page as they are filled; nothing where the kernel cannot.
void populateArrayPages(std::initializer_list<ArrayBytes> arrays) {
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    for (const ArrayBytes& array : arrays) {
        const auto first = reinterpret_cast<uintptr_t>(array.start);
        const uintptr_t start = (first + page - 1) / page * page;
        const uintptr_t end = (first + array.size) / page * page;
        if (start < end)
            abimport::memory::populatePages(reinterpret_cast<char*>(start), end - start);
    }
}

template <class T>
void cutToRows(py::array_t<T>& array, size_t rows) {
    if (static_cast<size_t>(array.shape(0)) == rows) return;
    std::vector<py::ssize_t> shape(array.shape(), array.shape() + array.ndim());
    shape[0] = static_cast<py::ssize_t>(rows);
    array.resize(shape);
}

py::object nodesOf(const DeckView& view) {
    const DeckData& deck = *view.deck;
    const size_t most = nodeRowsAtMost(deck);
    auto nid = rowsArray<int32_t>(most), keyword = rowsArray<int32_t>(most);
    auto xyz = rowsArray<double>(most, 3), birth = rowsArray<double>(most);
    const NodeArrays out{nid.mutable_data(), xyz.mutable_data(), keyword.mutable_data(),
                         birth.mutable_data()};
    const std::initializer_list<ArrayBytes> arrays{ArrayBytes(nid), ArrayBytes(xyz),
                                                   ArrayBytes(keyword), ArrayBytes(birth)};
    size_t rows;
    {
        py::gil_scoped_release released;
        populateArrayPages(arrays);
        rows = fillNodes(deck, out);
    }
    cutToRows(nid, rows);
    cutToRows(xyz, rows);
    cutToRows(keyword, rows);
    cutToRows(birth, rows);
    return result("Nodes", nid, xyz, keyword, birth);
}

py::object shellsOf(const DeckView& view) {
    const DeckData& deck = *view.deck;
    const size_t most = shellRowsAtMost(deck);
    auto eid = rowsArray<int32_t>(most), pid = rowsArray<int32_t>(most);
    auto nodes = rowsArray<int32_t>(most, 4);
    const ShellArrays out{eid.mutable_data(), pid.mutable_data(), nodes.mutable_data()};
    const std::initializer_list<ArrayBytes> arrays{ArrayBytes(eid), ArrayBytes(pid),
                                                   ArrayBytes(nodes)};
    size_t rows;
    {
        py::gil_scoped_release released;
        populateArrayPages(arrays);
        rows = fillShells(deck, out);
    }
    cutToRows(eid, rows);
    cutToRows(pid, rows);
    cutToRows(nodes, rows);
    return result("Shells", eid, pid, nodes);
}

py::list cardsNamed(const DeckView& view, const std::optional<py::str>& name) {
    const DeckData& deck = *view.deck;
    std::string wanted;
    const bool all = !name;
    py::list out;
    if (!all && !deckBytes(*name, wanted)) raiseUnknownCard(deck, *name);
    for (size_t i = 0; i < deck.cards.size(); ++i) {
        if (all || deck.cards[i]->name == wanted) out.append(CardView{view.deck, i});
    }
    if (!all && out.empty()) raiseUnknownCard(deck, *name);
    return out;
}

py::str outputText(std::string (*write)(const DeckData&), const DeckView& view) {
    std::string text;
    {
        py::gil_scoped_release released;
        text = write(*view.deck);
    }
    return deckText(text);
}

void bindWarning(py::module_& module) {
    py::class_<Warning>(module, "DeckWarning",
                        "What the reading rules changed in a deck, an include that could not be "
                        "followed, or with check=True what the model check found: a record, "
                        "not a warnings-module category.")
        .def_property_readonly(
            "file", [](const Warning& w) { return pathText(*w.file); },
            "The file the warning is about.")
        .def_property_readonly(
            "line", [](const Warning& w) { return lineObject(w.line); },
            "The line in that file (1-based), or None.")
        .def_property_readonly(
            "kind", [](const Warning& w) { return warningKindName(w.kind); },
            "The kind: 'long-line', 'not-a-number', 'include-not-found', ...")
        .def_property_readonly("message", [](const Warning& w) { return deckText(w.message); })
        .def("__str__",
             [](const Warning& w) {
                 return py::str("{}:{}: warning: {} [{}]")
                     .format(pathText(*w.file), w.line, deckText(w.message),
                             warningKindName(w.kind));
             })
        .def("__repr__", [](const Warning& w) {
            return py::str("<DeckWarning {}:{} {}: {!r}>")
                .format(pathText(*w.file), w.line, warningKindName(w.kind), deckText(w.message));
        });
}

void bindDeck(py::module_& module) {
    py::class_<DeckView>(module, "Deck",
                         "A deck read through the stand-in host: its airbag keywords with their "
                         "cards, its warnings and the files read.")
        .def_property_readonly(
            "path", [](const DeckView& d) { return pathText(d.deck->path); },
            "The deck's path as given, or the name of a deck read from text.")
        .def_property_readonly(
            "flags", [](const DeckView& d) { return flagsValue(d.deck->flags); },
            "The host flag word the deck was read with, as Flags.")
        .def_property_readonly(
            "keywords",
            [](const DeckView& d) {
                return KeywordRange{d.deck, 0, d.deck->keywords.size()};
            },
            "The imported keywords, in order.")
        .def_property_readonly(
            "warnings",
            [](const DeckView& d) {
                py::list out;
                for (const Warning& w : d.deck->warnings) out.append(w);
                return out;
            },
            "The warnings, in the order they arose.")
        .def_property_readonly(
            "files",
            [](const DeckView& d) {
                py::list out;
                for (const std::string& file : d.deck->files) out.append(pathText(file));
                return out;
            },
            "Every file read: the deck first, then each include as it was opened.")
        .def("cards", &cardsNamed, py::arg("name") = py::none(),
             "Every card of the deck, or those called name, in order (KeyError for a name no "
             "card has).")
        .def(
            "card_names", [](const DeckView& d) { return cardNames(*d.deck); },
            "The names of the deck's cards, in the order they first appear.")
        .def("_table_columns",
             [](const DeckView& d, const py::str& name) { return tableColumns(*d.deck, name); })
        .def(
            "json_lines", [](const DeckView& d) { return outputText(&deckJsonLines, d); },
            "The JSON Lines that `abimport --json` prints for this deck.")
        .def(
            "text", [](const DeckView& d) { return outputText(&deckWriteBack, d); },
            "The deck text that `abimport` writes back for this deck.")
        .def("nodes", &nodesOf,
             "The reference-geometry nodes as arrays: Nodes(nid, xyz, keyword, birth).")
        .def("shells", &shellsOf,
             "The shell reference-geometry elements as arrays: Shells(eid, pid, nodes).")
        .def(
            "set_nodes",
            [](const DeckView& d, const py::array_t<int64_t>& nid, const py::array_t<double>& xyz,
               bool round,
               const py::object& keyword) { setNodes(*d.deck, nid, xyz, round, keyword); },
            py::arg("nid"), py::arg("xyz"), py::arg("round") = false,
            py::arg("keyword") = py::none(),
            "Sets the coordinates of reference-geometry nodes by NID (n IDs, n rows of x, y, "
            "z), in every geometry or in the keyword given, writing only the fields that "
            "change; all of them or, on a ValueError, none. round as in Card.set.")
        .def(
            "set_shells",
            [](const DeckView& d, const py::array_t<int64_t>& eid,
               const py::array_t<int64_t>& nodes,
               const py::object& keyword) { setShells(*d.deck, eid, nodes, keyword); },
            py::arg("eid"), py::arg("nodes"), py::arg("keyword") = py::none(),
            "Sets the nodes N1 to N4 of shell reference-geometry elements by EID (n IDs, n "
            "rows of 4 node IDs), as set_nodes does.")
        .def(
            "diff", [](const DeckView& d) { return editDiff(*d.deck); },
            "The unified diff of the fields set and not yet saved, file by file.")
        .def(
            "_save",
            [](const DeckView& d, const std::optional<py::bytes>& folder) {
                saveEdits(*d.deck,
                          folder ? std::optional<std::string>(std::string(*folder)) : std::nullopt);
            },
            py::arg("folder") = py::none())
        .def("__len__", [](const DeckView& d) { return d.deck->keywords.size(); })
        .def("__iter__",
             [](const py::object& d) -> py::object { return py::iter(d.attr("keywords")); })
        .def("__getitem__",
             [](const py::object& d, const py::object& i) -> py::object {
                 const py::object keywords = d.attr("keywords");
                 return keywords[i];
             })
        .def("__repr__", [](const DeckView& d) {
            return py::str("<Deck {!r}: {}, {}, {}>")
                .format(pathText(d.deck->path), counted(d.deck->keywords.size(), "keyword"),
                        counted(d.deck->cards.size(), "card"),
                        counted(d.deck->warnings.size(), "warning"));
        });
}

}  // namespace

PYBIND11_MODULE(_core, module) {
    module.doc() = "The airbag keyword import library and its stand-in host.";
    module.attr("__version__") = ABIMPORT_VERSION_STRING;
    module.attr("library_version") = abimport::libraryVersion();
    bindFlags(module);
    bindCards(module);
    bindKeywords(module);
    bindWarning(module);
    bindDeck(module);
    module.def("read_file", &readFile, py::arg("path"), py::arg("flags"), py::arg("includes"),
               py::arg("check") = false, py::arg("parameters") = true,
               "Reads the deck at path (bytes); see abimport.read.");
    module.def("read_text", &readText, py::arg("text"), py::arg("name"), py::arg("flags"),
               py::arg("includes"), py::arg("check") = false, py::arg("parameters") = true,
               "Reads a deck held in memory; see abimport.read_text.");
    module.def(
        "diff_json",
        [](const DeckView& before, const DeckView& after, double tolerance, bool rows,
           double absTolerance) {
            std::string lines;
            {
                py::gil_scoped_release released;
                lines = diffJsonLines(*before.deck, *after.deck, tolerance, rows, absTolerance);
            }
            return py::str(lines);
        },
        py::arg("old"), py::arg("new"), py::arg("tolerance"), py::arg("rows"),
        py::arg("abs_tolerance") = 0.0,
        "The changes from old to new as JSON Lines; see abimport.diff.");
    module.def("_heap_claimed_bytes", &heapClaimedBytes,
               "Bytes of address space the import heap has taken so far (for tests).");
}
