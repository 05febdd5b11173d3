// The frame every keyword importer shares: its members and the procedure that
// reads one card (read, end test, ID step, card step).
#pragma once

#include <cstddef>

#include "../model/card.h"
#include "../model/data.h"
#include "dataline.h"
#include "hostinterface.h"

// A host lookup that takes a whole card: (words, wordCount, 0, importObject).
using AirbagCall = int (*)(char**, unsigned&, unsigned, ImportObject*);

// The ID-bearing fields of one card: row k names word position pos[k].
// The importer sets the arrays up afresh for every read.
struct IdTable {
    unsigned count;
    unsigned* pos;
    unsigned* code1;
    unsigned* code2;
};

// The type codes a card layout asks for: an integer, a double, or a blank
// placeholder for a column the importer does not interpret ("UNUSED").
constexpr unsigned kInt = kIntegerCode;
constexpr unsigned kDouble = kDoubleCode;
constexpr unsigned kUnused = kBlankRequestCode;

// The kind of ID a field holds, as the host's ID report names it.
struct IdKind {
    unsigned code1;
    unsigned code2;
};
constexpr IdKind kLoadCurveId{1, 33};
constexpr IdKind kBagId{1, 36};
constexpr IdKind kVentHoleId{1, 37};
constexpr IdKind kInflatorId{1, 38};
constexpr IdKind kOrificeVectorId{1, 39};
constexpr IdKind kMeshTransformationId{1, 40};
constexpr IdKind kPartId{5, 9999};
constexpr IdKind kShellElementId{6, 41};
constexpr IdKind kNodeId{7, 9999};
constexpr IdKind kAirbagId{19, 9999};

// An ID-bearing field: the word position and the kind of ID it holds.
struct IdField {
    unsigned pos;
    IdKind kind;
};

// The ID fields of one card laid out as the three arrays of an IdTable.
template <size_t N>
struct IdFields {
    explicit IdFields(const IdField (&fields)[N]) {
        for (size_t k = 0; k < N; ++k) {
            pos[k] = fields[k].pos;
            code1[k] = fields[k].kind.code1;
            code2[k] = fields[k].kind.code2;
        }
    }
    IdTable table() { return {static_cast<unsigned>(N), pos, code1, code2}; }

    unsigned pos[N];
    unsigned code1[N];
    unsigned code2[N];
};

// What a card's ID step does under Card::contFlag 0x10.
struct IdStep {
    enum Kind { None, Report, Airbag } kind;
    IdTable table;
    AirbagCall airbag;

    static IdStep none() { return {None, {0, nullptr, nullptr, nullptr}, nullptr}; }
    static IdStep report(IdTable t) { return {Report, t, nullptr}; }
    static IdStep call(AirbagCall f) { return {Airbag, {0, nullptr, nullptr, nullptr}, f}; }
};

// One card of a word-based keyword layout: its name, field count, type codes,
// field names and ID step.
struct WordCard {
    const char* name;
    unsigned count;
    unsigned* types;
    const char** names;
    IdStep ids;
};

// One card of a fixed-width layout (node and element lines).
struct LineCard {
    const char* name;
    unsigned count;
    unsigned* types;
    unsigned* widths;
    const char** names;
    IdTable ids;
};

class ImportBase {
public:
    ImportBase(DataLine* reader, ImportObject* target) : importObject(target), dataLine(reader) {}
    virtual ~ImportBase();
    ImportBase(const ImportBase&) = delete;
    ImportBase& operator=(const ImportBase&) = delete;

    unsigned wordCount = 0;
    char* line = nullptr;
    char** words = nullptr;
    ImportObject* importObject;
    DataLine* dataLine;
    Card* card = nullptr;

    // The read-one-card procedure, used by the importers' read operations.
    // The whole procedure for one word-based card. Returns false when the read
    // met the end of the keyword (nothing reported or built).
    bool readCard(const WordCard& layout);
    // Its two halves, for cards that take numbers between the end test and the
    // ID step: read the words and make the end test; then the ID and card steps.
    bool readWords(unsigned count);
    // readWords for a card of the keyword's fixed sequence: the observer
    // hears of the card when the keyword ends before it.
    bool readWords(const WordCard& layout);
    void reportAndBuild(const WordCard& layout);

    // The whole procedure for one fixed-width card read as a raw line. Returns
    // false at the end of the keyword.
    bool readLineCard(const LineCard& layout);

    // The read met the next keyword line: zero words with flag 0x8 set.
    bool atEndOfKeyword() const;
    // The read found no more line in the deck.
    bool atEndOfFile() const { return dataLine->endOfFile; }

    // A count or size from word pos: strtol base 10, cut to 32 bits; 0 for a
    // missing word.
    unsigned numberAt(unsigned pos) const;
    // Whether the word array holds a word at pos.
    bool hasWordAt(unsigned pos) const { return words && words[pos]; }

    // Counted repetition: up to count passes of the card, ending early at the
    // end of the keyword (returns false then) or after a pass that found no
    // more line in the deck.
    bool readRepeated(const WordCard& layout, unsigned count);
};
