#include "abshellrefgeometry.h"

#include "cardtables.h"
#include "importfunctions.h"

namespace abimport {

namespace {

using namespace detail;

constexpr const IdKind* kNode = idKind("node");

constexpr FieldDescription kShellFields[] = {
    column("EID", kInt, 8, idKind("shell element")),
    column("PID", kInt, 8, idKind("part")),
    column("N1", kInt, 8, kNode),
    column("N2", kInt, 8, kNode),
    column("N3", kInt, 8, kNode),
    column("N4", kInt, 8, kNode),
};

constexpr CardDescription kCards[] = {
    {"ShellInfo", CardForm::Line, IdStep::Report, CardRole::ShellList, kShellFields},
};

}  // namespace

constexpr KeywordDescription kShellRefGeometryKeyword{8, "AIRBAG_SHELL_REFERENCE_GEOMETRY",
                                                      importABShellRefGeometry, kCards};

}  // namespace abimport

ABShellRefGeometry::~ABShellRefGeometry() = default;

void ABShellRefGeometry::readShellInfo() {
    readLineCard(abimport::kCards[0]);
}

unsigned importABShellRefGeometry(DataLine* dataLine, ImportObject* importObject) {
    ABShellRefGeometry importer(dataLine, importObject);
    do {
        importer.readShellInfo();
    } while (importer.wordCount != 0);
    return 0;
}
