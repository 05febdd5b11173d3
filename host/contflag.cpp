#include "contflag.h"

unsigned Card::contFlag = abimport::kDefaultFlags;
