#include "abreferencegeometry.h"

#include "importfunctions.h"

namespace abimport {

constexpr KeywordDescription kReferenceGeometryKeyword{
    4, "AIRBAG_REFERENCE_GEOMETRY", importABReferenceGeometry, detail::kNodeCards};
static_assert(detail::wellFormed(kReferenceGeometryKeyword));

}  // namespace abimport

ABReferenceGeometry::~ABReferenceGeometry() = default;

void ABReferenceGeometry::readNodeInfo() {
    readReferenceNode(*this);
}

void readReferenceNode(ImportBase& importer) {
    importer.readLineCard(abimport::detail::kNodeCard);
}

void readBirthCard(ImportBase& importer) {
    importer.readCard(abimport::detail::kBirthCard);
}

unsigned importABReferenceGeometry(DataLine* dataLine, ImportObject* importObject) {
    return importReferenceNodes<ABReferenceGeometry>(dataLine, importObject, false);
}
