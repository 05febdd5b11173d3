// A second host module: it defines the host's items once more, as a plug-in
// with a host of its own would. Loaded beside the stand-in host, whose
// definitions the library keeps using.
#include "../frame/hostinterface.h"

unsigned Card::contFlag = 0;
int addIDToRefFile(char**, unsigned&, unsigned*, unsigned*, unsigned*, ImportObject*) {
    return 1;
}
int airbagFind(char**, unsigned&, unsigned, ImportObject*) {
    return 1;
}
int airbagVentHoleFind(char**, unsigned&, unsigned, ImportObject*) {
    return 1;
}
int airbagAdvancedAle(char**, unsigned&, unsigned, ImportObject*) {
    return 1;
}
