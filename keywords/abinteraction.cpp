#include "abinteraction.h"

#include "cardtables.h"
#include "importfunctions.h"

namespace abimport {

namespace {

using namespace detail;

constexpr FieldDescription kInteractionFields[] = {
    withRole(word("AB1", kInt, idKind("airbag")), FieldRole::KeywordId),
    word("AB2", kInt, idKind("airbag")),
    word("AREA", kDouble),
    word("SF", kDouble),
    word("PID", kInt, idKind("part")),
    word("LCID", kInt, idKind("load curve")),
    word("IFLOW", kInt),
};

constexpr CardDescription kCards[] = {
    {"Interaction", CardForm::Words, IdStep::Report, CardRole::None, kInteractionFields},
};

}  // namespace

constexpr KeywordDescription kInteractionKeyword{3, "AIRBAG_INTERACTION", importABInteraction,
                                                 kCards};

}  // namespace abimport

ABInteraction::~ABInteraction() = default;

void ABInteraction::readInteraction() {
    readCard(abimport::kCards[0]);
}

unsigned importABInteraction(DataLine* dataLine, ImportObject* importObject) {
    ABInteraction importer(dataLine, importObject);
    importer.readInteraction();
    return 0;
}
