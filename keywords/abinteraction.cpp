#include "abinteraction.h"

#include "importfunctions.h"

ABInteraction::~ABInteraction() = default;

void ABInteraction::readInteraction() {
    unsigned types[] = {1, 1, 2, 2, 1, 1, 1};
    const char* names[] = {"AB1", "AB2", "AREA", "SF", "PID", "LCID", "IFLOW"};
    unsigned pos[] = {0, 1, 4, 5};
    unsigned code1[] = {19, 19, 5, 1};
    unsigned code2[] = {9999, 9999, 9999, 33};
    readCard({"Interaction", 7, types, names, IdStep::report({4, pos, code1, code2})});
}

unsigned importABInteraction(DataLine* dataLine, ImportObject* importObject) {
    ABInteraction importer(dataLine, importObject);
    importer.readInteraction();
    return 0;
}
