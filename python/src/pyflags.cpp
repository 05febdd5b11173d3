#include "pyflags.h"

#include "../../host/contflag.h"
#include "../../model/card.h"

namespace abimport {

namespace {

struct FlagMember {
    const char* name;
    unsigned value;
};

// Each bit of the flag word that the library reads, then the stand-in host's
// default word, which as a combination of members is an alias of them.
constexpr FlagMember kFlagMembers[] = {
    {"KEEP_NAMES", Card::kKeepNames},
    {"BUILD_CARDS", Card::kBuildCards},
    {"REPORT_IDS", Card::kReportIds},
    {"DEFAULT", kDefaultFlags},
};

constexpr const char* kFlagsDoc =
    "The host flag word that a deck is read with: KEEP_NAMES keeps the field "
    "names of each card, BUILD_CARDS builds the cards, REPORT_IDS reports the "
    "ID-bearing fields to the host (the addIDToRefFile calls); DEFAULT is the "
    "three together. Any int of 32 bits is taken where a flag word is.";

}  // namespace

void bindFlags(py::module_& module) {
    py::list members;
    for (const FlagMember& member : kFlagMembers)
        members.append(py::make_tuple(member.name, member.value));
    py::object type = py::module_::import("enum").attr("IntFlag")(
        "Flags", members, py::arg("module") = "abimport", py::arg("qualname") = "Flags");
    type.attr("__doc__") = kFlagsDoc;
    module.attr("Flags") = type;
}

py::object flagsValue(unsigned word) {
    return py::module_::import("abimport._core").attr("Flags")(word);
}

}  // namespace abimport
