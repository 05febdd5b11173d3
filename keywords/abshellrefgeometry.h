#pragma once

#include "../frame/importbase.h"

// The shell reference geometry keyword: one element line after another
// (element, part and four node numbers in 8 columns each) up to the next
// keyword line.
class ABShellRefGeometry : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABShellRefGeometry() override;
    void readShellInfo();
};

namespace abimport {
extern const KeywordDescription kShellRefGeometryKeyword;
}
