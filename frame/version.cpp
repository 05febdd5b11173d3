#include "version.h"

const char* abimport::libraryVersion() {
    return ABIMPORT_VERSION_STRING;
}
