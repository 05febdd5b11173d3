// The airbag reference geometry of a deck as flat arrays, taken from the
// cards of the geometry keywords.
//
// Nodes: every card of a node list (NodeInfo of *AIRBAG_REFERENCE_GEOMETRY
// and its _BIRTH, _BIRTH_RDT and _RDT forms) that holds an integer ID (NID);
// a card without one (such as the card without fields made at the end of a
// file) is no node. The coordinates that the card does not hold, because its
// line ended before them, are 0, which is what a blank field in the columns
// reads as. A node's birth time is the value of its keyword's birth time card
// (BIRTH of the BirthCard of the birth forms), NaN for the other keywords or
// when the card holds none.
//
// Shells: every card of a shell list (ShellInfo of
// *AIRBAG_SHELL_REFERENCE_GEOMETRY) that holds an integer ID (EID); the part
// and the four nodes that it does not hold are 0.
//
// Which cards these are and their fields come from the keyword table (the
// card roles). Fields are found by name when the cards kept their names
// (flag 0x2), by their position in the layout otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "deckdata.h"

namespace abimport {

struct NodeArrays {
    int32_t* nid;      // n
    double* xyz;       // n x 3
    int32_t* keyword;  // n: index into DeckData::keywords
    double* birth;     // n
};

struct ShellArrays {
    int32_t* eid;    // n
    int32_t* pid;    // n
    int32_t* nodes;  // n x 4
};

// The rows are found in one pass over the cards: the arrays are made for
// every card of the keywords that can hold rows (the cards that are not rows,
// such as a BirthCard, are few), filled, and cut to the rows filled.

// The number of rows the deck can give at most.
size_t nodeRowsAtMost(const DeckData& deck);
// Fills arrays of nodeRowsAtMost(deck) rows from the start; returns how many
// it filled.
size_t fillNodes(const DeckData& deck, const NodeArrays& out);

size_t shellRowsAtMost(const DeckData& deck);
size_t fillShells(const DeckData& deck, const ShellArrays& out);

}  // namespace abimport
