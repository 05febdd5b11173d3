#include "abrefgeometrybirth.h"

#include "importfunctions.h"

ABRefGeometryBirth::~ABRefGeometryBirth() = default;

void ABRefGeometryBirth::readNodeInfo() {
    readReferenceNode(*this);
}

unsigned importABRefGeometryBirth(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABRefGeometryBirth>(dataLine, importObject, true);
}
