#pragma once

#include "../frame/importbase.h"

// The airbag interaction keyword: one card of two airbags, area, scale factor,
// part, load curve and flow flag.
class ABInteraction : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABInteraction() override;
    void readInteraction();
};

namespace abimport {
extern const KeywordDescription kInteractionKeyword;
}
