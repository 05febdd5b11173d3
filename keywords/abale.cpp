#include "abale.h"

#include "../model/numbers/reading.h"
#include "importfunctions.h"

ABALE::~ABALE() = default;

void ABALE::readSetInfo() {
    unsigned types[] = {kInt, kInt, kUnused, kUnused, kUnused, kUnused, kDouble, kDouble};
    const char* names[] = {"SID", "SIDTYP", "UNUSED", "UNUSED", "UNUSED", "UNUSED", "MWD", "SPSF"};
    readCard({"SetInfo", 8, types, names, IdStep::call(airbagFind)});
}

void ABALE::readAmbientCard() {
    unsigned types[] = {kDouble, kDouble, kUnused, kDouble, kDouble, kDouble, kDouble};
    const char* names[] = {"ATMOST", "ATMOSP", "UNUSED", "GC", "CC", "TNKVOL", "TNKFINP"};
    readCard({"AmbientCard", 7, types, names, IdStep::none()});
}

void ABALE::readCoupling() {
    unsigned types[] = {kInt, kInt, kDouble, kDouble, kDouble, kInt, kInt, kDouble};
    const char* names[] = {"NQUAD", "CTYPE", "PFAC", "FRIC", "FRCMIN", "NORMTYP", "ILEAK", "PLEAK"};
    readCard({"Coupling", 8, types, names, IdStep::none()});
}

void ABALE::readVentHole() {
    unsigned types[] = {kInt, kInt, kInt, kDouble};
    const char* names[] = {"IVSETID", "IVTYPE", "IBLOCK", "VNTCOF"};
    readCard({"VentHole", 4, types, names, IdStep::call(airbagVentHoleFind)});
}

bool ABALE::readALEMesh() {
    unsigned types[] = {kInt, kInt, kInt, kInt, kInt};
    const char* names[] = {"NX", "NY", "NZ", "MOVERN", "ZOOM"};
    if (!readCard({"ALEMesh", 5, types, names, IdStep::none()})) return false;
    // The mesh points follow when NZ, as a signed number, is at least 1.
    return hasWordAt(2) && abimport_detail::textToI32(words[2]) >= 1;
}

void ABALE::readMeshPoints() {
    unsigned typesA[] = {kDouble, kDouble, kDouble, kDouble, kDouble, kDouble, kInt, kInt};
    const char* namesA[] = {"X0", "Y0", "Z0", "X1", "Y1", "Z1", "IPAIR", "IPGAS"};
    readCard({"Card5a", 8, typesA, namesA, IdStep::none()});

    unsigned typesB[] = {kDouble, kDouble, kDouble, kDouble, kDouble, kDouble};
    const char* namesB[] = {"X2", "Y2", "Z2", "X3", "Y3", "Z3"};
    readCard({"Card5b", 6, typesB, namesB, IdStep::none()});
}

void ABALE::readALEToCV() {
    unsigned types[] = {kDouble, kUnused, kDouble, kInt, kInt, kInt, kInt, kInt};
    const char* names[] = {"SWTIME", "UNUSED", "HG", "NAIR", "NGAS", "NORIF", "LCVEL", "LCT"};
    IdFields ids({{6, kLoadCurveId}, {7, kLoadCurveId}});
    const WordCard toCV{"ALEToCV", 8, types, names, IdStep::report(ids.table())};
    if (!readWords(toCV)) return;
    nAir = numberAt(3);
    nGas = numberAt(4);
    nOrif = numberAt(5);
    reportAndBuild(toCV);
}

void ABALE::readAirCards() {
    unsigned types[] = {kUnused, kUnused, kUnused, kDouble, kDouble, kDouble, kDouble, kDouble};
    const char* names[] = {"UNUSED", "UNUSED", "UNUSED", "MWAIR", "INITM", "AIRA", "AIRB", "AIRC"};
    readRepeated({"AirCard", 8, types, names, IdStep::none()}, nAir);
}

void ABALE::readGasCard() {
    unsigned types[] = {kInt, kUnused, kUnused, kDouble, kUnused, kDouble, kDouble, kDouble};
    const char* names[] = {"LCMF", "UNUSED", "UNUSED", "MWGAS", "UNUSED", "GASA", "GASB", "GASC"};
    IdFields ids({{0, kLoadCurveId}});
    readRepeated({"GasCard", 8, types, names, IdStep::report(ids.table())}, nGas);
}

void ABALE::readOrifCards() {
    unsigned types[] = {kInt, kInt, kDouble};
    const char* names[] = {"NODEID", "VECID", "ORIFARE"};
    IdFields ids({{0, kNodeId}, {1, kOrificeVectorId}});
    readRepeated({"OrifCard", 3, types, names, IdStep::report(ids.table())}, nOrif);
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
