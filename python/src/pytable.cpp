#include "pytable.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "../../host/cardfields.h"
#include "pytext.h"
#include "pyviews.h"

namespace abimport {

namespace {

// One card of the name asked for, with its keyword.
struct Row {
    size_t card;  // into DeckData::cards
    const DeckKeyword* keyword;
};

std::vector<Row> rowsNamed(const DeckData& deck, const std::string& name) {
    std::vector<Row> rows;
    for (const DeckKeyword& keyword : deck.keywords) {
        for (size_t n = 0; n < keyword.cardCount; ++n) {
            if (deck.cards[keyword.firstCard + n]->name == name)
                rows.push_back({keyword.firstCard + n, &keyword});
        }
    }
    return rows;
}

// The fields of the card in the description of each keyword the rows come
// from, in layout order: a name not met before goes after the name before
// it. Blank placeholders ("UNUSED") make no column.
std::vector<std::string> layoutOrder(const std::vector<Row>& rows, const std::string& name) {
    std::vector<std::string> order;
    const KeywordDescription* last = nullptr;
    for (const Row& row : rows) {
        if (row.keyword->keyword == last) continue;
        last = row.keyword->keyword;
        const CardDescription* card = cardNamed(*last, name);
        if (!card) continue;
        size_t after = 0;  // where the next new name goes
        for (unsigned i = 0; i < card->fieldCount; ++i) {
            const FieldDescription& field = card->fields[i];
            if (field.type == kBlankRequestCode) continue;
            auto at = std::find(order.begin(), order.end(), field.name);
            if (at == order.end())
                at = order.insert(order.begin() + static_cast<long>(after), field.name);
            after = static_cast<size_t>(at - order.begin()) + 1;
        }
    }
    return order;
}

// The columns: the fields in layout order that some card holds, as a value
// or as an empty field; values without a kept name are "field 1",
// "field 2", ... as Card.to_dict() calls them, after the named ones.
std::vector<std::string> columnNames(const DeckData& deck, const std::vector<Row>& rows,
                                     const std::string& name) {
    std::vector<std::string> mentioned;
    size_t unnamed = 0;
    const Card* previous = nullptr;
    for (const Row& row : rows) {
        const Card& card = *deck.cards[row.card];
        // A run of cards of one layout is looked at once.
        if (previous && card.fieldNames == previous->fieldNames &&
            card.emptyFieldNames == previous->emptyFieldNames &&
            card.fields.size() == previous->fields.size())
            continue;
        previous = &card;
        for (size_t i = 0; i < card.fields.size(); ++i) {
            if (!card.fields[i] || card.fields[i]->typeCode == kBlankCode) continue;
            if (i < card.fieldNames.size())
                mentioned.push_back(card.fieldNames[i]);
            else
                unnamed = std::max(unnamed, i + 1);
        }
        if (!card.fieldNames.empty()) {
            mentioned.insert(mentioned.end(), card.emptyFieldNames.begin(),
                             card.emptyFieldNames.end());
        }
    }
    std::vector<std::string> columns;
    for (const std::string& field : layoutOrder(rows, name)) {
        if (std::find(mentioned.begin(), mentioned.end(), field) != mentioned.end())
            columns.push_back(field);
    }
    for (size_t i = 0; i < unnamed; ++i) columns.push_back(unnamedFieldName(i));
    return columns;
}

// The value of each cell (row-major; null where the card holds none), and
// what each column holds: bit 0 integers, bit 1 doubles, bit 2 anything else.
struct Cells {
    std::vector<const Data*> values;
    std::vector<unsigned> kinds;
};

Cells cellsOf(const DeckData& deck, const std::vector<Row>& rows,
              const std::vector<std::string>& columns) {
    std::unordered_map<std::string, int> columnOf;
    for (size_t c = 0; c < columns.size(); ++c) columnOf.emplace(columns[c], static_cast<int>(c));
    Cells cells{std::vector<const Data*>(rows.size() * columns.size(), nullptr),
                std::vector<unsigned>(columns.size(), 0)};
    std::vector<std::string> lastNames;
    std::vector<int> valueColumns;
    for (size_t r = 0; r < rows.size(); ++r) {
        const Card& card = *deck.cards[rows[r].card];
        const size_t values = card.fields.size();
        // Cards of one layout follow each other: their value columns are found once.
        if (r == 0 || card.fieldNames != lastNames || valueColumns.size() != values) {
            lastNames = card.fieldNames;
            valueColumns.assign(values, -1);
            for (size_t i = 0; i < values; ++i) {
                const Data* value = card.fields[i];
                if (!value || value->typeCode == kBlankCode) continue;
                const auto at = columnOf.find(fieldName(card, i));
                if (at != columnOf.end()) valueColumns[i] = at->second;
            }
        }
        for (size_t i = 0; i < values; ++i) {
            const int c = valueColumns[i];
            if (c < 0) continue;
            const Data*& cell = cells.values[r * columns.size() + static_cast<size_t>(c)];
            if (cell) continue;
            const Data* value = card.fields[i];
            cell = value;
            cells.kinds[static_cast<size_t>(c)] |=
                value->typeCode == kIntegerCode || value->typeCode == kUnsignedCode ? 1u
                : value->typeCode == kDoubleCode                                    ? 2u
                                                                                    : 4u;
        }
    }
    return cells;
}

// Column c as (kind, values, missing): int64 values, float64 with NaN where
// missing, or a list with None where missing.
py::tuple columnOf(const Cells& cells, size_t c, size_t columnCount, size_t rowCount) {
    const auto length = static_cast<py::ssize_t>(rowCount);  // numpy's size type
    const auto cell = [&](size_t r) { return cells.values[r * columnCount + c]; };
    py::array_t<bool> missing(length);
    bool* absent = missing.mutable_data();
    for (size_t r = 0; r < rowCount; ++r) absent[r] = cell(r) == nullptr;
    if (cells.kinds[c] == 1) {
        py::array_t<int64_t> values(length);
        int64_t* out = values.mutable_data();
        for (size_t r = 0; r < rowCount; ++r) {
            const Data* value = cell(r);
            out[r] = !value                            ? 0
                     : value->typeCode == kIntegerCode ? static_cast<const Integer*>(value)->val
                                                       : static_cast<const UInteger*>(value)->val;
        }
        return py::make_tuple("int", values, missing);
    }
    if (cells.kinds[c] == 2) {
        py::array_t<double> values(length);
        double* out = values.mutable_data();
        for (size_t r = 0; r < rowCount; ++r)
            out[r] = cell(r) ? static_cast<const Double*>(cell(r))->val : NAN;
        return py::make_tuple("float", values, missing);
    }
    py::list values;
    for (size_t r = 0; r < rowCount; ++r) values.append(fieldValue(cell(r)));
    return py::make_tuple("object", values, missing);
}

// The line of each card (0 for none), the index of its file, the files, the
// index of its keyword's title and the titles.
py::tuple placesOf(const DeckData& deck, const std::vector<Row>& rows) {
    const auto length = static_cast<py::ssize_t>(rows.size());
    py::array_t<int64_t> lines(length);
    py::array_t<int32_t> fileCodes(length);
    py::list files;
    std::vector<const std::string*> fileNames;
    py::array_t<int32_t> keywordCodes(length);
    py::list titles;
    std::vector<const KeywordDescription*> keywords;  // one title each
    const DeckKeyword* lastKeyword = nullptr;
    int32_t code = 0, keywordCode = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        lines.mutable_data()[r] = static_cast<int64_t>(deck.cardLines.at(rows[r].card));
        if (rows[r].keyword != lastKeyword) {
            lastKeyword = rows[r].keyword;
            const std::string& file = *lastKeyword->file;
            auto at = std::find_if(fileNames.begin(), fileNames.end(),
                                   [&](const std::string* known) { return *known == file; });
            if (at == fileNames.end()) {
                fileNames.push_back(&file);
                files.append(pathText(file));
                at = fileNames.end() - 1;
            }
            code = static_cast<int32_t>(at - fileNames.begin());
            const KeywordDescription* keyword = lastKeyword->keyword;
            auto titleAt = std::find(keywords.begin(), keywords.end(), keyword);
            if (titleAt == keywords.end()) {
                keywords.push_back(keyword);
                titles.append(py::str(keyword->title));
                titleAt = keywords.end() - 1;
            }
            keywordCode = static_cast<int32_t>(titleAt - keywords.begin());
        }
        fileCodes.mutable_data()[r] = code;
        keywordCodes.mutable_data()[r] = keywordCode;
    }
    return py::make_tuple(lines, fileCodes, files, keywordCodes, titles);
}

}  // namespace

py::list cardNames(const DeckData& deck) {
    std::vector<const std::string*> seen;
    py::list out;
    for (const Card* card : deck.cards) {
        const bool known = std::any_of(
            seen.begin(), seen.end(), [&](const std::string* name) { return *name == card->name; });
        if (known) continue;
        seen.push_back(&card->name);
        out.append(deckText(card->name));
    }
    return out;
}

void raiseUnknownCard(const DeckData& deck, const py::str& name) {
    const py::list names = cardNames(deck);
    const std::string held =
        names.empty()
            ? std::string("the deck holds no cards")
            : "its cards are named " + py::str(", ").attr("join")(names).cast<std::string>();
    throw py::key_error("no card named " + py::repr(name).cast<std::string>() + " in " +
                        py::repr(pathText(deck.path)).cast<std::string>() + "; " + held);
}

py::tuple tableColumns(const DeckData& deck, const py::str& name) {
    std::string wanted;
    if (!deckBytes(name, wanted)) raiseUnknownCard(deck, name);
    const std::vector<Row> rows = rowsNamed(deck, wanted);
    if (rows.empty()) raiseUnknownCard(deck, name);
    const std::vector<std::string> columns = columnNames(deck, rows, wanted);
    const Cells cells = cellsOf(deck, rows, columns);
    py::list columnList;
    for (size_t c = 0; c < columns.size(); ++c)
        columnList.append(columnOf(cells, c, columns.size(), rows.size()));
    py::list names;
    for (const std::string& column : columns) names.append(deckText(column));
    const py::tuple places = placesOf(deck, rows);
    return py::make_tuple(names, columnList, places[0], places[1], places[2], places[3], places[4]);
}

}  // namespace abimport
