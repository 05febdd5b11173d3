#include "abale.h"

#include "../model/numbers/reading.h"
#include "cardtables.h"
#include "importfunctions.h"

namespace abimport {

namespace {

using namespace detail;

constexpr const IdKind* kLoadCurve = idKind("load curve");
constexpr const IdKind* kPartSet = idKind("part set");
constexpr const IdKind* kSegmentSet = idKind("segment set");

// The set of the bag: a segment set for SIDTYP 0, a part set for 1.
constexpr LookupIds kBagSet = {"SIDTYP", {kSegmentSet, kPartSet, nullptr}};
// The vent hole: a part set, a part or a segment set for IVTYPE 0, 1, 2.
constexpr LookupIds kVentHoleSet = {"IVTYPE", {kPartSet, idKind("part"), kSegmentSet}};

constexpr FieldDescription kSetFields[] = {
    looksUp(withRole(word("SID", kInt), FieldRole::KeywordId), kBagSet),
    word("SIDTYP", kInt),
    unused(),
    unused(),
    unused(),
    unused(),
    word("MWD", kDouble),
    word("SPSF", kDouble),
};
constexpr FieldDescription kAmbientFields[] = {
    word("ATMOST", kDouble),  word("ATMOSP", kDouble), unused(),
    word("GC", kDouble),      word("CC", kDouble),     word("TNKVOL", kDouble),
    word("TNKFINP", kDouble),
};
constexpr FieldDescription kCouplingFields[] = {
    word("NQUAD", kInt),     word("CTYPE", kInt),   word("PFAC", kDouble), word("FRIC", kDouble),
    word("FRCMIN", kDouble), word("NORMTYP", kInt), word("ILEAK", kInt),   word("PLEAK", kDouble),
};
constexpr FieldDescription kVentHoleFields[] = {
    looksUp(word("IVSETID", kInt), kVentHoleSet),
    word("IVTYPE", kInt),
    word("IBLOCK", kInt),
    word("VNTCOF", kDouble),
};
constexpr FieldDescription kMeshFields[] = {
    word("NX", kInt),
    word("NY", kInt),
    withRole(word("NZ", kInt), FieldRole::MeshSize, "Card5a"),
    word("MOVERN", kInt),
    word("ZOOM", kInt),
};
constexpr FieldDescription kPointAFields[] = {
    word("X0", kDouble), word("Y0", kDouble), word("Z0", kDouble), word("X1", kDouble),
    word("Y1", kDouble), word("Z1", kDouble), word("IPAIR", kInt), word("IPGAS", kInt),
};
constexpr FieldDescription kPointBFields[] = {
    word("X2", kDouble), word("Y2", kDouble), word("Z2", kDouble),
    word("X3", kDouble), word("Y3", kDouble), word("Z3", kDouble),
};
constexpr FieldDescription kToCVFields[] = {
    word("SWTIME", kDouble),
    unused(),
    word("HG", kDouble),
    withRole(word("NAIR", kInt), FieldRole::Count, "AirCard"),
    withRole(word("NGAS", kInt), FieldRole::Count, "GasCard"),
    withRole(word("NORIF", kInt), FieldRole::Count, "OrifCard"),
    word("LCVEL", kInt, kLoadCurve),
    word("LCT", kInt, kLoadCurve),
};
constexpr FieldDescription kAirFields[] = {
    unused(),
    unused(),
    unused(),
    word("MWAIR", kDouble),
    word("INITM", kDouble),
    word("AIRA", kDouble),
    word("AIRB", kDouble),
    word("AIRC", kDouble),
};
constexpr FieldDescription kGasFields[] = {
    word("LCMF", kInt, kLoadCurve),
    unused(),
    unused(),
    word("MWGAS", kDouble),
    unused(),
    word("GASA", kDouble),
    word("GASB", kDouble),
    word("GASC", kDouble),
};
constexpr FieldDescription kOrificeFields[] = {
    word("NODEID", kInt, idKind("node")),
    word("VECID", kInt, idKind("orifice vector")),
    word("ORIFARE", kDouble),
};

constexpr CardDescription kCards[] = {
    {"SetInfo", CardForm::Words, IdStep::AirbagFind, CardRole::None, kSetFields},
    {"AmbientCard", CardForm::Words, IdStep::None, CardRole::None, kAmbientFields},
    {"Coupling", CardForm::Words, IdStep::None, CardRole::None, kCouplingFields},
    {"VentHole", CardForm::Words, IdStep::AirbagVentHoleFind, CardRole::None, kVentHoleFields},
    {"ALEMesh", CardForm::Words, IdStep::None, CardRole::None, kMeshFields},
    {"Card5a", CardForm::Words, IdStep::None, CardRole::None, kPointAFields},
    {"Card5b", CardForm::Words, IdStep::None, CardRole::None, kPointBFields},
    {"ALEToCV", CardForm::Words, IdStep::Report, CardRole::None, kToCVFields},
    {"AirCard", CardForm::Words, IdStep::None, CardRole::None, kAirFields},
    {"GasCard", CardForm::Words, IdStep::Report, CardRole::None, kGasFields},
    {"OrifCard", CardForm::Words, IdStep::Report, CardRole::None, kOrificeFields},
};

constexpr const CardDescription& kSetInfo = cardIn(kCards, "SetInfo");
constexpr const CardDescription& kAmbientCard = cardIn(kCards, "AmbientCard");
constexpr const CardDescription& kCoupling = cardIn(kCards, "Coupling");
constexpr const CardDescription& kVentHole = cardIn(kCards, "VentHole");
constexpr const CardDescription& kALEMesh = cardIn(kCards, "ALEMesh");
constexpr const CardDescription& kCard5a = cardIn(kCards, "Card5a");
constexpr const CardDescription& kCard5b = cardIn(kCards, "Card5b");
constexpr const CardDescription& kALEToCV = cardIn(kCards, "ALEToCV");
constexpr const CardDescription& kAirCard = cardIn(kCards, "AirCard");
constexpr const CardDescription& kGasCard = cardIn(kCards, "GasCard");
constexpr const CardDescription& kOrifCard = cardIn(kCards, "OrifCard");
// The numbers that steer the sequence: the mesh test's size and the counts.
constexpr unsigned kNZ = fieldIndex(kALEMesh, "NZ");
constexpr unsigned kNAir = fieldIndex(kALEToCV, "NAIR");
constexpr unsigned kNGas = fieldIndex(kALEToCV, "NGAS");
constexpr unsigned kNOrif = fieldIndex(kALEToCV, "NORIF");

}  // namespace

constexpr KeywordDescription kAleKeyword{2, "AIRBAG_ALE", importABALE, kCards};

}  // namespace abimport

ABALE::~ABALE() = default;

void ABALE::readSetInfo() {
    readCard(abimport::kSetInfo);
}

void ABALE::readAmbientCard() {
    readCard(abimport::kAmbientCard);
}

void ABALE::readCoupling() {
    readCard(abimport::kCoupling);
}

void ABALE::readVentHole() {
    readCard(abimport::kVentHole);
}

bool ABALE::readALEMesh() {
    if (!readCard(abimport::kALEMesh)) return false;
    // The mesh points follow when NZ, as a signed number, is at least 1.
    return hasWordAt(abimport::kNZ) && abimport::detail::textToI32(words[abimport::kNZ]) >= 1;
}

void ABALE::readMeshPoints() {
    readCard(abimport::kCard5a);
    readCard(abimport::kCard5b);
}

void ABALE::readALEToCV() {
    if (!readWords(abimport::kALEToCV)) return;
    nAir = numberAt(abimport::kNAir);
    nGas = numberAt(abimport::kNGas);
    nOrif = numberAt(abimport::kNOrif);
    reportAndBuild(abimport::kALEToCV);
}

void ABALE::readAirCards() {
    readRepeated(abimport::kAirCard, nAir);
}

void ABALE::readGasCard() {
    readRepeated(abimport::kGasCard, nGas);
}

void ABALE::readOrifCards() {
    readRepeated(abimport::kOrifCard, nOrif);
}

unsigned importABALE(DataLine* dataLine, ImportObject* importObject) {
    ABALE importer(dataLine, importObject);
    importer.readSetInfo();
    importer.readAmbientCard();
    importer.readCoupling();
    importer.readVentHole();
    if (importer.readALEMesh()) importer.readMeshPoints();
    importer.readALEToCV();
    importer.readAirCards();
    importer.readGasCard();
    importer.readOrifCards();
    return 0;
}
