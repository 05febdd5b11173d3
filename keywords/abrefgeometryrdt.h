#pragma once

#include "abreferencegeometry.h"

// Importer of the RDT form of the plain reference geometry.
class ABRefGeometryRDT : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABRefGeometryRDT() override;
    void readNodeInfo();
};

namespace abimport {
extern const KeywordDescription kRefGeometryRdtKeyword;
}
