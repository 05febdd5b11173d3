#include "abadvancedale.h"

#include "importfunctions.h"

ABAdvancedALE::~ABAdvancedALE() = default;

void ABAdvancedALE::readIdCard(const char* cardName, const char** names, IdKind kind) {
    unsigned types[] = {kInt, kInt, kInt, kInt, kInt, kInt, kInt, kInt};
    IdFields ids(
        {{0, kind}, {1, kind}, {2, kind}, {3, kind}, {4, kind}, {5, kind}, {6, kind}, {7, kind}});
    readCard({cardName, 8, types, names, IdStep::report(ids.table())});
}

void ABAdvancedALE::readBagIDs() {
    const char* names[] = {"BAGID1", "BAGID2", "BAGID3", "BAGID4",
                           "BAGID5", "BAGID6", "BAGID7", "BAGID8"};
    readIdCard("BagIDs", names, kBagId);
}

void ABAdvancedALE::readHoleIDs() {
    const char* names[] = {"HOLEID1", "HOLEID2", "HOLEID3", "HOLEID4",
                           "HOLEID5", "HOLEID6", "HOLEID7", "HOLEID8"};
    readIdCard("HoleIDs", names, kVentHoleId);
}

void ABAdvancedALE::readInflIDs() {
    const char* names[] = {"INFLID1", "INFLID2", "INFLID3", "INFLID4",
                           "INFLID5", "INFLID6", "INFLID7", "INFLID8"};
    readIdCard("InflIDs", names, kInflatorId);
}

void ABAdvancedALE::readALEMesh() {
    unsigned types[] = {kInt, kInt, kInt, kUnused, kInt, kInt, kInt};
    const char* names[] = {"NX", "NY", "NZ", "UNUSED", "ARSNID", "IDCENT", "EXSID"};
    const WordCard mesh{"ALEMesh", 7, types, names, IdStep::call(airbagAdvancedAle)};
    if (!readWords(mesh)) return;
    nx = numberAt(0);
    ny = numberAt(1);
    nz = numberAt(2);
    reportAndBuild(mesh);
}

void ABAdvancedALE::readMeshDetails() {
    unsigned types[] = {kDouble, kDouble, kDouble, kInt, kInt};
    const char* names[] = {"LX", "LY", "LZ", "ITRANS", "UIDAIR"};
    IdFields ids({{3, kMeshTransformationId}, {4, kPartId}});
    readCard({"MeshDetails", 5, types, names, IdStep::report(ids.table())});
}

void ABAdvancedALE::readCVCard1() {
    unsigned types[] = {kDouble, kDouble, kUnused, kDouble, kDouble, kUnused, kDouble, kDouble};
    const char* names[] = {"ATMOST", "ATMOSP", "UNUSED", "GC", "CC", "UNUSED", "MWD", "SPSF"};
    readCard({"CVCard1", 8, types, names, IdStep::none()});
}

void ABAdvancedALE::readCVCard2() {
    unsigned types[] = {kDouble, kUnused, kDouble, kInt};
    const char* names[] = {"SWTIME", "UNUSED", "HG", "NAIR"};
    const WordCard cv2{"CVCard2", 4, types, names, IdStep::none()};
    if (!readWords(cv2)) return;
    nAir = numberAt(3);
    reportAndBuild(cv2);
}

void ABAdvancedALE::readAirCards() {
    unsigned types[] = {kUnused, kUnused, kUnused, kDouble, kDouble, kDouble, kDouble, kDouble};
    const char* names[] = {"UNUSED", "UNUSED", "UNUSED", "MWAIR", "INITM", "AIRA", "AIRB", "AIRC"};
    readRepeated({"AirCard", 8, types, names, IdStep::none()}, nAir);
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
