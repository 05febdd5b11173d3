// What the host supplies to the library: the import target, the registry
// class, and the reporting functions. The library only declares these; the
// host defines the constructors, destructors and functions.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "../model/card.h"
#include "../model/export.h"
#include "carddescription.h"
#include "dataline.h"

// The host's import target. Its card list owns every appended card. A host
// that needs more state derives from it.
class ABIMPORT_API ImportObject {
public:
    ImportObject();
    virtual ~ImportObject();
    ImportObject(const ImportObject&) = delete;
    ImportObject& operator=(const ImportObject&) = delete;

    std::vector<Card*> cards;
};

// The host's registry of import functions by keyword type code.
class ABIMPORT_API ABImport {
public:
    // Inserts the library's eight import functions under codes 1 to 8 (and
    // those of keywords a host added to the keyword table under theirs),
    // leaving any code already present untouched.
    void initABALETypesAndFunctions();

    std::map<unsigned, abimport::ImportFunction> abaleTypeMap;
};

// Reports the ID-bearing fields of one card: row k names the field at word
// position idPos[k] with its codes idCode1[k] and idCode2[k] (9999: none).
ABIMPORT_API int addIDToRefFile(char** words, unsigned& idCount, unsigned* idPos, unsigned* idCode1,
                                unsigned* idCode2, ImportObject* importObject);
// Host lookups that take a whole card in place of an ID report.
ABIMPORT_API int airbagFind(char** words, unsigned& wordCount, unsigned,
                            ImportObject* importObject);
ABIMPORT_API int airbagVentHoleFind(char** words, unsigned& wordCount, unsigned,
                                    ImportObject* importObject);
ABIMPORT_API int airbagAdvancedAle(char** words, unsigned& wordCount, unsigned,
                                   ImportObject* importObject);

// The host's items that more than one loaded module defines: one line for
// each, "ITEM: used from MODULE, also defined in MODULE...", naming first the
// definition the library uses. Empty when each item is defined once. All
// modules share the definition in use (one host per process).
namespace abimport {
ABIMPORT_API std::string hostItemsDefinedTwice();
}
