#include "abinteraction.h"

#include "importfunctions.h"

ABInteraction::~ABInteraction() = default;

void ABInteraction::readInteraction() {
    unsigned types[] = {kInt, kInt, kDouble, kDouble, kInt, kInt, kInt};
    const char* names[] = {"AB1", "AB2", "AREA", "SF", "PID", "LCID", "IFLOW"};
    IdFields ids({{0, kAirbagId}, {1, kAirbagId}, {4, kPartId}, {5, kLoadCurveId}});
    readCard({"Interaction", 7, types, names, IdStep::report(ids.table())});
}

unsigned importABInteraction(DataLine* dataLine, ImportObject* importObject) {
    ABInteraction importer(dataLine, importObject);
    importer.readInteraction();
    return 0;
}
