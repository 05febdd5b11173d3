// Registration of the library's import functions in the host's map: every
// keyword of the keyword table (the library's eight by ascending type code,
// then those a host added), never overwriting a code the map holds.
#include "../frame/hostinterface.h"
#include "keywordtable.h"

void ABImport::initABALETypesAndFunctions() {
    for (const abimport::KeywordDescription* keyword : abimport::keywordList()) {
        auto at = abaleTypeMap.lower_bound(keyword->code);
        if (at == abaleTypeMap.end() || at->first > keyword->code) {
            abaleTypeMap.insert(at, {keyword->code, keyword->import});
        }
    }
}
