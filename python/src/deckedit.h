// Editing a read deck from Python: the fields set on its cards go to a
// ModelEdit of the deck's files (read when the first edit is made), which
// rewrites only the bytes of each field and saves the files.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "../../edit/modeledit.h"
#include "deckdata.h"
#include "pyviews.h"

namespace abimport {

struct DeckEdits {
    std::unique_ptr<ModelEdit> model;  // null until the files are read
    // What each field set reads as now, by card (index into DeckData::cards)
    // and field name as the card gives it.
    std::map<std::pair<size_t, std::string>, ReadField> values;
};

// Sets the field called name (in any case) of the card to text (kept as
// given where it is a deck's number that fits and reads back exactly) or to
// a number, written as its exact text; where none fits, a ValueError naming
// the closest text, or with round that text. Returns what the field reads
// as now. Raises KeyError for a field the card does not have, TypeError for
// a value that is no number, ValueError for any other edit the field cannot
// take, each naming FILE:LINE and the field; the deck is unchanged then.
py::object setFieldText(const CardView& card, const py::str& name, const std::string& text,
                        bool round);
py::object setFieldValue(const CardView& card, const py::str& name, const py::handle& value,
                         bool round);

// The value set on the field called name, if one was.
std::optional<py::object> editedField(const CardView& card, const std::string& name);

// Sets the coordinates of reference-geometry nodes by NID (nid: n integers,
// xyz: n rows of 3), or the nodes N1 to N4 of shells by EID; in the keyword
// given, or in all of them. All of them or, on an error, none.
void setNodes(const DeckData& deck, const py::array_t<int64_t>& nid, const py::array_t<double>& xyz,
              bool round, const py::object& keyword);
void setShells(const DeckData& deck, const py::array_t<int64_t>& eid,
               const py::array_t<int64_t>& nodes, const py::object& keyword);

// The unified diff of the edits, file by file ("" without edits).
py::str editDiff(const DeckData& deck);

// Writes the changed files in place (no folder) or the whole model under
// folder. Raises ValueError for a deck read from text or standard input and
// OSError naming the file when it cannot be written; nothing is written then.
void saveEdits(const DeckData& deck, const std::optional<std::string>& folder);

}  // namespace abimport
