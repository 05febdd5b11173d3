#include "abreferencegeometry.h"

#include "importfunctions.h"

ABReferenceGeometry::~ABReferenceGeometry() = default;

void ABReferenceGeometry::readNodeInfo() { readReferenceNode(*this); }

void readReferenceNode(ImportBase& importer) {
    unsigned types[] = {1, 2, 2, 2};
    unsigned widths[] = {8, 16, 16, 16};
    const char* names[] = {"NID", "X", "Y", "Z"};
    unsigned pos[] = {0};
    unsigned code1[] = {7};
    unsigned code2[] = {9999};
    importer.readLineCard({"NodeInfo", 4, types, widths, names, {1, pos, code1, code2}});
}

void readBirthCard(ImportBase& importer) {
    unsigned types[] = {2};
    const char* names[] = {"BIRTH"};
    importer.readCard({"BirthCard", 1, types, names, IdStep::none()});
}

unsigned importABReferenceGeometry(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABReferenceGeometry>(dataLine, importObject, false);
}
