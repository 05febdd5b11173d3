#include "geometry.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "../../host/cardfields.h"

namespace abimport {

namespace {

using detail::fieldOf;
using detail::integerOf;
using detail::integerOr0;
using detail::numberOf;
using detail::sameText;

const CardDescription* nodeCard(const DeckKeyword& keyword) {
    return cardWithRole(*keyword.keyword, CardRole::NodeList);
}

const CardDescription* shellCard(const DeckKeyword& keyword) {
    return cardWithRole(*keyword.keyword, CardRole::ShellList);
}

double birthOf(const DeckData& deck, const DeckKeyword& keyword) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    const CardDescription* birth = cardWithRole(*keyword.keyword, CardRole::BirthTime);
    if (!birth) return none;
    for (size_t i = keyword.firstCard; i < keyword.firstCard + keyword.cardCount; ++i) {
        const Card& card = *deck.cards[i];
        if (sameText(card.name, birth->name))
            return numberOf(fieldOf(card, birth->fields[0].name, 0), none);
    }
    return none;
}

// The fields of a described card, found by their described names.
class DescribedFields {
public:
    explicit DescribedFields(const CardDescription& card) {
        for (unsigned i = 0; i < card.fieldCount && i < kMostFields; ++i)
            names_[i] = card.fields[i].name;
    }
    const Data* at(const Card& card, unsigned i) const { return fieldOf(card, names_[i], i); }

private:
    static constexpr unsigned kMostFields = 8;
    std::string_view names_[kMostFields];
};

// Calls visit(keyword index, card, its fields) for every card of the
// keywords' card that cardOf(keyword) gives.
template <class CardOf, class Visit>
void forCards(const DeckData& deck, CardOf cardOf, Visit visit) {
    for (size_t k = 0; k < deck.keywords.size(); ++k) {
        const DeckKeyword& keyword = deck.keywords[k];
        const CardDescription* wanted = cardOf(keyword);
        if (!wanted) continue;
        const std::string_view name = wanted->name;
        const DescribedFields fields(*wanted);
        for (size_t i = keyword.firstCard; i < keyword.firstCard + keyword.cardCount; ++i) {
            if (sameText(deck.cards[i]->name, name)) visit(k, *deck.cards[i], fields);
        }
    }
}

// The number of cards in the keywords that have the card cardOf(keyword) gives.
template <class CardOf>
size_t cardsIn(const DeckData& deck, CardOf cardOf) {
    size_t count = 0;
    for (const DeckKeyword& keyword : deck.keywords) {
        if (cardOf(keyword)) count += keyword.cardCount;
    }
    return count;
}

}  // namespace

size_t nodeRowsAtMost(const DeckData& deck) {
    return cardsIn(deck, nodeCard);
}

size_t fillNodes(const DeckData& deck, const NodeArrays& out) {
    size_t row = 0;
    size_t birthKeyword = deck.keywords.size();
    double birth = 0;
    forCards(deck, nodeCard, [&](size_t k, const Card& card, const DescribedFields& node) {
        int32_t nid;
        if (!integerOf(node.at(card, 0), nid)) return;
        if (k != birthKeyword) {
            birthKeyword = k;
            birth = birthOf(deck, deck.keywords[k]);
        }
        out.nid[row] = nid;
        for (unsigned axis = 0; axis < 3; ++axis)
            out.xyz[3 * row + axis] = numberOf(node.at(card, 1 + axis), 0.0);
        out.keyword[row] = static_cast<int32_t>(k);
        out.birth[row] = birth;
        ++row;
    });
    return row;
}

size_t shellRowsAtMost(const DeckData& deck) {
    return cardsIn(deck, shellCard);
}

size_t fillShells(const DeckData& deck, const ShellArrays& out) {
    size_t row = 0;
    forCards(deck, shellCard, [&](size_t, const Card& card, const DescribedFields& shell) {
        int32_t eid;
        if (!integerOf(shell.at(card, 0), eid)) return;
        out.eid[row] = eid;
        out.pid[row] = integerOr0(shell.at(card, 1));
        for (unsigned n = 0; n < 4; ++n) out.nodes[4 * row + n] = integerOr0(shell.at(card, 2 + n));
        ++row;
    });
    return row;
}

}  // namespace abimport
