#include "referencesummary.h"

#include <string>

namespace abimport {

void printReferences(FILE* out, const ModelCheck& check) {
    const std::vector<ModelCheck::KindReport> kinds = check.kinds();
    size_t undefined = 0;
    for (const ModelCheck::KindReport& kind : kinds) {
        if (kind.coverage == ModelCheck::Coverage::Checked) undefined += kind.undefined;
    }
    std::fprintf(out, "references checked: %zu undefined\n", undefined);
    if (kinds.empty()) return;
    std::fprintf(out, "  %-40s %10s %10s %10s\n", "kind (idCode1/idCode2 or fields)", "references",
                 "distinct", "undefined");
    for (const ModelCheck::KindReport& kind : kinds) {
        const std::string label =
            std::string(kind.label) + " (" +
            (kind.fields.empty() ? std::to_string(kind.code1) + "/" + std::to_string(kind.code2)
                                 : kind.fields) +
            ")";
        const std::string keyword = kind.keyword ? kind.keyword : "";
        std::string count = std::to_string(kind.undefined), note;
        switch (kind.coverage) {
            case ModelCheck::Coverage::Checked: break;
            case ModelCheck::Coverage::NotFully:
                note =
                    "unresolved, not fully checked (the model has *" + keyword + "_... keywords)";
                break;
            case ModelCheck::Coverage::NothingDefined:
                count = "-";
                note =
                    "no *" + keyword + " in the model: " + kind.label + " references not checked";
                break;
            case ModelCheck::Coverage::NotCheckable:
                count = "-";
                note = "not checked";
                break;
        }
        std::fprintf(out, "  %-40s %10zu %10zu %10s%s%s\n", label.c_str(), kind.references,
                     kind.distinct, count.c_str(), note.empty() ? "" : "  ", note.c_str());
    }
}

}  // namespace abimport
