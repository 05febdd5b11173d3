#include "abadvancedale.h"

#include "importfunctions.h"

ABAdvancedALE::~ABAdvancedALE() = default;

void ABAdvancedALE::readIdCard(const char* cardName, const char** names, unsigned secondCode) {
    unsigned types[] = {1, 1, 1, 1, 1, 1, 1, 1};
    unsigned pos[] = {0, 1, 2, 3, 4, 5, 6, 7};
    unsigned code1[] = {1, 1, 1, 1, 1, 1, 1, 1};
    unsigned code2[8];
    for (unsigned& code : code2) code = secondCode;
    readCard({cardName, 8, types, names, IdStep::report({8, pos, code1, code2})});
}

void ABAdvancedALE::readBagIDs() {
    const char* names[] = {"BAGID1", "BAGID2", "BAGID3", "BAGID4",
                           "BAGID5", "BAGID6", "BAGID7", "BAGID8"};
    readIdCard("BagIDs", names, 36);
}

void ABAdvancedALE::readHoleIDs() {
    const char* names[] = {"HOLEID1", "HOLEID2", "HOLEID3", "HOLEID4",
                           "HOLEID5", "HOLEID6", "HOLEID7", "HOLEID8"};
    readIdCard("HoleIDs", names, 37);
}

void ABAdvancedALE::readInflIDs() {
    const char* names[] = {"INFLID1", "INFLID2", "INFLID3", "INFLID4",
                           "INFLID5", "INFLID6", "INFLID7", "INFLID8"};
    readIdCard("InflIDs", names, 38);
}

void ABAdvancedALE::readALEMesh() {
    unsigned types[] = {1, 1, 1, 7, 1, 1, 1};
    const char* names[] = {"NX", "NY", "NZ", "UNUSED", "ARSNID", "IDCENT", "EXSID"};
    const WordCard mesh{"ALEMesh", 7, types, names, IdStep::call(airbagAdvancedAle)};
    if (!readWords(mesh)) return;
    nx = numberAt(0);
    ny = numberAt(1);
    nz = numberAt(2);
    reportAndBuild(mesh);
}

void ABAdvancedALE::readMeshDetails() {
    unsigned types[] = {2, 2, 2, 1, 1};
    const char* names[] = {"LX", "LY", "LZ", "ITRANS", "UIDAIR"};
    unsigned pos[] = {3, 4};
    unsigned code1[] = {1, 5};
    unsigned code2[] = {40, 9999};
    readCard({"MeshDetails", 5, types, names, IdStep::report({2, pos, code1, code2})});
}

void ABAdvancedALE::readCVCard1() {
    unsigned types[] = {2, 2, 7, 2, 2, 7, 2, 2};
    const char* names[] = {"ATMOST", "ATMOSP", "UNUSED", "GC", "CC", "UNUSED", "MWD", "SPSF"};
    readCard({"CVCard1", 8, types, names, IdStep::none()});
}

void ABAdvancedALE::readCVCard2() {
    unsigned types[] = {2, 7, 2, 1};
    const char* names[] = {"SWTIME", "UNUSED", "HG", "NAIR"};
    const WordCard cv2{"CVCard2", 4, types, names, IdStep::none()};
    if (!readWords(cv2)) return;
    nAir = numberAt(3);
    reportAndBuild(cv2);
}

void ABAdvancedALE::readAirCards() {
    unsigned types[] = {7, 7, 7, 2, 2, 2, 2, 2};
    const char* names[] = {"UNUSED", "UNUSED", "UNUSED", "MWAIR",
                           "INITM",  "AIRA",   "AIRB",   "AIRC"};
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
