#pragma once

#include "../frame/importbase.h"
#include "cardtables.h"

// The airbag reference geometry keyword: one node line after another (node
// number in 8 columns, three coordinates in 16 columns each) up to the next
// keyword line. Its birth and RDT variants share the node reader below.
class ABReferenceGeometry : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABReferenceGeometry() override;
    void readNodeInfo();
};

namespace abimport {

extern const KeywordDescription kReferenceGeometryKeyword;

namespace detail {

// The cards of the four reference geometry keywords: a node line, and the
// birth card that the birth variants read before their nodes.
inline constexpr FieldDescription kNodeFields[] = {
    column("NID", kInt, 8, idKind("node")),
    column("X", kDouble, 16),
    column("Y", kDouble, 16),
    column("Z", kDouble, 16),
};
inline constexpr CardDescription kNodeCard{"NodeInfo", CardForm::Line, IdStep::Report,
                                           CardRole::NodeList, kNodeFields};
inline constexpr FieldDescription kBirthFields[] = {word("BIRTH", kDouble)};
inline constexpr CardDescription kBirthCard{"BirthCard", CardForm::Words, IdStep::None,
                                            CardRole::BirthTime, kBirthFields};

// The card lists of the plain and RDT variants and of the birth variants.
inline constexpr CardDescription kNodeCards[] = {kNodeCard};
inline constexpr CardDescription kBirthNodeCards[] = {kBirthCard, kNodeCard};

}  // namespace detail

}  // namespace abimport

namespace abimport::detail {

// The node reader of all four reference geometry importers: reads one node
// line as a "NodeInfo" card. Leaves wordCount at 0 once the keyword or the
// file has ended.
void readReferenceNode(ImportBase& importer);

// The single "BIRTH" value that the birth variants read before their nodes.
void readBirthCard(ImportBase& importer);

// The import of every variant: the birth card when asked, then node lines
// for as long as they come.
template <class Importer>
unsigned importReferenceNodes(DataLine* dataLine, ImportObject* importObject, bool withBirth) {
    Importer importer(dataLine, importObject);
    if (withBirth) readBirthCard(importer);
    do {
        importer.readNodeInfo();
    } while (importer.wordCount != 0);
    return 0;
}

}  // namespace abimport::detail
