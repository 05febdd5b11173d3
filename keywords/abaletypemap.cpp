// Registration of the library's import functions in the host's map.
#include <iterator>

#include "../frame/hostinterface.h"
#include "../keywords/importfunctions.h"

void ABImport::initABALETypesAndFunctions() {
    static const std::pair<unsigned, ImportFunction> kImporters[] = {
        {1, importABAdvancedALE},      {2, importABALE},
        {3, importABInteraction},      {4, importABReferenceGeometry},
        {5, importABRefGeometryBirth}, {6, importABRefGeoBirthRDT},
        {7, importABRefGeometryRDT},   {8, importABShellRefGeometry},
    };
    for (const auto& entry : kImporters) {
        auto at = abaleTypeMap.lower_bound(entry.first);
        if (at == abaleTypeMap.end() || at->first > entry.first) {
            abaleTypeMap.insert(at, entry);
        }
    }
}
