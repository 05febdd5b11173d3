#include "abrefgeometrybirth.h"

#include "importfunctions.h"

namespace abimport {

constexpr KeywordDescription kRefGeometryBirthKeyword{
    5, "AIRBAG_REFERENCE_GEOMETRY_BIRTH", importABRefGeometryBirth, detail::kBirthNodeCards};

}  // namespace abimport

ABRefGeometryBirth::~ABRefGeometryBirth() = default;

void ABRefGeometryBirth::readNodeInfo() {
    abimport::detail::readReferenceNode(*this);
}

unsigned importABRefGeometryBirth(DataLine* dataLine, ImportObject* importObject) {
    return abimport::detail::importReferenceNodes<ABRefGeometryBirth>(dataLine, importObject, true);
}
