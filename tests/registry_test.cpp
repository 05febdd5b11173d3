// Registration of the eight import functions in the host's map.
#include <gtest/gtest.h>

#include <map>

#include "frame/hostinterface.h"
#include "keywords/importfunctions.h"

namespace {

unsigned hostOwnImport(DataLine*, ImportObject*) {
    return 7;
}

const std::map<unsigned, ImportFunction> kLibraryImports = {
    {1, importABAdvancedALE},      {2, importABALE},
    {3, importABInteraction},      {4, importABReferenceGeometry},
    {5, importABRefGeometryBirth}, {6, importABRefGeoBirthRDT},
    {7, importABRefGeometryRDT},   {8, importABShellRefGeometry},
};

}  // namespace

TEST(Registry, FillsCodesOneToEightAndASecondCallChangesNothing) {
    ABImport registry;
    registry.initABALETypesAndFunctions();
    EXPECT_EQ(registry.abaleTypeMap, kLibraryImports);
    registry.initABALETypesAndFunctions();
    EXPECT_EQ(registry.abaleTypeMap, kLibraryImports);
}

TEST(Registry, NeverOverwritesWhatTheHostRegistered) {
    ABImport registry;
    registry.abaleTypeMap = {{0, hostOwnImport}, {3, hostOwnImport}, {9, hostOwnImport}};
    registry.initABALETypesAndFunctions();

    std::map<unsigned, ImportFunction> expected = kLibraryImports;
    expected[0] = expected[3] = expected[9] = hostOwnImport;
    EXPECT_EQ(registry.abaleTypeMap, expected);
}
