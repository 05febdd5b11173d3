// Editing a read deck from Python: the fields set on its cards go to a
// ModelEdit of the deck's files (read when the first edit is made), which
// rewrites only the bytes of each field and saves the files.
#pragma once

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

// The value a field reads as after an edit.
struct EditedValue {
    double value;
    bool integer, unsignedInteger;
};

struct DeckEdits {
    std::unique_ptr<ModelEdit> model;  // null until the files are read
    // By card (index into DeckData::cards) and field name.
    std::map<std::pair<size_t, std::string>, EditedValue> values;
};

// Sets the field called name of the card to text (checked, and kept as
// given) or, for a number, to the exact text chosen for it. Raises KeyError
// for a field the card does not have, ValueError for any other edit the
// field cannot take, naming FILE:LINE and the field; the deck is unchanged
// then.
void setFieldText(const CardView& card, const py::str& name, const std::string& text);
void setFieldNumber(const CardView& card, const py::str& name, const py::handle& number);

// The value set on the field called name, if one was.
std::optional<py::object> editedField(const CardView& card, const std::string& name);

// The unified diff of the edits, file by file ("" without edits).
py::str editDiff(const DeckData& deck);

// Writes the changed files in place (no folder) or the whole model under
// folder. Raises ValueError for a deck read from text or standard input and
// OSError naming the file when it cannot be written; nothing is written then.
void saveEdits(const DeckData& deck, const std::optional<std::string>& folder);

}  // namespace abimport
