// Writes synthetic keyword decks of a chosen size for the benchmarks: node
// and shell reference geometries and complete airbag keywords.
#pragma once

#include <cstdio>

namespace abimport {

struct DeckShape {
    unsigned long modelNodes = 0;    // *NODE lines of the model the airbags belong to
    unsigned long modelShells = 0;   // *ELEMENT_SHELL lines of that model
    unsigned long parts = 0;         // *PART keywords
    unsigned long nodes = 0;         // reference geometry node lines
    bool commaNodes = false;         // node lines as comma-separated words
    unsigned long shells = 0;        // shell reference geometry element lines
    unsigned long airbags = 0;       // ALE and advanced ALE airbags, each
    unsigned long interactions = 0;  // airbag interaction keywords
};

// Writes the deck: the model's nodes, shells and parts, the airbag node
// keyword, the airbag shell keyword, then the airbags and interactions, and
// *END. Model shells and airbag shells name nodes of the model when it has
// them, and parts from 1 to 20. Nodes are numbered from 1 with coordinates as
// "%16.6f" writes them, drawn from a fixed sequence so every run writes the
// same file. Returns false when writing failed.
bool writeDeck(std::FILE* out, const DeckShape& shape);

}  // namespace abimport
