#include "abreferencegeometry.h"

#include "importfunctions.h"

ABReferenceGeometry::~ABReferenceGeometry() = default;

void ABReferenceGeometry::readNodeInfo() {
    readReferenceNode(*this);
}

void readReferenceNode(ImportBase& importer) {
    unsigned types[] = {kInt, kDouble, kDouble, kDouble};
    unsigned widths[] = {8, 16, 16, 16};
    const char* names[] = {"NID", "X", "Y", "Z"};
    IdFields ids({{0, kNodeId}});
    importer.readLineCard({"NodeInfo", 4, types, widths, names, ids.table()});
}

void readBirthCard(ImportBase& importer) {
    unsigned types[] = {kDouble};
    const char* names[] = {"BIRTH"};
    importer.readCard({"BirthCard", 1, types, names, IdStep::none()});
}

unsigned importABReferenceGeometry(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABReferenceGeometry>(dataLine, importObject, false);
}
