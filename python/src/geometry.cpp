#include "geometry.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "host/cardfields.h"

namespace abimport {

namespace {

using cardfields::fieldOf;
using cardfields::integerOf;
using cardfields::integerOr0;
using cardfields::kShellFields;
using cardfields::kShellKeyword;
using cardfields::numberOf;
using cardfields::sameText;

constexpr unsigned kBirthKeyword = 5, kBirthRdtKeyword = 6;

bool isNodeKeyword(const DeckKeyword& keyword) {
    return cardfields::isNodeKeyword(keyword.keyword->code);
}

double birthOf(const DeckData& deck, const DeckKeyword& keyword) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    const unsigned code = keyword.keyword->code;
    if (code != kBirthKeyword && code != kBirthRdtKeyword) return none;
    for (size_t i = keyword.firstCard; i < keyword.firstCard + keyword.cardCount; ++i) {
        const Card& card = *deck.cards[i];
        if (sameText(card.name, "BirthCard")) return numberOf(fieldOf(card, "BIRTH", 0), none);
    }
    return none;
}

// Calls visit(keyword index, card) for every card named name in the keywords
// that keep(keyword) accepts.
template <class Keep, class Visit>
void forCards(const DeckData& deck, std::string_view name, Keep keep, Visit visit) {
    for (size_t k = 0; k < deck.keywords.size(); ++k) {
        const DeckKeyword& keyword = deck.keywords[k];
        if (!keep(keyword)) continue;
        for (size_t i = keyword.firstCard; i < keyword.firstCard + keyword.cardCount; ++i) {
            if (sameText(deck.cards[i]->name, name)) visit(k, *deck.cards[i]);
        }
    }
}

// The number of cards in the keywords that keep(keyword) accepts.
template <class Keep>
size_t cardsIn(const DeckData& deck, Keep keep) {
    size_t count = 0;
    for (const DeckKeyword& keyword : deck.keywords) {
        if (keep(keyword)) count += keyword.cardCount;
    }
    return count;
}

bool isShellKeyword(const DeckKeyword& keyword) {
    return keyword.keyword->code == kShellKeyword;
}

}  // namespace

size_t nodeRowsAtMost(const DeckData& deck) {
    return cardsIn(deck, isNodeKeyword);
}

size_t fillNodes(const DeckData& deck, const NodeArrays& out) {
    size_t row = 0;
    size_t birthKeyword = deck.keywords.size();
    double birth = 0;
    forCards(deck, "NodeInfo", isNodeKeyword, [&](size_t k, const Card& card) {
        int32_t nid;
        if (!integerOf(fieldOf(card, "NID", 0), nid)) return;
        if (k != birthKeyword) {
            birthKeyword = k;
            birth = birthOf(deck, deck.keywords[k]);
        }
        out.nid[row] = nid;
        out.xyz[3 * row] = numberOf(fieldOf(card, "X", 1), 0.0);
        out.xyz[3 * row + 1] = numberOf(fieldOf(card, "Y", 2), 0.0);
        out.xyz[3 * row + 2] = numberOf(fieldOf(card, "Z", 3), 0.0);
        out.keyword[row] = static_cast<int32_t>(k);
        out.birth[row] = birth;
        ++row;
    });
    return row;
}

size_t shellRowsAtMost(const DeckData& deck) {
    return cardsIn(deck, isShellKeyword);
}

size_t fillShells(const DeckData& deck, const ShellArrays& out) {
    size_t row = 0;
    forCards(deck, "ShellInfo", isShellKeyword, [&](size_t, const Card& card) {
        int32_t eid;
        if (!integerOf(fieldOf(card, "EID", 0), eid)) return;
        out.eid[row] = eid;
        out.pid[row] = integerOr0(fieldOf(card, kShellFields[0], 1));
        for (size_t n = 0; n < 4; ++n) {
            out.nodes[4 * row + n] = integerOr0(fieldOf(card, kShellFields[1 + n], 2 + n));
        }
        ++row;
    });
    return row;
}

}  // namespace abimport
