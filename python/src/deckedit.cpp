#include "deckedit.h"

#include <algorithm>
#include <cmath>

#include "flagguard.h"
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
        auto model = std::make_unique<ModelEdit>();
        ABImport registry;
        registry.initABALETypesAndFunctions();
        std::string error;
        bool loaded;
        {
            FlagGuard guard(deck.flags);
            loaded = model->load(deck.path, registry, deck.followIncludes, error);
        }
        if (!loaded) raise(PyExc_OSError, error);
        edits.model = std::move(model);
    }
    return edits;
}

bool names(const std::vector<std::string>& fields, const std::string& name) {
    return std::find(fields.begin(), fields.end(), name) != fields.end();
}

void setField(const CardView& view, const py::str& key, const std::string& text) {
    const DeckData& deck = *view.deck;
    std::string name;
    if (!deckBytes(key, name))
        raise(PyExc_KeyError, "no field is called " + py::repr(key).cast<std::string>());
    // The keyword the card belongs to names its file; a card from no data
    // line is addressed by its keyword's line, where the edit says why it
    // has no columns.
    const auto keyword =
        std::upper_bound(deck.keywords.begin(), deck.keywords.end(), view.index,
                         [](size_t card, const DeckKeyword& k) { return card < k.firstCard; });
    const DeckKeyword& owner = *(keyword - 1);
    const unsigned long long line = deck.cardLines.at(view.index);
    DeckEdits& edits = editsOf(deck);
    FieldEdit edit{*owner.file, line ? line : owner.line, name, text};
    std::string error;
    double readsAs = 0;
    if (!edits.model->apply(edit, error, &readsAs)) {
        const Card& card = view.card();
        // KeyError for a name the card does not have; a card from no data
        // line has no columns for any.
        const bool known =
            !line || names(card.fieldNames, name) || names(card.emptyFieldNames, name);
        raise(known ? PyExc_ValueError : PyExc_KeyError, error);
    }
    const Card& card = view.card();
    const Data* value = nullptr;
    for (size_t i = 0; i < card.fieldNames.size() && i < card.fields.size() && !value; ++i) {
        if (card.fieldNames[i] == name) value = card.fields[i];
    }
    const bool unsignedInteger = value && value->typeCode == kUnsignedCode;
    const bool integer = unsignedInteger || (value && value->typeCode == kIntegerCode);
    edits.values[{view.index, name}] = {readsAs, integer, unsignedInteger};
}

}  // namespace

void setFieldText(const CardView& card, const py::str& name, const std::string& text) {
    setField(card, name, text);
}

void setFieldNumber(const CardView& card, const py::str& name, const py::handle& number) {
    // The shortest text that reads back as the number; the edit takes it
    // where it fits and chooses the exact text of the value otherwise.
    if (PyBool_Check(number.ptr()) ||
        !(PyLong_Check(number.ptr()) || PyFloat_Check(number.ptr()))) {
        raise(PyExc_TypeError,
              "a field takes an int or a float (or a text through set_text), not " +
                  py::repr(py::type::handle_of(number)).cast<std::string>());
    }
    if (PyFloat_Check(number.ptr()) && !std::isfinite(number.cast<double>())) {
        raise(PyExc_ValueError, "a field cannot hold " + py::repr(number).cast<std::string>());
    }
    setField(card, name, py::repr(number).cast<std::string>());
}

std::optional<py::object> editedField(const CardView& card, const std::string& name) {
    const DeckEdits* edits = card.deck->edits.get();
    if (!edits) return std::nullopt;
    const auto found = edits->values.find({card.index, name});
    if (found == edits->values.end()) return std::nullopt;
    const EditedValue& edited = found->second;
    if (edited.unsignedInteger) {
        return py::int_(static_cast<uint32_t>(static_cast<int32_t>(edited.value)));
    }
    if (edited.integer) return py::int_(static_cast<long long>(edited.value));
    return py::float_(edited.value);
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
    // The files now hold the edits: a later edit starts from them.
    if (!folder) edits.model.reset();
}

}  // namespace abimport
