// Writes synthetic keyword decks of a chosen size for the benchmarks: node
// and shell reference geometries and complete airbag keywords.
#pragma once

#include <cstdio>

struct DeckShape {
    unsigned long nodes = 0;        // reference geometry node lines
    bool commaNodes = false;        // node lines as comma-separated words
    unsigned long shells = 0;       // shell reference geometry element lines
    unsigned long airbags = 0;      // ALE and advanced ALE airbags, each
    unsigned long interactions = 0; // airbag interaction keywords
};

// Writes the deck: the node keyword, the shell keyword, then the airbags and
// interactions, and *END. Nodes are numbered from 1 with coordinates as
// "%16.6f" writes them, drawn from a fixed sequence so every run writes the
// same file. Returns false when writing failed.
bool writeDeck(std::FILE* out, const DeckShape& shape);
