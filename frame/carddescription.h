// The description of a keyword: its title and type code, its import function
// and its cards in reading order; for each card its name, how its line is cut
// into fields, what its ID step does and the role it plays; for each field
// its name, type code, width, the kind of ID it holds and its role. The
// importers set up their per-card tables from these descriptions at every
// read (keywords/), and the layers above read the same descriptions through
// keywords/keywordtable.h.
#pragma once

#include <cstddef>

#include "../model/data.h"

class DataLine;
class ImportObject;

namespace abimport {

// An import function: reads one keyword from a DataLine positioned after its
// keyword line and returns 0.
using ImportFunction = unsigned (*)(DataLine*, ImportObject*);

// Where a model defines the IDs of one kind: the keyword that defines them
// and how its data lines give them. A kind that no keyword the model check
// reads defines has no keyword.
struct IdDefinition {
    const char* keyword = nullptr;  // its title ("NODE"); null: none
    unsigned width = 0;             // columns of the ID field on a fixed-form line
    bool headings = false;          // each ID line follows a heading line of its own
    bool firstOnly = false;         // only the keyword's first ID line defines an ID
    bool titleForm = false;         // KEYWORD_TITLE defines them too, a heading first
    // Every form KEYWORD_... defines them too, on its first data line, after
    // a heading in the forms that end in _TITLE.
    bool everyForm = false;
};

// A kind of ID that an ID-bearing field holds: the codes the ID report gives
// it, its plain name, and where a model defines such IDs.
struct IdKind {
    unsigned code1;     // 0: the ID report never gives it (fields of host lookups name it)
    unsigned code2;     // 9999: none
    const char* label;  // "load curve", "node", ...
    IdDefinition definedBy;
};

// How the data line of a card is cut into fields.
enum class CardForm : unsigned char {
    // Ten-column words, field i in columns 10i+1 to 10i+10 with the exponent
    // repair, or the i-th comma word; every field is 10 wide.
    Words,
    // The raw line in the fields' own widths (8 and 16 columns, no repair),
    // or the i-th comma word.
    Line,
};

// What the card's ID step does under Card::contFlag 0x10: nothing, the ID
// report of its ID-bearing fields, or a host lookup that takes the whole card.
enum class IdStep : unsigned char {
    None,
    Report,
    AirbagFind,
    AirbagVentHoleFind,
    AirbagAdvancedAle
};

// The part a card plays beyond its values.
enum class CardRole : unsigned char {
    None,
    NodeList,   // one node per line: its ID, X, Y and Z, in that order
    ShellList,  // one shell element per line: its ID, its part and four nodes
    BirthTime,  // its first field is the birth time of the keyword's nodes
};

// The part a field plays in reading or pairing the keyword.
enum class FieldRole : unsigned char {
    None,
    KeywordId,  // on the first card: the ID that pairs keywords of one title
    Count,      // the number of `steers` cards that follow
    MeshSize,   // a mesh size: whether the `steers` card follows depends on it
};

// The kind of ID that a field of a card handed whole to a host lookup (the
// three lookup ID steps) holds, as the model check looks it up: the kind for
// the value 0, 1 or 2 of the card's field typeField, or kinds[0] always when
// there is none. A null kind: one that no keyword of the model defines.
struct LookupIds {
    const char* typeField;
    const IdKind* kinds[3];
};

struct FieldDescription {
    const char* name;  // the deck's field name; "UNUSED" for a column not interpreted
    unsigned type;     // the type code the card step asks for
    unsigned width;    // columns
    const IdKind* id;  // the kind of ID the ID report gives it; null: not reported
    FieldRole role;
    const char* steers;       // Count and MeshSize: the card name they steer
    const LookupIds* lookup;  // a lookup card's field that names an ID; null: none
};

struct CardDescription {
    template <size_t N>
    constexpr CardDescription(const char* cardName, CardForm cardForm, IdStep step,
                              CardRole cardRole, const FieldDescription (&cardFields)[N])
        : name(cardName),
          form(cardForm),
          idStep(step),
          role(cardRole),
          fields(cardFields),
          fieldCount(static_cast<unsigned>(N)) {}

    const char* name;  // the Card's name
    CardForm form;
    IdStep idStep;
    CardRole role;
    const FieldDescription* fields;  // in line order
    unsigned fieldCount;             // N: the number of words a word card asks for
};

struct KeywordDescription {
    template <size_t N>
    constexpr KeywordDescription(unsigned typeCode, const char* keywordTitle,
                                 ImportFunction function, const CardDescription (&keywordCards)[N])
        : code(typeCode),
          title(keywordTitle),
          import(function),
          cards(keywordCards),
          cardCount(static_cast<unsigned>(N)) {}

    unsigned code;                 // the keyword type code it is registered under
    const char* title;             // canonical, upper case, without the '*'
    ImportFunction import;         // reads the keyword with the cards below
    const CardDescription* cards;  // every card it can read, in reading order
    unsigned cardCount;
};

}  // namespace abimport
