#include "abrefgeometryrdt.h"

#include "importfunctions.h"

namespace abimport {

constexpr KeywordDescription kRefGeometryRdtKeyword{7, "AIRBAG_REFERENCE_GEOMETRY_RDT",
                                                    importABRefGeometryRDT, detail::kNodeCards};

}  // namespace abimport

ABRefGeometryRDT::~ABRefGeometryRDT() = default;

void ABRefGeometryRDT::readNodeInfo() {
    abimport::detail::readReferenceNode(*this);
}

unsigned importABRefGeometryRDT(DataLine* dataLine, ImportObject* importObject) {
    return abimport::detail::importReferenceNodes<ABRefGeometryRDT>(dataLine, importObject, false);
}
