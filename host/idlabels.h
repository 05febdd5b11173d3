// Plain-language names of the kinds of ID the importers report, by their
// (idCode1, idCode2) pair.
#pragma once

namespace abimport {

// "node", "load curve", ...; "other" for a pair no importer uses.
const char* idKindLabel(unsigned code1, unsigned code2);

}  // namespace abimport
