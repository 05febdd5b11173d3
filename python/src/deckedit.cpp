#include "deckedit.h"

#include <strings.h>

#include <algorithm>
#include <cmath>

#include "pytext.h"

namespace abimport {

namespace {

[[noreturn]] void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

// The deck's edits, with the files read for them.
DeckEdits& editsOf(const DeckData& deck) {
    if (deck.fromText || deck.path == "-") {
        raise(PyExc_ValueError, deck.path +
                                    ": a deck read from text or standard input has no files "
                                    "to edit or save; write it to a file and read that");
    }
    if (!deck.edits) deck.edits = std::make_unique<DeckEdits>();
    DeckEdits& edits = *deck.edits;
    if (!edits.model) {
        // The deck's own cards, without reading it again: the files' bytes
        // are read now, and each line edited is checked to still read as
        // its card.
        auto model = std::make_unique<ModelEdit>();
        std::string error;
        if (!model->adoptFiles(deck.files, error)) raise(PyExc_OSError, error);
        std::vector<unsigned long long> lines;
        for (const DeckKeyword& keyword : deck.keywords) {
            const size_t file =
                static_cast<size_t>(std::find(deck.files.begin(), deck.files.end(), *keyword.file) -
                                    deck.files.begin());
            lines.resize(keyword.cardCount);
            for (size_t n = 0; n < keyword.cardCount; ++n) {
                lines[n] = deck.cardLines.at(keyword.firstCard + n);
            }
            model->adoptKeyword(file, keyword.line, *keyword.keyword,
                                deck.cards.data() + keyword.firstCard, lines.data(),
                                keyword.cardCount, keyword.gaps);
        }
        edits.model = std::move(model);
    }
    return edits;
}

// The name the card gives the field called name in any case; empty for none.
std::string fieldNamed(const Card& card, const std::string& name) {
    for (const auto* names : {&card.fieldNames, &card.emptyFieldNames}) {
        for (const std::string& field : *names) {
            if (strcasecmp(field.c_str(), name.c_str()) == 0) return field;
        }
    }
    return "";
}

// The keyword the card belongs to, which names its file.
const DeckKeyword& keywordOf(const DeckData& deck, size_t card) {
    const auto keyword =
        std::upper_bound(deck.keywords.begin(), deck.keywords.end(), card,
                         [](size_t index, const DeckKeyword& k) { return index < k.firstCard; });
    return *(keyword - 1);
}

// "FILE:LINE: CARD FIELD: " for the messages about a field of the card.
std::string namedField(const CardView& view, const std::string& name) {
    const DeckData& deck = *view.deck;
    const DeckKeyword& owner = keywordOf(deck, view.index);
    const unsigned long long line = deck.cardLines.at(view.index);
    return *owner.file + ":" + std::to_string(line ? line : owner.line) + ": " + view.card().name +
           " " + name + ": ";
}

py::object readValue(const ReadField& field) {
    if (field.kind != ReadField::Value) return py::none();
    if (field.type == kDoubleCode) return py::float_(field.real);
    if (field.type == kTextCode) return py::none();  // text fields are not edited
    return py::int_(field.integer);
}

py::object setField(const CardView& view, const py::str& key, const std::string& text, bool round) {
    const DeckData& deck = *view.deck;
    std::string name;
    if (!deckBytes(key, name))
        raise(PyExc_KeyError, "no field is called " + py::repr(key).cast<std::string>());
    // A card from no data line is addressed by its keyword's line, where the
    // edit says why it has no columns.
    const DeckKeyword& owner = keywordOf(deck, view.index);
    const unsigned long long line = deck.cardLines.at(view.index);
    DeckEdits& edits = editsOf(deck);
    FieldEdit edit{*owner.file, line ? line : owner.line, name, text};
    std::string error;
    EditedField result;
    if (!edits.model->apply(edit, error, &result, round)) {
        // KeyError for a name the card does not have (a placeholder column
        // included); a card from no data line has no columns for any.
        const bool known = !line || error.find(" has no field '") == std::string::npos;
        raise(known ? PyExc_ValueError : PyExc_KeyError, error);
    }
    edits.values[{view.index, result.field}] = result.reads;
    return readValue(result.reads);
}

}  // namespace

py::object setFieldText(const CardView& card, const py::str& name, const std::string& text,
                        bool round) {
    return setField(card, name, text, round);
}

py::object setFieldValue(const CardView& card, const py::str& name, const py::handle& value,
                         bool round) {
    // The shortest text that reads back as the number; the edit takes it
    // where it fits and chooses the exact text of the value otherwise.
    if (PyBool_Check(value.ptr()) || !(PyLong_Check(value.ptr()) || PyFloat_Check(value.ptr()))) {
        std::string field;
        deckBytes(name, field);
        const std::string known = fieldNamed(card.card(), field);
        raise(PyExc_TypeError, namedField(card, known.empty() ? field : known) +
                                   "a field takes an int or a float (or a text through "
                                   "set_text), not " +
                                   py::repr(py::type::handle_of(value)).cast<std::string>());
    }
    std::string text = py::repr(value).cast<std::string>();
    if (PyFloat_Check(value.ptr()) && !std::isfinite(value.cast<double>())) {
        const double number = value.cast<double>();
        text = std::isnan(number) ? "nan" : number < 0 ? "-inf" : "inf";
    }
    return setField(card, name, text, round);
}

std::optional<py::object> editedField(const CardView& card, const std::string& name) {
    const DeckEdits* edits = card.deck->edits.get();
    if (!edits || edits->values.empty()) return std::nullopt;
    const auto found = edits->values.find({card.index, fieldNamed(card.card(), name)});
    if (found == edits->values.end()) return std::nullopt;
    return readValue(found->second);
}

namespace {

// The file and keyword line of a Keyword given to restrict a geometry edit.
std::pair<std::string, unsigned long long> keywordPlace(const py::object& keyword) {
    if (keyword.is_none()) return {"", 0};
    const DeckKeyword& held = keyword.cast<const KeywordView&>().keyword();
    return {*held.file, held.line};
}

template <class T>
void checkShape(const py::array_t<T>& array, py::ssize_t rows, py::ssize_t columns,
                const char* what) {
    const bool good =
        columns == 0 ? array.ndim() == 1 && array.shape(0) == rows
                     : array.ndim() == 2 && array.shape(0) == rows && array.shape(1) == columns;
    if (!good) {
        raise(PyExc_ValueError, std::string(what) + " must have " + std::to_string(rows) +
                                    (columns ? " rows of " + std::to_string(columns) : "") +
                                    " values, one per ID");
    }
}

int32_t idOf(int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX) {
        raise(PyExc_ValueError, "the ID " + std::to_string(value) + " is not within 32 bits");
    }
    return static_cast<int32_t>(value);
}

}  // namespace

void setNodes(const DeckData& deck, const py::array_t<int64_t>& nid, const py::array_t<double>& xyz,
              bool round, const py::object& keyword) {
    if (nid.ndim() != 1) raise(PyExc_ValueError, "nid must be one-dimensional");
    checkShape(xyz, nid.shape(0), 3, "xyz");
    const auto [file, line] = keywordPlace(keyword);
    DeckEdits& edits = editsOf(deck);
    std::vector<NodeEdit> rows(static_cast<size_t>(nid.shape(0)));
    const auto ids = nid.unchecked<1>();
    const auto coordinates = xyz.unchecked<2>();
    for (py::ssize_t i = 0; i < nid.shape(0); ++i) {
        NodeEdit& row = rows[static_cast<size_t>(i)];
        row.nid = idOf(ids(i));
        for (py::ssize_t k = 0; k < 3; ++k) row.xyz[k] = coordinates(i, k);
    }
    std::string error;
    bool done;
    {
        py::gil_scoped_release released;
        done = edits.model->setNodes(rows, round, error, nullptr, file, line);
    }
    if (!done) raise(PyExc_ValueError, error);
}

void setShells(const DeckData& deck, const py::array_t<int64_t>& eid,
               const py::array_t<int64_t>& nodes, const py::object& keyword) {
    if (eid.ndim() != 1) raise(PyExc_ValueError, "eid must be one-dimensional");
    checkShape(nodes, eid.shape(0), 4, "nodes");
    const auto [file, line] = keywordPlace(keyword);
    DeckEdits& edits = editsOf(deck);
    std::vector<ShellEdit> rows(static_cast<size_t>(eid.shape(0)));
    const auto ids = eid.unchecked<1>();
    const auto nodeIds = nodes.unchecked<2>();
    for (py::ssize_t i = 0; i < eid.shape(0); ++i) {
        ShellEdit& row = rows[static_cast<size_t>(i)];
        row.eid = idOf(ids(i));
        for (py::ssize_t k = 0; k < 4; ++k) row.nodes[k] = idOf(nodeIds(i, k));
    }
    std::string error;
    bool done;
    {
        py::gil_scoped_release released;
        done = edits.model->setShells(rows, error, file, line);
    }
    if (!done) raise(PyExc_ValueError, error);
}

py::str editDiff(const DeckData& deck) {
    if (!deck.edits || !deck.edits->model) return py::str("");
    return deckText(deck.edits->model->diff());
}

void saveEdits(const DeckData& deck, const std::optional<std::string>& folder) {
    DeckEdits& edits = editsOf(deck);
    std::string error;
    if (folder ? !edits.model->saveTo(*folder, error) : !edits.model->saveInPlace(error)) {
        raise(PyExc_OSError, error);
    }
    // A save in place makes the files as saved those a later edit starts from.
}

}  // namespace abimport
