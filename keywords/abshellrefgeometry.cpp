#include "abshellrefgeometry.h"

#include "importfunctions.h"

ABShellRefGeometry::~ABShellRefGeometry() = default;

void ABShellRefGeometry::readShellInfo() {
    unsigned types[] = {kInt, kInt, kInt, kInt, kInt, kInt};
    unsigned widths[] = {8, 8, 8, 8, 8, 8};
    const char* names[] = {"EID", "PID", "N1", "N2", "N3", "N4"};
    IdFields ids({{0, kShellElementId},
                  {1, kPartId},
                  {2, kNodeId},
                  {3, kNodeId},
                  {4, kNodeId},
                  {5, kNodeId}});
    readLineCard({"ShellInfo", 6, types, widths, names, ids.table()});
}

unsigned importABShellRefGeometry(DataLine* dataLine, ImportObject* importObject) {
    ABShellRefGeometry importer(dataLine, importObject);
    do {
        importer.readShellInfo();
    } while (importer.wordCount != 0);
    return 0;
}
