#pragma once

#include "abreferencegeometry.h"

// Importer of the RDT form of the reference geometry with a birth card first.
class ABRefGeoBirthRDT : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABRefGeoBirthRDT() override;
    void readNodeInfo();
};

namespace abimport {
extern const KeywordDescription kRefGeoBirthRdtKeyword;
}
