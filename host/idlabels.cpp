#include "idlabels.h"

namespace abimport {

namespace {

struct IdKind {
    unsigned code1;
    unsigned code2;
    const char* label;
};

const IdKind kKinds[] = {
    {1, 33, "load curve"},     {1, 36, "bag"},
    {1, 37, "vent hole"},      {1, 38, "inflator"},
    {1, 39, "orifice vector"}, {1, 40, "mesh transformation"},
    {5, 9999, "part"},         {6, 41, "shell element"},
    {7, 9999, "node"},         {19, 9999, "airbag"},
};

}  // namespace

const char* idKindLabel(unsigned code1, unsigned code2) {
    for (const IdKind& kind : kKinds) {
        if (kind.code1 == code1 && kind.code2 == code2) return kind.label;
    }
    return "other";
}

}  // namespace abimport
