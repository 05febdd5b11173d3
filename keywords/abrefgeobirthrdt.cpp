#include "abrefgeobirthrdt.h"

#include "importfunctions.h"

namespace abimport {

constexpr KeywordDescription kRefGeoBirthRdtKeyword{
    6, "AIRBAG_REFERENCE_GEOMETRY_BIRTH_RDT", importABRefGeoBirthRDT, detail::kBirthNodeCards};

}  // namespace abimport

ABRefGeoBirthRDT::~ABRefGeoBirthRDT() = default;

void ABRefGeoBirthRDT::readNodeInfo() {
    abimport::detail::readReferenceNode(*this);
}

unsigned importABRefGeoBirthRDT(DataLine* dataLine, ImportObject* importObject) {
    return abimport::detail::importReferenceNodes<ABRefGeoBirthRDT>(dataLine, importObject, true);
}
