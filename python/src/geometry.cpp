#include "geometry.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr unsigned kFirstNodeKeyword = 4, kLastNodeKeyword = 7, kShellKeyword = 8;
constexpr unsigned kBirthKeyword = 5, kBirthRdtKeyword = 6;

// Compared in line: a million cards make a few million of these.
bool sameText(const std::string& text, std::string_view wanted) {
    return text.size() == wanted.size() && std::memcmp(text.data(), wanted.data(), wanted.size()) == 0;
}

// The value of the named field: by name when the card kept its names, by its
// position in the layout otherwise; null when the card does not hold it.
// A kept name is looked for at the layout's position first, where it
// nearly always is (a layout names each field once).
const Data* fieldOf(const Card& card, std::string_view name, size_t position) {
    const auto& names = card.fieldNames;
    if (!names.empty() && names.size() == card.fields.size()) {
        if (position < names.size() && sameText(names[position], name)) return card.fields[position];
        for (size_t i = 0; i < names.size(); ++i) {
            if (sameText(names[i], name)) return card.fields[i];
        }
        return nullptr;
    }
    return position < card.fields.size() ? card.fields[position] : nullptr;
}

// An integer field as int32; false when the field holds no integer that fits.
bool integerOf(const Data* value, int32_t& out) {
    if (!value) return false;
    if (value->typeCode == kIntegerCode) {
        out = static_cast<const Integer*>(value)->val;
        return true;
    }
    if (value->typeCode == kUnsignedCode) {
        const uint32_t u = static_cast<const UInteger*>(value)->val;
        if (u > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return false;
        out = static_cast<int32_t>(u);
        return true;
    }
    return false;
}

// A number field as a double; missing when the field holds no number.
double numberOf(const Data* value, double missing) {
    if (!value) return missing;
    switch (value->typeCode) {
    case kDoubleCode: return static_cast<const Double*>(value)->val;
    case kIntegerCode: return static_cast<const Integer*>(value)->val;
    case kUnsignedCode: return static_cast<const UInteger*>(value)->val;
    default: return missing;
    }
}

int32_t integerOr0(const Data* value) {
    int32_t out = 0;
    return integerOf(value, out) ? out : 0;
}

bool isNodeKeyword(const DeckKeyword& keyword) {
    return keyword.keyword->code >= kFirstNodeKeyword && keyword.keyword->code <= kLastNodeKeyword;
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

bool isShellKeyword(const DeckKeyword& keyword) { return keyword.keyword->code == kShellKeyword; }

}  // namespace

size_t nodeRowsAtMost(const DeckData& deck) { return cardsIn(deck, isNodeKeyword); }

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

size_t shellRowsAtMost(const DeckData& deck) { return cardsIn(deck, isShellKeyword); }

size_t fillShells(const DeckData& deck, const ShellArrays& out) {
    static constexpr std::string_view kNodeNames[4] = {"N1", "N2", "N3", "N4"};
    size_t row = 0;
    forCards(deck, "ShellInfo", isShellKeyword, [&](size_t, const Card& card) {
        int32_t eid;
        if (!integerOf(fieldOf(card, "EID", 0), eid)) return;
        out.eid[row] = eid;
        out.pid[row] = integerOr0(fieldOf(card, "PID", 1));
        for (size_t n = 0; n < 4; ++n) {
            out.nodes[4 * row + n] = integerOr0(fieldOf(card, kNodeNames[n], 2 + n));
        }
        ++row;
    });
    return row;
}
