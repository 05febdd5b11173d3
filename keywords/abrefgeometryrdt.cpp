#include "abrefgeometryrdt.h"

#include "importfunctions.h"

ABRefGeometryRDT::~ABRefGeometryRDT() = default;

void ABRefGeometryRDT::readNodeInfo() {
    readReferenceNode(*this);
}

unsigned importABRefGeometryRDT(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABRefGeometryRDT>(dataLine, importObject, false);
}
