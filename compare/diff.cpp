#include "diff.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <type_traits>
#include <unordered_map>

#include "../host/cardfields.h"

namespace abimport {

using namespace detail;

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

template <class Row>
void sortById(std::vector<Row>& rows, size_t first) {
    const auto byId = [](const Row& a, const Row& b) { return a.id < b.id; };
    const auto begin = rows.begin() + static_cast<std::ptrdiff_t>(first);
    // Nodes are mostly numbered in order already; a stable sort keeps
    // duplicate IDs in deck order, so that they pair in order.
    if (!std::is_sorted(begin, rows.end(), byId)) std::stable_sort(begin, rows.end(), byId);
}

// Room for count more rows, each card of a keyword being one: a large
// geometry gets its array at once instead of growing it by doubling, which
// holds the old and the new array together for a moment; many small
// keywords still grow it geometrically.
template <class Row>
void makeRoom(std::vector<Row>& rows, size_t count) {
    if (rows.capacity() - rows.size() < count)
        rows.reserve(std::max(rows.size() + count, rows.capacity() * 3 / 2));
}

// The names of a node or shell list card and of its fields, taken once per
// keyword from its description.
template <class Row>
struct RowCard {
    static constexpr size_t kValues = sizeof(Row::values) / sizeof(Row::values[0]);
    explicit RowCard(const CardDescription& card) : name(card.name) {
        for (size_t i = 0; i <= kValues; ++i) fields[i] = card.fields[i].name;
    }
    std::string_view name;
    std::string_view fields[kValues + 1];  // the ID, then the values
};

// A node or shell card as a row: false for another card. A row whose ID
// field is empty pairs with one whose ID is 0, as values read blank and 0
// alike.
template <class Row>
bool takeRow(const Card& card, unsigned long long line, const RowCard<Row>& layout,
             std::vector<Row>& rows) {
    if (!sameText(card.name, layout.name)) return false;
    int32_t id;
    if (!integerOf(fieldOf(card, layout.fields[0], 0), id)) id = 0;
    Row row{id, {}, line};
    for (size_t i = 0; i < RowCard<Row>::kValues; ++i) {
        const Data* value = fieldOf(card, layout.fields[1 + i], 1 + i);
        if constexpr (std::is_floating_point_v<std::remove_reference_t<decltype(row.values[0])>>) {
            row.values[i] = numberOf(value, 0.0);
        } else {
            row.values[i] = integerOr0(value);
        }
    }
    rows.push_back(row);
    return true;
}

// The row card of a keyword's card with that role, if it has one.
template <class Row>
std::optional<RowCard<Row>> rowCard(const KeywordDescription& keyword, CardRole role) {
    const CardDescription* card = cardWithRole(keyword, role);
    return card ? std::optional<RowCard<Row>>(*card) : std::nullopt;
}

}  // namespace

const char* keywordIdName(const KeywordDescription& keyword) {
    const FieldDescription* id =
        keyword.cardCount ? fieldWithRole(keyword.cards[0], FieldRole::KeywordId) : nullptr;
    return id ? id->name : nullptr;
}

DiffModel::~DiffModel() {
    for (Card* card : owned_) delete card;
}

void DiffModel::addParameters(const std::vector<ParameterDefinition>& definitions,
                              const std::vector<size_t>& uses) {
    for (size_t i = 0; i < definitions.size(); ++i) {
        const ParameterDefinition& definition = definitions[i];
        if (i >= uses.size() || uses[i] == 0) continue;
        DiffParameter parameter;
        parameter.key = parameterKey(definition.name);
        if (definition.local) parameter.key += " " + *definition.path;
        parameter.name = definition.name;
        parameter.text = definition.type == 'C';
        parameter.number = definition.number;
        parameter.chars = definition.chars;
        parameter.file = definition.path;
        parameter.line = definition.line;
        parameters.push_back(std::move(parameter));
    }
}

void DiffModel::addKeyword(const KeywordSource& source, Card* const* list, size_t count,
                           const std::vector<unsigned long long>& lines, bool adopt,
                           const std::vector<std::pair<size_t, CardParameters>>* fieldParameters) {
    DiffKeyword keyword{&source.keyword, source.file.path, source.line};
    keyword.firstCard = cards.size();
    const auto nodeCard = rowCard<NodeRow>(source.keyword, CardRole::NodeList);
    const auto shellCard = rowCard<ShellRow>(source.keyword, CardRole::ShellList);
    const bool nodeKeyword = nodeCard.has_value(), shellKeyword = shellCard.has_value();
    keyword.firstRow = nodeKeyword ? nodes.size() : shells.size();
    if (nodeKeyword) makeRoom(nodes, count);
    if (shellKeyword) makeRoom(shells, count);
    bool first = true;
    for (size_t i = 0; i < count; ++i) {
        Card* card = list[i];
        if (!card) continue;
        if (first) {
            first = false;
            int32_t id;
            // An empty ID field pairs as 0, as values read blank and 0 alike.
            if (const char* idName = keywordIdName(source.keyword)) {
                keyword.hasId = true;
                keyword.id = integerOf(fieldOf(*card, idName, 0), id) ? id : 0;
            }
        }
        const unsigned long long line = i < lines.size() ? lines[i] : 0;
        // A card without fields made where a file ends inside the keyword
        // holds nothing: whether the keyword is last in its file is layout.
        if (card->fields.empty() && line == 0) {
            if (adopt) owned_.push_back(card);
            continue;
        }
        const bool row = (nodeCard && takeRow(*card, line, *nodeCard, nodes)) ||
                         (shellCard && takeRow(*card, line, *shellCard, shells));
        if (row) {
            if (adopt) delete card;
            continue;
        }
        cards.push_back({card, line});
        if (adopt) owned_.push_back(card);
        if (const CardParameters* fields =
                fieldParameters ? parametersOf(*fieldParameters, i) : nullptr) {
            cardParameters_.push_back(*fields);
            cards.back().parameters = &cardParameters_.back();
        }
    }
    keyword.cardCount = cards.size() - keyword.firstCard;
    if (nodeKeyword) {
        keyword.rowCount = nodes.size() - keyword.firstRow;
        sortById(nodes, keyword.firstRow);
    } else if (shellKeyword) {
        keyword.rowCount = shells.size() - keyword.firstRow;
        sortById(shells, keyword.firstRow);
    }
    keywords.push_back(std::move(keyword));
}

void DiffRecorder::keywordEnds(const ImportedKeyword& keyword) {
    std::vector<Card*>& list = target_.cards;
    const size_t first = keyword.firstCard;
    model_.addKeyword(keyword.source, list.data() + first, list.size() - first, keyword.cardLines,
                      true, &keyword.parameters);
    list.resize(first);
}

DiffSink::~DiffSink() = default;

namespace {

DiffValue valueOf(const Data* data) {
    DiffValue value;
    switch (data ? data->typeCode : kBlankCode) {
        case kIntegerCode:
            value.kind = DiffValue::Integer;
            value.integer = static_cast<const Integer*>(data)->val;
            break;
        case kUnsignedCode:
            value.kind = DiffValue::Integer;
            value.integer = static_cast<const UInteger*>(data)->val;
            break;
        case kDoubleCode:
            value.kind = DiffValue::Real;
            value.real = static_cast<const Double*>(data)->val;
            break;
        case kTextCode: {
            const char* text = static_cast<const CharArray*>(data)->val;
            value.kind = DiffValue::Text;
            value.text = text ? std::string_view(text) : std::string_view();
            break;
        }
        default: break;
    }
    return value;
}

// The rows of two paired keywords, each sorted by ID.
template <class Row>
struct RowRanges {
    const DiffKeyword& a;
    const DiffKeyword& b;
    const Row* before;  // a.rowCount rows
    const Row* after;   // b.rowCount rows

    // Walks both by ID: removed(x) for a row only before, added(y) for one
    // only after, paired(x, y) for the rows of one ID.
    template <class Removed, class Added, class Paired>
    void walk(Removed removed, Added added, Paired paired) const {
        const Row *x = before, *xEnd = before + a.rowCount;
        const Row *y = after, *yEnd = after + b.rowCount;
        while (x != xEnd || y != yEnd) {
            if (y == yEnd || (x != xEnd && x->id < y->id)) {
                removed(*x++);
            } else if (x == xEnd || y->id < x->id) {
                added(*y++);
            } else {
                paired(*x++, *y++);
            }
        }
    }
};

class Comparison {
public:
    Comparison(const DiffModel& before, const DiffModel& after, const DiffSettings& settings,
               DiffSink& sink)
        : before_(before),
          after_(after),
          tolerance_(settings.tolerance),
          absTolerance_(settings.absTolerance),
          sink_(sink),
          rows_(sink.wantsRows()) {}

    bool run();

private:
    bool sameReal(double a, double b) const {
        if (a == b || (std::isnan(a) && std::isnan(b))) return true;
        const double difference = std::fabs(a - b);
        return difference <= absTolerance_ ||
               (tolerance_ > 0 && difference <= tolerance_ * std::max(std::fabs(a), std::fabs(b)));
    }
    bool sameValue(const DiffValue& a, const DiffValue& b) const;
    void emit(DiffChange& change) {
        found_ = true;
        sink_.change(change);
    }
    DiffChange keywordChange(DiffChange::Kind kind, const DiffKeyword& keyword) const;
    void compareKeywords(const DiffKeyword& a, const DiffKeyword& b);
    void compareCards(const DiffKeyword& a, const DiffKeyword& b);
    void compareFields(const DiffChange& where, const DiffCard& a, const DiffCard& b);
    void compareParameters();
    // The nodes or shells of two paired keywords: their count of changes,
    // then, when the sink wants them, each row changed, added or removed.
    template <class Row>
    void compareRows(const DiffKeyword& a, const DiffKeyword& b, const std::vector<Row>& before,
                     const std::vector<Row>& after, const CardDescription& card);
    template <class Row>
    void countRowChanges(const RowRanges<Row>& rows, DiffChange& count) const;
    template <class Row>
    void emitRowChanges(const RowRanges<Row>& rows, const RowCard<Row>& card,
                        const DiffChange& count);

    const DiffModel& before_;
    const DiffModel& after_;
    double tolerance_;
    double absTolerance_;
    DiffSink& sink_;
    bool rows_;
    bool found_ = false;
};

bool Comparison::sameValue(const DiffValue& a, const DiffValue& b) const {
    // A field that a line ends before is blank, and blank columns read as 0
    // (or empty text): a value of 0 is no change from none.
    if (a.kind == DiffValue::None || b.kind == DiffValue::None) {
        const DiffValue& other = a.kind == DiffValue::None ? b : a;
        switch (other.kind) {
            case DiffValue::None: return true;
            case DiffValue::Integer: return other.integer == 0;
            case DiffValue::Real: return other.real == 0;
            case DiffValue::Text: return other.text.empty();
        }
    }
    if (a.kind == DiffValue::Real || b.kind == DiffValue::Real) {
        const auto number = [](const DiffValue& v) {
            return v.kind == DiffValue::Real ? v.real : static_cast<double>(v.integer);
        };
        const auto numeric = [](const DiffValue& v) {
            return v.kind == DiffValue::Real || v.kind == DiffValue::Integer;
        };
        return numeric(a) && numeric(b) && sameReal(number(a), number(b));
    }
    if (a.kind != b.kind) return false;
    if (a.kind == DiffValue::Integer) return a.integer == b.integer;
    return a.kind != DiffValue::Text || a.text == b.text;
}

// Keywords of a model sorted by what pairs them: title, then ID where they
// have one; keywords of equal keys stay in deck order.
std::vector<size_t> pairingOrder(const DiffModel& model) {
    std::vector<size_t> order(model.keywords.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const DiffKeyword& x = model.keywords[a];
        const DiffKeyword& y = model.keywords[b];
        return std::make_tuple(x.keyword->code, x.hasId, x.id) <
               std::make_tuple(y.keyword->code, y.hasId, y.id);
    });
    return order;
}

void Comparison::compareParameters() {
    for (const DiffParameter& y : after_.parameters) {
        for (const DiffParameter& x : before_.parameters) {
            if (x.key != y.key) continue;
            DiffChange change{};
            change.kind = DiffChange::Parameter;
            change.field = y.name;
            change.before.kind = change.after.kind = x.text ? DiffValue::Text : DiffValue::Real;
            change.before.real = x.number;
            change.before.text = x.chars;
            change.after.kind = y.text ? DiffValue::Text : DiffValue::Real;
            change.after.real = y.number;
            change.after.text = y.chars;
            change.from = {x.file.get(), x.line};
            change.to = {y.file.get(), y.line};
            if (!sameValue(change.before, change.after)) emit(change);
            break;
        }
    }
}

bool Comparison::run() {
    compareParameters();
    const auto& a = before_.keywords;
    const auto& b = after_.keywords;
    const std::vector<size_t> orderA = pairingOrder(before_), orderB = pairingOrder(after_);
    std::vector<size_t> partnerOfA(a.size(), kNone), partnerOfB(b.size(), kNone);
    const auto key = [](const DiffKeyword& k) {
        return std::make_tuple(k.keyword->code, k.hasId, k.id);
    };
    for (size_t i = 0, j = 0; i < orderA.size() && j < orderB.size();) {
        const auto x = key(a[orderA[i]]), y = key(b[orderB[j]]);
        if (x < y) {
            ++i;
        } else if (y < x) {
            ++j;
        } else {
            partnerOfA[orderA[i]] = orderB[j];
            partnerOfB[orderB[j]] = orderA[i];
            ++i, ++j;
        }
    }
    // The new model's order; a removed keyword goes before the keyword that
    // follows, in the new model, the last paired keyword before it.
    struct Step {
        size_t at, tie, before, after;
        bool operator<(const Step& other) const {
            return std::tie(at, tie, before) < std::tie(other.at, other.tie, other.before);
        }
    };
    std::vector<Step> steps;
    size_t anchor = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (partnerOfA[i] == kNone) {
            steps.push_back({anchor, 0, i, kNone});
        } else {
            anchor = partnerOfA[i] + 1;
        }
    }
    for (size_t j = 0; j < b.size(); ++j) steps.push_back({j, 1, partnerOfB[j], j});
    std::sort(steps.begin(), steps.end());
    for (const Step& step : steps) {
        if (step.after == kNone) {
            DiffChange change = keywordChange(DiffChange::Removed, a[step.before]);
            emit(change);
        } else if (step.before == kNone) {
            DiffChange change = keywordChange(DiffChange::Added, b[step.after]);
            emit(change);
        } else {
            compareKeywords(a[step.before], b[step.after]);
        }
    }
    return found_;
}

DiffChange Comparison::keywordChange(DiffChange::Kind kind, const DiffKeyword& keyword) const {
    DiffChange change{};
    change.kind = kind;
    change.keyword = &keyword;
    DiffPlace& place = kind == DiffChange::Added ? change.to : change.from;
    place = {keyword.file.get(), keyword.line};
    return change;
}

void Comparison::compareKeywords(const DiffKeyword& a, const DiffKeyword& b) {
    compareCards(a, b);
    if (const CardDescription* nodes = cardWithRole(*a.keyword, CardRole::NodeList)) {
        compareRows(a, b, before_.nodes, after_.nodes, *nodes);
    } else if (const CardDescription* shells = cardWithRole(*a.keyword, CardRole::ShellList)) {
        compareRows(a, b, before_.shells, after_.shells, *shells);
    }
}

void Comparison::compareCards(const DiffKeyword& a, const DiffKeyword& b) {
    const DiffCard* cardsA = before_.cards.data() + a.firstCard;
    const DiffCard* cardsB = after_.cards.data() + b.firstCard;
    // The cards of the new keyword by name, in order, and how many of each
    // name the old one has.
    std::unordered_map<std::string_view, std::vector<size_t>> byName;
    std::unordered_map<std::string_view, size_t> countA;
    for (size_t j = 0; j < b.cardCount; ++j) byName[cardsB[j].card->name].push_back(j);
    for (size_t i = 0; i < a.cardCount; ++i) ++countA[cardsA[i].card->name];
    const auto numbered = [&](std::string_view name) {
        const auto found = byName.find(name);
        return countA[name] > 1 || (found != byName.end() && found->second.size() > 1);
    };
    std::vector<bool> paired(b.cardCount, false);
    std::unordered_map<std::string_view, size_t> seenA;
    DiffChange where{};
    where.keyword = &a;
    for (size_t i = 0; i < a.cardCount; ++i) {
        const DiffCard& card = cardsA[i];
        where.card = card.card->name;
        const size_t k = seenA[where.card]++;
        where.number = numbered(where.card) ? k + 1 : 0;
        where.from = {a.file.get(), card.line};
        const auto found = byName.find(where.card);
        if (found == byName.end() || k >= found->second.size()) {
            DiffChange change = where;
            change.kind = DiffChange::Removed;
            emit(change);
            continue;
        }
        const size_t j = found->second[k];
        paired[j] = true;
        where.to = {b.file.get(), cardsB[j].line};
        compareFields(where, card, cardsB[j]);
        where.to = {};
    }
    std::unordered_map<std::string_view, size_t> seenB;
    for (size_t j = 0; j < b.cardCount; ++j) {
        const size_t k = seenB[cardsB[j].card->name]++;
        if (paired[j]) continue;
        DiffChange change{};
        change.kind = DiffChange::Added;
        change.keyword = &b;
        change.card = cardsB[j].card->name;
        change.number = numbered(change.card) ? k + 1 : 0;
        change.to = {b.file.get(), cardsB[j].line};
        emit(change);
    }
}

// Fields pair by name where the cards kept their names (a blank field is
// absent from its card), by position otherwise. Blank placeholders hold nothing.
void Comparison::compareFields(const DiffChange& where, const DiffCard& cardA,
                               const DiffCard& cardB) {
    const Card& a = *cardA.card;
    const Card& b = *cardB.card;
    // The parameter a field took its value from, in the new card or the old.
    const auto parameterOf = [&](const std::string& name) -> std::string_view {
        for (const DiffCard* card : {&cardB, &cardA}) {
            if (!card->parameters) continue;
            for (const auto& [field, parameter] : *card->parameters)
                if (field == name) return parameter;
        }
        return {};
    };
    static const std::string kUnnamed;
    const auto nameOf = [](const Card& card, size_t i) -> const std::string& {
        return card.fieldNames.size() == card.fields.size() ? card.fieldNames[i] : kUnnamed;
    };
    const auto filled = [](const Card& card, size_t i) {
        return card.fields[i]->typeCode != kBlankCode;
    };
    const auto named = [&](const Card& card) {
        return !card.fields.empty() && !nameOf(card, 0).empty();
    };
    const bool byName = named(a) || named(b);
    std::vector<bool> paired(b.fields.size(), false);
    DiffChange change = where;
    change.kind = DiffChange::Value;
    std::string positionName;
    const auto report = [&](const std::string& name, size_t position, const Data* x,
                            const Data* y) {
        change.before = valueOf(x);
        change.after = valueOf(y);
        if (sameValue(change.before, change.after)) return;
        if (name.empty()) positionName = unnamedFieldName(position);
        change.field = name.empty() ? std::string_view(positionName) : std::string_view(name);
        change.parameter = name.empty() ? std::string_view() : parameterOf(name);
        emit(change);
    };
    for (size_t i = 0; i < a.fields.size(); ++i) {
        if (!filled(a, i)) continue;
        const std::string& name = nameOf(a, i);
        size_t j = byName ? 0 : i;
        if (byName) {
            while (j < b.fields.size() && (paired[j] || nameOf(b, j) != name)) ++j;
        }
        const Data* other = j < b.fields.size() && filled(b, j) ? b.fields[j] : nullptr;
        if (j < b.fields.size()) paired[j] = true;
        report(name, i, a.fields[i], other);
    }
    for (size_t j = 0; j < b.fields.size(); ++j) {
        if (!paired[j] && filled(b, j)) report(nameOf(b, j), j, nullptr, b.fields[j]);
    }
}

template <class Value>
DiffValue rowValue(Value value) {
    DiffValue out;
    if constexpr (std::is_floating_point_v<Value>) {
        out.kind = DiffValue::Real;
        out.real = value;
    } else {
        out.kind = DiffValue::Integer;
        out.integer = value;
    }
    return out;
}

template <class Row>
void Comparison::compareRows(const DiffKeyword& a, const DiffKeyword& b,
                             const std::vector<Row>& before, const std::vector<Row>& after,
                             const CardDescription& card) {
    const RowCard<Row> layout(card);
    DiffChange count = keywordChange(DiffChange::Geometry, a);
    count.to = {b.file.get(), b.line};
    count.card = layout.name;
    count.rowIdName = layout.fields[0];
    count.rowNoun = card.role == CardRole::NodeList ? "nodes" : "shells";
    count.rows = a.rowCount;
    const RowRanges<Row> rows{a, b, before.data() + a.firstRow, after.data() + b.firstRow};
    countRowChanges(rows, count);
    if (count.changed + count.added + count.removed == 0) return;
    emit(count);
    // Each row change goes after the keyword's count, so the rows are
    // compared twice when the sink wants them, which costs less than keeping
    // the changes.
    if (rows_) emitRowChanges(rows, layout, count);
}

template <class Row>
void Comparison::countRowChanges(const RowRanges<Row>& rows, DiffChange& count) const {
    constexpr bool nodes = std::is_same_v<Row, NodeRow>;
    rows.walk([&](const Row&) { ++count.removed; }, [&](const Row&) { ++count.added; },
              [&](const Row& x, const Row& y) {
                  bool changed = false;
                  double distance = 0;
                  for (size_t v = 0; v < RowCard<Row>::kValues; ++v) {
                      const DiffValue p = rowValue(x.values[v]), q = rowValue(y.values[v]);
                      if (sameValue(p, q)) continue;
                      changed = true;
                      if constexpr (nodes) distance += (q.real - p.real) * (q.real - p.real);
                  }
                  if (!changed) return;
                  ++count.changed;
                  distance = std::sqrt(distance);
                  if (nodes && (count.changed == 1 || distance > count.largest)) {
                      count.largest = distance;
                      count.largestId = x.id;
                  }
              });
}

template <class Row>
void Comparison::emitRowChanges(const RowRanges<Row>& rows, const RowCard<Row>& card,
                                const DiffChange& count) {
    DiffChange row = count;
    row.hasRowId = true;
    const auto side = [&](DiffChange::Kind kind, const Row& r, const DiffKeyword& k) {
        DiffChange change = row;
        change.kind = kind;
        change.rowId = r.id;
        (kind == DiffChange::Removed ? change.to : change.from) = {};
        (kind == DiffChange::Removed ? change.from : change.to) = DiffPlace{k.file.get(), r.line};
        emit(change);
    };
    rows.walk([&](const Row& x) { side(DiffChange::Removed, x, rows.a); },
              [&](const Row& y) { side(DiffChange::Added, y, rows.b); },
              [&](const Row& x, const Row& y) {
                  row.kind = DiffChange::Value;
                  row.rowId = x.id;
                  row.from = {rows.a.file.get(), x.line};
                  row.to = {rows.b.file.get(), y.line};
                  for (size_t v = 0; v < RowCard<Row>::kValues; ++v) {
                      const DiffValue p = rowValue(x.values[v]), q = rowValue(y.values[v]);
                      if (sameValue(p, q)) continue;
                      row.field = card.fields[1 + v];
                      row.before = p;
                      row.after = q;
                      emit(row);
                  }
              });
}

}  // namespace

bool compareModels(const DiffModel& before, const DiffModel& after, const DiffSettings& settings,
                   DiffSink& sink) {
    return Comparison(before, after, settings, sink).run();
}

}  // namespace abimport
