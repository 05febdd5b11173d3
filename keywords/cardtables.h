// The words the keywords' card tables are written in: a field of a word card,
// a field of a line card, a field with a role, and the checks that a
// keyword's description holds together (made by addKeyword, and by a test
// for the library's own). Internal to keywords/ (and to descriptions written
// for tests).
#pragma once

#include <cstddef>
#include <string_view>

#include "../frame/carddescription.h"
#include "../model/linefields.h"
#include "idkinds.h"

namespace abimport::detail {

constexpr unsigned kInt = kIntegerCode;
constexpr unsigned kDouble = kDoubleCode;
constexpr unsigned kUnused = kBlankRequestCode;

// The most fields a card has: the per-read tables of the importer frame and
// the reader's ten-column words hold that many.
constexpr unsigned kMostCardFields = 8;
// The most columns a line card's fields span: one read of the reader.
constexpr unsigned kMostLineColumns = 127;

// A field of a word card: ten columns, or one comma word.
constexpr FieldDescription word(const char* name, unsigned type, const IdKind* id = nullptr) {
    return {name, type, kStandardFieldWidth, id, FieldRole::None, nullptr, nullptr};
}
// A column of a word card that the importer does not interpret.
constexpr FieldDescription unused() {
    return word("UNUSED", kUnused);
}
// A field of a line card: its own width in columns.
constexpr FieldDescription column(const char* name, unsigned type, unsigned width,
                                  const IdKind* id = nullptr) {
    return {name, type, width, id, FieldRole::None, nullptr, nullptr};
}
// The same field with a role; Count and MeshSize name the card they steer.
constexpr FieldDescription withRole(FieldDescription field, FieldRole role,
                                    const char* steers = nullptr) {
    field.role = role;
    field.steers = steers;
    return field;
}

// The same field of a lookup card, naming an ID of the kinds that ids gives.
constexpr FieldDescription looksUp(FieldDescription field, const LookupIds& ids) {
    field.lookup = &ids;
    return field;
}

// The card called name among cards. Where a constant is needed, a name that
// is none of them does not compile.
template <size_t N>
constexpr const CardDescription& cardIn(const CardDescription (&cards)[N], std::string_view name) {
    for (const CardDescription& card : cards) {
        if (name == card.name) return card;
    }
    throw "no card has this name";
}

// The position of the field called name; as above for a name no field has.
constexpr unsigned fieldIndex(const CardDescription& card, std::string_view name) {
    for (unsigned i = 0; i < card.fieldCount; ++i) {
        if (name == card.fields[i].name) return i;
    }
    throw "the card has no field of this name";
}

constexpr bool isTypeCode(unsigned type) {
    return type == kUnsignedCode || type == kIntegerCode || type == kDoubleCode ||
           type == kTextCode || type == kBlankRequestCode;
}

constexpr bool hasFieldNamed(const CardDescription& card, const char* name) {
    for (unsigned i = 0; name && i < card.fieldCount; ++i) {
        if (std::string_view(name) == card.fields[i].name) return true;
    }
    return false;
}

constexpr bool isLookup(IdStep step) {
    return step == IdStep::AirbagFind || step == IdStep::AirbagVentHoleFind ||
           step == IdStep::AirbagAdvancedAle;
}

constexpr bool hasCardNamed(const KeywordDescription& keyword, const char* name) {
    for (unsigned c = 0; name && c < keyword.cardCount; ++c) {
        if (std::string_view(name) == keyword.cards[c].name) return true;
    }
    return false;
}

// The field's columns, type and role fit its card and keyword: a word card's
// fields are ten columns wide; a ten-column field is always a word field
// (the write-back and the edits read a ten-column value with the exponent
// repair); a kind of ID that the ID report gives has its codes, and a field
// that names one through a host lookup is an integer of a lookup card whose
// type field the card has; a keyword ID stands on the first card; a count or
// mesh size names a card of the keyword.
constexpr bool fieldFits(const KeywordDescription& keyword, unsigned c, const FieldDescription& f) {
    const CardDescription& card = keyword.cards[c];
    if (!f.name || !*f.name || !isTypeCode(f.type)) return false;
    // The ID report gives a kind by its codes; a lookup card's field names
    // its kind through the card's type field.
    if (f.id && f.id->code1 == 0) return false;
    if (f.lookup && (!isLookup(card.idStep) || f.type != kIntegerCode ||
                     (f.lookup->typeField && !hasFieldNamed(card, f.lookup->typeField))))
        return false;
    if (card.form == CardForm::Words ? f.width != kStandardFieldWidth
                                     : f.width == 0 || f.width == kStandardFieldWidth ||
                                           f.width >= LineFields::kFieldBufferSize)
        return false;
    switch (f.role) {
        case FieldRole::None: return !f.steers;
        case FieldRole::KeywordId: return c == 0 && f.type == kIntegerCode && !f.steers;
        case FieldRole::Count:
        case FieldRole::MeshSize: return f.type == kIntegerCode && hasCardNamed(keyword, f.steers);
    }
    return false;
}

// The card's role asks for its fields: a node list is a line card of an
// integer ID and three doubles, a shell list one of six integers, a birth
// time a double first.
constexpr bool roleFits(const CardDescription& card) {
    const FieldDescription* f = card.fields;
    switch (card.role) {
        case CardRole::None: return true;
        case CardRole::NodeList:
            return card.form == CardForm::Line && card.fieldCount == 4 && f[0].type == kInt &&
                   f[1].type == kDouble && f[2].type == kDouble && f[3].type == kDouble;
        case CardRole::ShellList:
            for (unsigned i = 0; i < card.fieldCount; ++i) {
                if (f[i].type != kInt) return false;
            }
            return card.form == CardForm::Line && card.fieldCount == 6;
        case CardRole::BirthTime: return f[0].type == kDouble;
    }
    return false;
}

// Card c holds together: its field count fits the frame's tables and a line
// card's columns one read; its ID step is a report exactly when a field is
// ID-bearing (a line card always reports); field names other than "UNUSED"
// are not repeated; the card name is the keyword's only one of its name.
constexpr bool cardFits(const KeywordDescription& keyword, unsigned c) {
    const CardDescription& card = keyword.cards[c];
    if (!card.name || !*card.name || card.fieldCount == 0 || card.fieldCount > kMostCardFields)
        return false;
    bool ids = false;
    unsigned columns = 0;
    for (unsigned i = 0; i < card.fieldCount; ++i) {
        const FieldDescription& f = card.fields[i];
        if (!fieldFits(keyword, c, f)) return false;
        for (unsigned j = 0; j < i; ++j) {
            if (std::string_view(f.name) == card.fields[j].name &&
                std::string_view(f.name) != "UNUSED")
                return false;
        }
        ids = ids || f.id;
        columns += f.width;
    }
    for (unsigned d = 0; d < c; ++d) {
        if (std::string_view(card.name) == keyword.cards[d].name) return false;
    }
    if (card.form == CardForm::Line &&
        (columns > kMostLineColumns || card.idStep != IdStep::Report))
        return false;
    return ids == (card.idStep == IdStep::Report) && roleFits(card);
}

// Whether a keyword's description holds together: a title of its own kind
// (no '*', no blank), an import function, and cards that fit.
constexpr bool wellFormed(const KeywordDescription& keyword) {
    if (!keyword.title || !*keyword.title || !keyword.import || keyword.cardCount == 0)
        return false;
    for (const char* t = keyword.title; *t; ++t) {
        if (*t == '*' || *t == ' ' || *t == '\t' || *t == ',' || (*t >= 'a' && *t <= 'z'))
            return false;
    }
    for (unsigned c = 0; c < keyword.cardCount; ++c) {
        if (!cardFits(keyword, c)) return false;
    }
    return true;
}

}  // namespace abimport::detail
