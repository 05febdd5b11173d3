// Card and CardList as Python classes.
#include <pybind11/stl.h>
#include <strings.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "../../host/cardfields.h"
#include "deckedit.h"
#include "pysequence.h"
#include "pytext.h"
#include "pyviews.h"

namespace abimport {

namespace {

// The index of the field named name (in any case, the exact name first), or
// -1; names exist under flag 0x2.
py::ssize_t fieldIndex(const Card& card, const py::str& key) {
    std::string name;
    if (!deckBytes(key, name)) return -1;
    const size_t count = std::min(card.fieldNames.size(), card.fields.size());
    for (size_t i = 0; i < count; ++i) {
        if (card.fieldNames[i] == name) return static_cast<py::ssize_t>(i);
    }
    for (size_t i = 0; i < count; ++i) {
        if (strcasecmp(card.fieldNames[i].c_str(), name.c_str()) == 0) {
            return static_cast<py::ssize_t>(i);
        }
    }
    return -1;
}

// The keyword a card belongs to.
KeywordView keywordOf(const CardView& view) {
    const auto& keywords = view.deck->keywords;
    const auto keyword =
        std::upper_bound(keywords.begin(), keywords.end(), view.index,
                         [](size_t card, const DeckKeyword& k) { return card < k.firstCard; });
    return {view.deck, static_cast<size_t>(keyword - keywords.begin()) - 1};
}

py::object fieldByName(const CardView& view, const py::str& key) {
    std::string name;
    if (deckBytes(key, name)) {
        if (auto edited = editedField(view, name)) return *edited;
    }
    const Card& card = view.card();
    const py::ssize_t i = fieldIndex(card, key);
    if (i < 0) {
        if (card.fieldNames.empty()) {
            throw py::key_error(key.cast<std::string>() +
                                " (the card kept no field names: read with flag 0x2)");
        }
        throw py::key_error(key.cast<std::string>());
    }
    return fieldValue(card.fields[static_cast<size_t>(i)]);
}

py::list stringList(const std::vector<std::string>& texts) {
    py::list out;
    for (const std::string& text : texts) out.append(deckText(text));
    return out;
}

// Field name to value; fields without a kept name are "field 1", "field 2",
// ... as the tool's warnings call them; blank placeholders are left out.
py::dict cardDict(const Card& card) {
    py::dict out;
    for (size_t i = 0; i < card.fields.size(); ++i) {
        const Data* value = card.fields[i];
        if (!value || value->typeCode == kBlankCode) continue;
        py::str key = deckText(fieldName(card, i));
        if (!out.contains(key)) out[key] = fieldValue(value);
    }
    return out;
}

std::string cardRepr(const CardView& view) {
    const Card& card = view.card();
    std::string out = "<Card " + py::repr(deckText(card.name)).cast<std::string>() + ":";
    for (size_t i = 0; i < card.fields.size(); ++i) {
        const Data* value = card.fields[i];
        if (!value || value->typeCode == kBlankCode) continue;
        out += ' ';
        if (i < card.fieldNames.size())
            out += py::str(deckText(card.fieldNames[i])).cast<std::string>() + "=";
        out += py::repr(fieldValue(value)).cast<std::string>();
    }
    return out + ">";
}

// The keyword's list of the card's fields that took a parameter's value.
py::dict cardParameters(const CardView& view) {
    py::dict out;
    const DeckData& deck = *view.deck;
    // The keyword that holds the card: the last one that starts at or before it.
    const auto keyword =
        std::upper_bound(deck.keywords.begin(), deck.keywords.end(), view.index,
                         [](size_t card, const DeckKeyword& k) { return card < k.firstCard; });
    if (keyword == deck.keywords.begin()) return out;
    const DeckKeyword& holder = *std::prev(keyword);
    if (const CardParameters* fields =
            parametersOf(holder.parameters, view.index - holder.firstCard)) {
        for (const auto& [field, name] : *fields) out[deckText(field)] = deckText(name);
    }
    return out;
}

}  // namespace

py::object fieldValue(const Data* value) {
    if (!value) return py::none();
    switch (value->typeCode) {
        case kUnsignedCode: return py::int_(static_cast<const UInteger*>(value)->val);
        case kIntegerCode: return py::int_(static_cast<const Integer*>(value)->val);
        case kDoubleCode: return py::float_(static_cast<const Double*>(value)->val);
        case kTextCode: {
            const char* text = static_cast<const CharArray*>(value)->val;
            return text ? py::object(deckText(text)) : py::object(py::none());
        }
        default: return py::none();
    }
}

void bindCards(py::module_& module) {
    py::class_<CardView>(module, "Card",
                         "One card of a keyword: its name and its typed field values.")
        .def_property_readonly(
            "name", [](const CardView& v) { return deckText(v.card().name); },
            "The card's name in its keyword's layout, e.g. 'NodeInfo'.")
        .def_property_readonly(
            "field_names", [](const CardView& v) { return stringList(v.card().fieldNames); },
            "The name of each field (empty unless read with flag 0x2).")
        .def_property_readonly(
            "empty_field_names",
            [](const CardView& v) { return stringList(v.card().emptyFieldNames); },
            "The names of the fields that were empty in the deck.")
        .def_property_readonly(
            "values",
            [](const CardView& v) {
                py::list out;
                for (const Data* value : v.card().fields) out.append(fieldValue(value));
                return out;
            },
            "The value of each field: int, float, str, or None for a blank placeholder.")
        .def_property_readonly(
            "types",
            [](const CardView& v) {
                py::list out;
                for (const Data* value : v.card().fields) {
                    out.append(value ? py::object(py::int_(value->typeCode))
                                     : py::object(py::none()));
                }
                return out;
            },
            "The type code of each field: 0 unsigned, 1 integer, 2 double, 5 text, 8 blank.")
        .def_property_readonly(
            "widths",
            [](const CardView& v) {
                py::list out;
                for (const Data* value : v.card().fields) {
                    out.append(value ? py::object(py::int_(value->width)) : py::object(py::none()));
                }
                return out;
            },
            "The width of each field in columns.")
        .def_property_readonly(
            "text",
            [](const CardView& v) {
                std::string text;
                v.card().tostring(text);
                return deckText(text);
            },
            "The card as deck text: a '$' line of names (when kept) and the values.")
        .def_property_readonly("parameters", &cardParameters,
                               "The fields that took a parameter's value: field name to the "
                               "parameter's name as the field gives it (&name).")
        .def_property_readonly(
            "line", [](const CardView& v) { return lineObject(v.deck->cardLines.at(v.index)); },
            "The line of the card in its file, or None where no data line gave it.")
        .def("__getitem__", &fieldByName, py::arg("name"),
             "The value of the field called name; KeyError when the card has no such field.")
        .def("__contains__",
             [](const CardView& v, const py::str& name) { return fieldIndex(v.card(), name) >= 0; })
        .def(
            "get",
            [](const CardView& v, const py::str& name, py::object fallback) {
                std::string key;
                if (deckBytes(name, key)) {
                    if (auto edited = editedField(v, key)) return *edited;
                }
                const py::ssize_t i = fieldIndex(v.card(), name);
                return i < 0 ? fallback : fieldValue(v.card().fields[static_cast<size_t>(i)]);
            },
            py::arg("name"), py::arg("default") = py::none(),
            "The value of the field called name, or default.")
        .def(
            "__setitem__",
            [](const CardView& v, const py::str& name, const py::handle& value) {
                setFieldValue(v, name, value, false);
            },
            py::arg("name"), py::arg("value"),
            "Sets the field called name (in any case) to a number, written as its exact "
            "decimal text that fits the field's columns; ValueError naming the closest text "
            "where none fits. See Card.set and Deck.save.")
        .def("set", &setFieldValue, py::arg("name"), py::arg("value"), py::arg("round") = false,
             "Sets the field called name to a number as card[name] = value does; with "
             "round=True, where no exact text fits, the closest that fits. Returns the value "
             "the field reads as now.")
        .def("set_text", &setFieldText, py::arg("name"), py::arg("text"), py::arg("round") = false,
             "Sets the field called name to text: kept as given where it is a decimal that "
             "fits the field and reads back as the number it says, else the number's exact "
             "text; '' blanks the field of a fixed-form line. Returns the value the field "
             "reads as now (None for an empty field). See Deck.save.")
        .def_property_readonly(
            "file", [](const CardView& v) { return pathText(*keywordOf(v).keyword().file); },
            "The file the card was read from.")
        .def_property_readonly("keyword", &keywordOf,
                               "The Keyword the card belongs to (its title, file, line and cards).")
        .def(
            "keys", [](const CardView& v) { return cardDict(v.card()).attr("keys")(); },
            "The names of its fields, as to_dict() has them.")
        .def(
            "__iter__",
            [](const CardView& v) { return py::iter(cardDict(v.card()).attr("items")()); },
            "Its fields as (name, value) pairs, as to_dict() has them.")
        .def("__len__", [](const CardView& v) { return v.card().fields.size(); })
        .def(
            "to_dict", [](const CardView& v) { return cardDict(v.card()); },
            "Field name to value, without blank placeholders; without kept names the keys are "
            "'field 1', 'field 2', ...")
        .def("__repr__", &cardRepr);

    bindSequence<CardRange>(module, "CardList", "_CardIterator",
                            "The cards of a keyword, in the order they were built.");
}

}  // namespace abimport
