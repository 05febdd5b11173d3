#include "abadvancedale.h"

#include "cardtables.h"
#include "importfunctions.h"

namespace abimport {

namespace {

using namespace detail;

constexpr const IdKind* kBag = idKind("bag");
constexpr const IdKind* kVentHole = idKind("vent hole");
constexpr const IdKind* kInflator = idKind("inflator");

// The exterior of the mesh: a part set.
constexpr LookupIds kExteriorSet = {nullptr, {idKind("part set"), nullptr, nullptr}};

constexpr FieldDescription kBagIdFields[] = {
    withRole(word("BAGID1", kInt, kBag), FieldRole::KeywordId),
    word("BAGID2", kInt, kBag),
    word("BAGID3", kInt, kBag),
    word("BAGID4", kInt, kBag),
    word("BAGID5", kInt, kBag),
    word("BAGID6", kInt, kBag),
    word("BAGID7", kInt, kBag),
    word("BAGID8", kInt, kBag),
};
constexpr FieldDescription kHoleIdFields[] = {
    word("HOLEID1", kInt, kVentHole), word("HOLEID2", kInt, kVentHole),
    word("HOLEID3", kInt, kVentHole), word("HOLEID4", kInt, kVentHole),
    word("HOLEID5", kInt, kVentHole), word("HOLEID6", kInt, kVentHole),
    word("HOLEID7", kInt, kVentHole), word("HOLEID8", kInt, kVentHole),
};
constexpr FieldDescription kInflIdFields[] = {
    word("INFLID1", kInt, kInflator), word("INFLID2", kInt, kInflator),
    word("INFLID3", kInt, kInflator), word("INFLID4", kInt, kInflator),
    word("INFLID5", kInt, kInflator), word("INFLID6", kInt, kInflator),
    word("INFLID7", kInt, kInflator), word("INFLID8", kInt, kInflator),
};
constexpr FieldDescription kMeshFields[] = {
    withRole(word("NX", kInt), FieldRole::MeshSize, "MeshDetails"),
    withRole(word("NY", kInt), FieldRole::MeshSize, "MeshDetails"),
    withRole(word("NZ", kInt), FieldRole::MeshSize, "MeshDetails"),
    unused(),
    word("ARSNID", kInt),
    word("IDCENT", kInt),
    looksUp(word("EXSID", kInt), kExteriorSet),
};
constexpr FieldDescription kMeshDetailFields[] = {
    word("LX", kDouble),
    word("LY", kDouble),
    word("LZ", kDouble),
    word("ITRANS", kInt, idKind("mesh transformation")),
    word("UIDAIR", kInt, idKind("part")),
};
constexpr FieldDescription kCV1Fields[] = {
    word("ATMOST", kDouble), word("ATMOSP", kDouble), unused(),
    word("GC", kDouble),     word("CC", kDouble),     unused(),
    word("MWD", kDouble),    word("SPSF", kDouble),
};
constexpr FieldDescription kCV2Fields[] = {
    word("SWTIME", kDouble),
    unused(),
    word("HG", kDouble),
    withRole(word("NAIR", kInt), FieldRole::Count, "AirCard"),
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

constexpr CardDescription kCards[] = {
    {"BagIDs", CardForm::Words, IdStep::Report, CardRole::None, kBagIdFields},
    {"HoleIDs", CardForm::Words, IdStep::Report, CardRole::None, kHoleIdFields},
    {"InflIDs", CardForm::Words, IdStep::Report, CardRole::None, kInflIdFields},
    {"ALEMesh", CardForm::Words, IdStep::AirbagAdvancedAle, CardRole::None, kMeshFields},
    {"MeshDetails", CardForm::Words, IdStep::Report, CardRole::None, kMeshDetailFields},
    {"CVCard1", CardForm::Words, IdStep::None, CardRole::None, kCV1Fields},
    {"CVCard2", CardForm::Words, IdStep::None, CardRole::None, kCV2Fields},
    {"AirCard", CardForm::Words, IdStep::None, CardRole::None, kAirFields},
};

constexpr const CardDescription& kBagIDs = cardIn(kCards, "BagIDs");
constexpr const CardDescription& kHoleIDs = cardIn(kCards, "HoleIDs");
constexpr const CardDescription& kInflIDs = cardIn(kCards, "InflIDs");
constexpr const CardDescription& kALEMesh = cardIn(kCards, "ALEMesh");
constexpr const CardDescription& kMeshDetails = cardIn(kCards, "MeshDetails");
constexpr const CardDescription& kCVCard1 = cardIn(kCards, "CVCard1");
constexpr const CardDescription& kCVCard2 = cardIn(kCards, "CVCard2");
constexpr const CardDescription& kAirCard = cardIn(kCards, "AirCard");
// The numbers that steer the sequence: the mesh sizes and the air card count.
constexpr unsigned kNX = fieldIndex(kALEMesh, "NX");
constexpr unsigned kNY = fieldIndex(kALEMesh, "NY");
constexpr unsigned kNZ = fieldIndex(kALEMesh, "NZ");
constexpr unsigned kNAir = fieldIndex(kCVCard2, "NAIR");

}  // namespace

constexpr KeywordDescription kAdvancedAleKeyword{1, "AIRBAG_ADVANCED_ALE", importABAdvancedALE,
                                                 kCards};

}  // namespace abimport

ABAdvancedALE::~ABAdvancedALE() = default;

void ABAdvancedALE::readBagIDs() {
    readCard(abimport::kBagIDs);
}

void ABAdvancedALE::readHoleIDs() {
    readCard(abimport::kHoleIDs);
}

void ABAdvancedALE::readInflIDs() {
    readCard(abimport::kInflIDs);
}

void ABAdvancedALE::readALEMesh() {
    if (!readWords(abimport::kALEMesh)) return;
    nx = numberAt(abimport::kNX);
    ny = numberAt(abimport::kNY);
    nz = numberAt(abimport::kNZ);
    reportAndBuild(abimport::kALEMesh);
}

void ABAdvancedALE::readMeshDetails() {
    readCard(abimport::kMeshDetails);
}

void ABAdvancedALE::readCVCard1() {
    readCard(abimport::kCVCard1);
}

void ABAdvancedALE::readCVCard2() {
    if (!readWords(abimport::kCVCard2)) return;
    nAir = numberAt(abimport::kNAir);
    reportAndBuild(abimport::kCVCard2);
}

void ABAdvancedALE::readAirCards() {
    readRepeated(abimport::kAirCard, nAir);
}
unsigned importABAdvancedALE(DataLine* dataLine, ImportObject* importObject) {
    ABAdvancedALE importer(dataLine, importObject);
    importer.readBagIDs();
    importer.readHoleIDs();
    importer.readInflIDs();
    importer.readALEMesh();
    // A negative size counts as non-zero.
    if (importer.nx != 0 && importer.ny != 0 && importer.nz != 0) importer.readMeshDetails();
    importer.readCVCard1();
    importer.readCVCard2();
    importer.readAirCards();
    return 0;
}
