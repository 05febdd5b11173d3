// The host's flag word: by default keep field names, build cards and report IDs.
#include "../model/card.h"

unsigned Card::contFlag = 0x16;
