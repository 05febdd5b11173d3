#include "pytable.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "host/fieldsinline.h"
#include "pytext.h"
#include "pyviews.h"

namespace abimport {

namespace {

// The card's field names in line order: its values' names with the empty
// fields between them, then the empty fields after them. Values without a
// kept name are "field 1", "field 2", ... as Card.to_dict() calls them.
// Blank placeholders get no name (column -1 later).
std::vector<std::string> namesInLineOrder(const Card& card, const EmptyFields* gaps) {
    std::vector<std::string> names;
    size_t empty = 0;
    const bool named = !card.fieldNames.empty();
    forEachFieldInLine(card, gaps, false, [&](const FieldInLine& field) {
        if (!field.value) {
            if (named && field.name) names.push_back(*field.name);
            ++empty;
        } else if (field.value->typeCode == kBlankCode) {
            names.emplace_back();
        } else {
            names.push_back(field.name ? *field.name : "field " + std::to_string(field.index + 1));
        }
    });
    for (; named && empty < card.emptyFieldNames.size(); ++empty)
        names.push_back(card.emptyFieldNames[empty]);
    return names;
}

const EmptyFields* gapsOf(const DeckKeyword& keyword, size_t n) {
    auto at = std::lower_bound(keyword.gaps.begin(), keyword.gaps.end(), n,
                               [](const auto& entry, size_t card) { return entry.first < card; });
    return at != keyword.gaps.end() && at->first == n ? &at->second : nullptr;
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
    // The cards of that name, with their keyword.
    struct Row {
        size_t card;
        const DeckKeyword* keyword;
        size_t n;  // among the keyword's cards
    };
    std::vector<Row> rows;
    for (const DeckKeyword& keyword : deck.keywords) {
        for (size_t n = 0; n < keyword.cardCount; ++n) {
            if (deck.cards[keyword.firstCard + n]->name == wanted) {
                rows.push_back({keyword.firstCard + n, &keyword, n});
            }
        }
    }
    if (rows.empty()) raiseUnknownCard(deck, name);

    // The columns in layout order: each card's names in line order, a name
    // not seen before placed after the name before it.
    std::vector<std::string> columns;
    const Card* previous = nullptr;
    const EmptyFields* previousGaps = nullptr;
    for (size_t r = 0; r < rows.size(); ++r) {
        const Card& card = *deck.cards[rows[r].card];
        const EmptyFields* gaps = gapsOf(*rows[r].keyword, rows[r].n);
        // A run of cards of one layout has its names placed once.
        const bool same = previous && !gaps && !previousGaps &&
                          card.fieldNames == previous->fieldNames &&
                          card.emptyFieldNames == previous->emptyFieldNames &&
                          card.fields.size() == previous->fields.size();
        previous = &card;
        previousGaps = gaps;
        if (same) continue;
        const std::vector<std::string> names = namesInLineOrder(card, gaps);
        size_t after = 0;  // where the next new name goes
        for (const std::string& field : names) {
            if (field.empty()) continue;
            auto at = std::find(columns.begin(), columns.end(), field);
            if (at == columns.end())
                at = columns.insert(columns.begin() + static_cast<long>(after), field);
            after = static_cast<size_t>(at - columns.begin()) + 1;
        }
    }
    std::unordered_map<std::string, int> columnOf;
    for (size_t c = 0; c < columns.size(); ++c) columnOf.emplace(columns[c], static_cast<int>(c));

    // The value of each cell, typed by what the column holds.
    const size_t count = rows.size();
    const auto length = static_cast<py::ssize_t>(count);  // numpy's size type
    std::vector<const Data*> cells(count * columns.size(), nullptr);
    std::vector<unsigned> kinds(columns.size(), 0);  // bit 0 integer, 1 double, 2 other
    std::vector<std::string> lastNames;
    std::vector<int> valueColumns;
    for (size_t r = 0; r < count; ++r) {
        const Card& card = *deck.cards[rows[r].card];
        const size_t values = card.fields.size();
        // Cards of one layout follow each other: their value columns are found once.
        if (r == 0 || card.fieldNames != lastNames || valueColumns.size() != values) {
            lastNames = card.fieldNames;
            valueColumns.assign(values, -1);
            for (size_t i = 0; i < values; ++i) {
                const Data* value = card.fields[i];
                if (!value || value->typeCode == kBlankCode) continue;
                const std::string field = i < card.fieldNames.size()
                                              ? card.fieldNames[i]
                                              : "field " + std::to_string(i + 1);
                valueColumns[i] = columnOf.at(field);
            }
        }
        for (size_t i = 0; i < values; ++i) {
            const int c = valueColumns[i];
            if (c < 0 || cells[r * columns.size() + static_cast<size_t>(c)]) continue;
            const Data* value = card.fields[i];
            cells[r * columns.size() + static_cast<size_t>(c)] = value;
            kinds[static_cast<size_t>(c)] |=
                value->typeCode == kIntegerCode || value->typeCode == kUnsignedCode ? 1u
                : value->typeCode == kDoubleCode                                    ? 2u
                                                                                    : 4u;
        }
    }

    py::list columnList;
    for (size_t c = 0; c < columns.size(); ++c) {
        py::array_t<bool> missing(length);
        bool* absent = missing.mutable_data();
        for (size_t r = 0; r < count; ++r) absent[r] = cells[r * columns.size() + c] == nullptr;
        auto cell = [&](size_t r) { return cells[r * columns.size() + c]; };
        if (kinds[c] == 1) {
            py::array_t<int64_t> values(length);
            int64_t* out = values.mutable_data();
            for (size_t r = 0; r < count; ++r) {
                const Data* value = cell(r);
                out[r] = !value ? 0
                         : value->typeCode == kIntegerCode
                             ? static_cast<const Integer*>(value)->val
                             : static_cast<const UInteger*>(value)->val;
            }
            columnList.append(py::make_tuple("int", values, missing));
        } else if (kinds[c] == 2) {
            py::array_t<double> values(length);
            double* out = values.mutable_data();
            for (size_t r = 0; r < count; ++r) {
                out[r] = cell(r) ? static_cast<const Double*>(cell(r))->val : NAN;
            }
            columnList.append(py::make_tuple("float", values, missing));
        } else {
            py::list values;
            for (size_t r = 0; r < count; ++r) values.append(fieldValue(cell(r)));
            columnList.append(py::make_tuple("object", values, missing));
        }
    }

    py::array_t<int64_t> lines(length);
    py::array_t<int32_t> fileCodes(length);
    py::list files;
    std::vector<const std::string*> fileNames;
    // The keyword of each row, as a code into its titles.
    py::array_t<int32_t> keywordCodes(length);
    py::list titles;
    std::vector<const char*> titleNames;
    const DeckKeyword* lastKeyword = nullptr;
    int32_t code = 0, keywordCode = 0;
    for (size_t r = 0; r < count; ++r) {
        lines.mutable_data()[r] = static_cast<int64_t>(deck.cardLines.at(rows[r].card));
        fileCodes.mutable_data()[r] = code;
        keywordCodes.mutable_data()[r] = keywordCode;
        if (rows[r].keyword == lastKeyword) continue;
        lastKeyword = rows[r].keyword;
        const char* title = lastKeyword->keyword->title;
        auto titleAt = std::find_if(titleNames.begin(), titleNames.end(), [&](const char* seen) {
            return std::strcmp(seen, title) == 0;
        });
        if (titleAt == titleNames.end()) {
            titleNames.push_back(title);
            titles.append(py::str(title));
            titleAt = titleNames.end() - 1;
        }
        keywordCode = static_cast<int32_t>(titleAt - titleNames.begin());
        keywordCodes.mutable_data()[r] = keywordCode;
        const std::string& file = *lastKeyword->file;
        auto at = std::find_if(fileNames.begin(), fileNames.end(),
                               [&](const std::string* known) { return *known == file; });
        if (at == fileNames.end()) {
            fileNames.push_back(&file);
            files.append(pathText(file));
            at = fileNames.end() - 1;
        }
        code = static_cast<int32_t>(at - fileNames.begin());
        fileCodes.mutable_data()[r] = code;
    }
    py::list names;
    for (const std::string& column : columns) names.append(deckText(column));
    return py::make_tuple(names, columnList, lines, fileCodes, files, keywordCodes, titles);
}

}  // namespace abimport
