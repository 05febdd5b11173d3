#include "version.h"

const char* abimportLibraryVersion() {
    return ABIMPORT_VERSION_STRING;
}
