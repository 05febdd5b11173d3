#include "abshellrefgeometry.h"

#include "importfunctions.h"

ABShellRefGeometry::~ABShellRefGeometry() = default;

void ABShellRefGeometry::readShellInfo() {
    unsigned types[] = {1, 1, 1, 1, 1, 1};
    unsigned widths[] = {8, 8, 8, 8, 8, 8};
    const char* names[] = {"EID", "PID", "N1", "N2", "N3", "N4"};
    unsigned pos[] = {0, 1, 2, 3, 4, 5};
    unsigned code1[] = {6, 5, 7, 7, 7, 7};
    unsigned code2[] = {41, 9999, 9999, 9999, 9999, 9999};
    readLineCard({"ShellInfo", 6, types, widths, names, {6, pos, code1, code2}});
}

unsigned importABShellRefGeometry(DataLine* dataLine, ImportObject* importObject) {
    ABShellRefGeometry importer(dataLine, importObject);
    do {
        importer.readShellInfo();
    } while (importer.wordCount != 0);
    return 0;
}
