#pragma once

#include "abreferencegeometry.h"

// Importer of the reference geometry with a birth card first.
class ABRefGeometryBirth : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABRefGeometryBirth() override;
    void readNodeInfo();
};

namespace abimport {
extern const KeywordDescription kRefGeometryBirthKeyword;
}
