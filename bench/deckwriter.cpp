#include "deckwriter.h"

#include <cstdint>

namespace abimport {

namespace {

// A fixed pseudo-random sequence (64-bit linear congruential generator).
class Sequence {
public:
    // A coordinate in [-1000, 1000) with six decimals.
    double coordinate() { return static_cast<double>(next() % 2000000000ULL) / 1e6 - 1000.0; }
    unsigned long below(unsigned long n) { return static_cast<unsigned long>(next() % n); }

private:
    uint64_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return state_ >> 17;
    }
    uint64_t state_ = 42;
};

void writeNodes(std::FILE* out, const DeckShape& shape, Sequence& seq) {
    std::fputs("*AIRBAG_REFERENCE_GEOMETRY\n", out);
    if (!shape.commaNodes)
        std::fputs("$    NID               X               Y               Z\n", out);
    const char* format = shape.commaNodes ? "%lu,%.6f,%.6f,%.6f\n" : "%8lu%16.6f%16.6f%16.6f\n";
    for (unsigned long id = 1; id <= shape.nodes; ++id) {
        const double x = seq.coordinate(), y = seq.coordinate(), z = seq.coordinate();
        std::fprintf(out, format, id, x, y, z);
    }
}

// The model the airbag belongs to: nodes, shells over them, and parts.
void writeModel(std::FILE* out, const DeckShape& shape, Sequence& seq) {
    if (shape.modelNodes)
        std::fputs("*NODE\n$    NID               X               Y               Z\n", out);
    for (unsigned long id = 1; id <= shape.modelNodes; ++id) {
        const double x = seq.coordinate(), y = seq.coordinate(), z = seq.coordinate();
        std::fprintf(out, "%8lu%16.6f%16.6f%16.6f\n", id, x, y, z);
    }
    if (shape.modelShells)
        std::fputs("*ELEMENT_SHELL\n$    EID     PID      N1      N2      N3      N4\n", out);
    const unsigned long nodes = shape.modelNodes ? shape.modelNodes : 1000;
    for (unsigned long id = 1; id <= shape.modelShells; ++id) {
        std::fprintf(out, "%8lu%8lu", id, 1 + seq.below(20));
        for (int k = 0; k < 4; ++k) std::fprintf(out, "%8lu", 1 + seq.below(nodes));
        std::fputc('\n', out);
    }
    for (unsigned long id = 1; id <= shape.parts; ++id) {
        std::fprintf(out, "*PART\npart %lu\n%10lu         1         1\n", id, id);
    }
}

void writeShells(std::FILE* out, const DeckShape& shape, Sequence& seq) {
    std::fputs(
        "*AIRBAG_SHELL_REFERENCE_GEOMETRY\n"
        "$    EID     PID      N1      N2      N3      N4\n",
        out);
    const unsigned long nodes = shape.modelNodes ? shape.modelNodes
                                : shape.nodes    ? shape.nodes
                                                 : 1000;
    for (unsigned long id = 1; id <= shape.shells; ++id) {
        std::fprintf(out, "%8lu%8lu", id, 1 + seq.below(20));
        for (int k = 0; k < 4; ++k) std::fprintf(out, "%8lu", 1 + seq.below(nodes));
        std::fputc('\n', out);
    }
}

void writeAleAirbag(std::FILE* out, unsigned long n) {
    std::fprintf(
        out,
        "*AIRBAG_ALE\n"
        "%10lu         1                                             0.029       1.0\n"
        "     293.0  1.0135+5               8.314       1.0       0.0       0.0\n"
        "         4         4       0.1       0.0       0.5         0         2       0.1\n"
        "%10lu         1         0       0.6\n"
        "        10        10        10         0         0\n"
        "      -0.5      -0.5      -0.5       0.5      -0.5      -0.5         1         2\n"
        "      -0.5       0.5      -0.5      -0.5      -0.5       0.5\n"
        "       0.0                 0.0         2         1         1        31        32\n"
        "                                  0.0289       1.0      29.0       0.0       0.0\n"
        "                                  0.0320       1.0      32.0       0.0       0.0\n"
        "        33                        0.0280                28.0       0.0       0.0\n"
        "%10lu         5     0.001\n",
        100 + n, 30 + n, 500 + n);
}

void writeAdvancedAleAirbag(std::FILE* out, unsigned long n) {
    std::fprintf(
        out,
        "*AIRBAG_ADVANCED_ALE\n"
        "%10lu%10lu%10lu\n"
        "        11        12\n"
        "        21\n"
        "        20        20        20                   0       100         0\n"
        "       1.2       1.2       1.2         3         7\n"
        "     293.0  101350.0               8.314       1.0               0.029       1.0\n"
        "       0.0                 0.0         2\n"
        "                                  0.0289       1.0      29.0       0.0       0.0\n"
        "                                  0.0320       1.0      32.0       0.0       0.0\n",
        3 * n + 1, 3 * n + 2, 3 * n + 3);
}

void writeInteraction(std::FILE* out, unsigned long n) {
    std::fprintf(out,
                 "*AIRBAG_INTERACTION\n"
                 "%10lu%10lu       1.5       1.0        10        20         0\n",
                 2 * n + 1, 2 * n + 2);
}

}  // namespace

bool writeDeck(std::FILE* out, const DeckShape& shape) {
    Sequence seq;
    std::fputs("*KEYWORD\n", out);
    writeModel(out, shape, seq);
    if (shape.nodes) writeNodes(out, shape, seq);
    if (shape.shells) writeShells(out, shape, seq);
    for (unsigned long n = 0; n < shape.airbags; ++n) {
        writeAleAirbag(out, n);
        writeAdvancedAleAirbag(out, n);
    }
    for (unsigned long n = 0; n < shape.interactions; ++n) writeInteraction(out, n);
    std::fputs("*END\n", out);
    return std::fflush(out) == 0 && !std::ferror(out);
}

}  // namespace abimport
