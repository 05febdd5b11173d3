#include "abale.h"

#include "../model/numbertext.h"
#include "importfunctions.h"

ABALE::~ABALE() = default;

void ABALE::readSetInfo() {
    unsigned types[] = {1, 1, 7, 7, 7, 7, 2, 2};
    const char* names[] = {"SID", "SIDTYP", "UNUSED", "UNUSED", "UNUSED", "UNUSED", "MWD", "SPSF"};
    readCard({"SetInfo", 8, types, names, IdStep::call(airbagFind)});
}

void ABALE::readAmbientCard() {
    unsigned types[] = {2, 2, 7, 2, 2, 2, 2};
    const char* names[] = {"ATMOST", "ATMOSP", "UNUSED", "GC", "CC", "TNKVOL", "TNKFINP"};
    readCard({"AmbientCard", 7, types, names, IdStep::none()});
}

void ABALE::readCoupling() {
    unsigned types[] = {1, 1, 2, 2, 2, 1, 1, 2};
    const char* names[] = {"NQUAD", "CTYPE", "PFAC", "FRIC", "FRCMIN", "NORMTYP", "ILEAK", "PLEAK"};
    readCard({"Coupling", 8, types, names, IdStep::none()});
}

void ABALE::readVentHole() {
    unsigned types[] = {1, 1, 1, 2};
    const char* names[] = {"IVSETID", "IVTYPE", "IBLOCK", "VNTCOF"};
    readCard({"VentHole", 4, types, names, IdStep::call(airbagVentHoleFind)});
}

bool ABALE::readALEMesh() {
    unsigned types[] = {1, 1, 1, 1, 1};
    const char* names[] = {"NX", "NY", "NZ", "MOVERN", "ZOOM"};
    if (!readCard({"ALEMesh", 5, types, names, IdStep::none()})) return false;
    // The mesh points follow when NZ, as a signed number, is at least 1.
    return hasWordAt(2) && abimport_detail::textToI32(words[2]) >= 1;
}

void ABALE::readMeshPoints() {
    unsigned typesA[] = {2, 2, 2, 2, 2, 2, 1, 1};
    const char* namesA[] = {"X0", "Y0", "Z0", "X1", "Y1", "Z1", "IPAIR", "IPGAS"};
    readCard({"Card5a", 8, typesA, namesA, IdStep::none()});

    unsigned typesB[] = {2, 2, 2, 2, 2, 2};
    const char* namesB[] = {"X2", "Y2", "Z2", "X3", "Y3", "Z3"};
    readCard({"Card5b", 6, typesB, namesB, IdStep::none()});
}

void ABALE::readALEToCV() {
    unsigned types[] = {2, 7, 2, 1, 1, 1, 1, 1};
    const char* names[] = {"SWTIME", "UNUSED", "HG", "NAIR", "NGAS", "NORIF", "LCVEL", "LCT"};
    unsigned pos[] = {6, 7};
    unsigned code1[] = {1, 1};
    unsigned code2[] = {33, 33};
    const WordCard toCV{"ALEToCV", 8, types, names, IdStep::report({2, pos, code1, code2})};
    if (!readWords(toCV)) return;
    nAir = numberAt(3);
    nGas = numberAt(4);
    nOrif = numberAt(5);
    reportAndBuild(toCV);
}

void ABALE::readAirCards() {
    unsigned types[] = {7, 7, 7, 2, 2, 2, 2, 2};
    const char* names[] = {"UNUSED", "UNUSED", "UNUSED", "MWAIR", "INITM", "AIRA", "AIRB", "AIRC"};
    readRepeated({"AirCard", 8, types, names, IdStep::none()}, nAir);
}

void ABALE::readGasCard() {
    unsigned types[] = {1, 7, 7, 2, 7, 2, 2, 2};
    const char* names[] = {"LCMF", "UNUSED", "UNUSED", "MWGAS", "UNUSED", "GASA", "GASB", "GASC"};
    unsigned pos[] = {0};
    unsigned code1[] = {1};
    unsigned code2[] = {33};
    readRepeated({"GasCard", 8, types, names, IdStep::report({1, pos, code1, code2})}, nGas);
}

void ABALE::readOrifCards() {
    unsigned types[] = {1, 1, 2};
    const char* names[] = {"NODEID", "VECID", "ORIFARE"};
    unsigned pos[] = {0, 1};
    unsigned code1[] = {7, 1};
    unsigned code2[] = {9999, 39};
    readRepeated({"OrifCard", 3, types, names, IdStep::report({2, pos, code1, code2})}, nOrif);
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
