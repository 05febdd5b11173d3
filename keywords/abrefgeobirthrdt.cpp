#include "abrefgeobirthrdt.h"

#include "importfunctions.h"

ABRefGeoBirthRDT::~ABRefGeoBirthRDT() = default;

void ABRefGeoBirthRDT::readNodeInfo() {
    readReferenceNode(*this);
}

unsigned importABRefGeoBirthRDT(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABRefGeoBirthRDT>(dataLine, importObject, true);
}
