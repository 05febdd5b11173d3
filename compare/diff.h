// Comparing the airbag keywords of two imported models: what changed in the
// values, not in the text. Keywords pair by title and, among keywords of one
// title, by the ID of their first card where they have one, else by order;
// cards within a keyword pair by name and order; the nodes and shells of the
// geometry keywords by their NID or EID. Formatting, comments, include layout
// and line numbers are no changes.
//
// A model keeps what the comparison needs of each keyword. Nodes and shells
// are kept as compact rows (40 and 32 bytes), so that a geometry of a million
// nodes can be compared without holding the cards of both models at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../host/deckimport.h"
#include "../model/card.h"

namespace abimport {

// One node of a reference geometry keyword, or one shell of a shell
// reference geometry: its NID or EID and the values after it.
template <class Value, size_t N>
struct DiffRow {
    int32_t id;
    Value values[N];
    unsigned long long line;  // 0 where no data line gave it
};
using NodeRow = DiffRow<double, 3>;    // X, Y, Z
using ShellRow = DiffRow<int32_t, 5>;  // PID, N1 to N4

struct DiffKeyword {
    const KeywordDescription* keyword;
    std::shared_ptr<const std::string> file;
    unsigned long long line;
    bool hasId = false;  // the ID of its first card, where it carries one
    long long id = 0;
    size_t firstCard = 0, cardCount = 0;  // into DiffModel::cards
    size_t firstRow = 0, rowCount = 0;    // into nodes or shells, ascending by ID
};

struct DiffCard {
    const Card* card;
    unsigned long long line;  // 0 where no data line gave it
    // Its fields that took a parameter's value; null for none.
    const CardParameters* parameters = nullptr;
};

// A parameter that airbag fields of the model took their values from.
struct DiffParameter {
    std::string key;  // what pairs it: its name in upper case, and for a _LOCAL one its file
    std::string name;
    bool text = false;  // a character parameter: chars, not number
    double number = 0;
    std::string chars;
    std::shared_ptr<const std::string> file;
    unsigned long long line = 0;
};

class DiffModel {
public:
    DiffModel() = default;
    ~DiffModel();
    DiffModel(const DiffModel&) = delete;
    DiffModel& operator=(const DiffModel&) = delete;

    // Adds one imported keyword with its count cards (nulls skipped) and
    // their lines (lines[i] for cards[i]; 0 past its end). Nodes and shells
    // become rows. With adopt, the model takes the cards over: it deletes
    // the rows' cards at once and the others with itself, and the caller
    // drops them from its list; without, the caller keeps them alive while
    // the model is in use.
    // parameters: the cards (by index among cards) with fields that took a
    // parameter's value, as ImportedKeyword gives them.
    void addKeyword(
        const KeywordSource& source, Card* const* cards, size_t count,
        const std::vector<unsigned long long>& lines, bool adopt,
        const std::vector<std::pair<size_t, CardParameters>>* fieldParameters = nullptr);
    // The model's parameters that airbag fields used (uses: by definition).
    void addParameters(const std::vector<ParameterDefinition>& definitions,
                       const std::vector<size_t>& uses);

    std::vector<DiffKeyword> keywords;
    std::vector<DiffCard> cards;
    std::vector<NodeRow> nodes;
    std::vector<ShellRow> shells;
    std::vector<DiffParameter> parameters;

private:
    std::vector<Card*> owned_;
    std::deque<CardParameters> cardParameters_;  // what cards point to
};

// Takes each keyword's cards over from the deck loop's import target into a
// model as the loop ends it (DiffModel::addKeyword with adopt), so that the
// target only ever holds the keyword being read.
// The model's parameters go in with addParameters after the import.
class DiffRecorder : public DeckObserver {
public:
    DiffRecorder(DiffModel& model, ImportObject& target) : model_(model), target_(target) {}
    void keywordEnds(const ImportedKeyword& keyword) override;

private:
    DiffModel& model_;
    ImportObject& target_;
};

// A value as compared: a number, a text, or none (a blank field, or one the
// card does not hold).
struct DiffValue {
    enum Kind { None, Integer, Real, Text } kind = None;
    long long integer = 0;
    double real = 0;
    std::string_view text;
};

// Where a keyword or card stands in one model; file null where it is absent.
struct DiffPlace {
    const std::string* file = nullptr;
    unsigned long long line = 0;  // 0: no line (a card made at the end of a file)
};

struct DiffChange {
    enum Kind {
        Value,      // a field's value changed
        Added,      // a keyword or card is only in the new model
        Removed,    // only in the old one
        Geometry,   // the nodes or shells of a keyword, counted
        Parameter,  // the value of a parameter that airbag fields took (keyword null)
    };
    Kind kind;
    const DiffKeyword* keyword;  // the old model's keyword, or the new one's when added
    std::string_view card;       // empty: the whole keyword
    size_t number = 0;  // among its keyword's cards of that name, from 1; 0 when it is the only one
    bool hasRowId = false;  // a node or shell: its NID or EID
    std::string_view rowIdName;
    long long rowId = 0;
    std::string_view field;      // for Parameter: the parameter's name
    std::string_view parameter;  // Value: the parameter the field took its value from, if any
    DiffValue before, after;
    DiffPlace from, to;
    // Geometry: rows of the old keyword, changed, added and removed; for
    // nodes, the largest distance a node moved and that node's NID.
    std::string_view rowNoun;  // "nodes" or "shells"
    size_t rows = 0, changed = 0, added = 0, removed = 0;
    double largest = 0;
    long long largestId = 0;
};

// Receives the changes in the order of the new model (removed keywords where
// they stood).
class DiffSink {
public:
    virtual ~DiffSink();
    virtual void change(const DiffChange& change) = 0;
    // Whether each changed, added or removed node and shell is wanted as a
    // change of its own besides the Geometry count of its keyword.
    virtual bool wantsRows() const { return false; }
};

struct DiffSettings {
    // Doubles a and b are equal when |a - b| <= tolerance * max(|a|, |b|) or
    // |a - b| <= absTolerance: within the larger of the two.
    double tolerance = 0;
    double absTolerance = 0;
};

// Compares two models and hands each change to sink, the parameters that
// changed first; returns whether any was found.
bool compareModels(const DiffModel& before, const DiffModel& after, const DiffSettings& settings,
                   DiffSink& sink);

// The ID field of a keyword's first card, as named in the output ("SID",
// "AB1", "BAGID1"); null for keywords paired by order only.
const char* keywordIdName(const KeywordDescription& keyword);

}  // namespace abimport
