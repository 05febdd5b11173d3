#include "abreferencegeometry.h"

#include "importfunctions.h"

namespace abimport {

constexpr KeywordDescription kReferenceGeometryKeyword{
    4, "AIRBAG_REFERENCE_GEOMETRY", importABReferenceGeometry, detail::kNodeCards};

}  // namespace abimport

ABReferenceGeometry::~ABReferenceGeometry() = default;

void ABReferenceGeometry::readNodeInfo() {
    abimport::detail::readReferenceNode(*this);
}

void abimport::detail::readReferenceNode(ImportBase& importer) {
    importer.readLineCard(kNodeCard);
}

void abimport::detail::readBirthCard(ImportBase& importer) {
    importer.readCard(kBirthCard);
}

unsigned importABReferenceGeometry(DataLine* dataLine, ImportObject* importObject) {
    return abimport::detail::importReferenceNodes<ABReferenceGeometry>(dataLine, importObject,
                                                                       false);
}
