// The library's import functions, one per airbag keyword. Each reads the
// keyword's data cards from a DataLine positioned after the keyword line and
// returns 0.
#pragma once

#include "../frame/dataline.h"
#include "../frame/hostinterface.h"
#include "../model/export.h"

ABIMPORT_API unsigned importABAdvancedALE(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABALE(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABInteraction(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABReferenceGeometry(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABRefGeometryBirth(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABRefGeoBirthRDT(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABRefGeometryRDT(DataLine* dataLine, ImportObject* importObject);
ABIMPORT_API unsigned importABShellRefGeometry(DataLine* dataLine, ImportObject* importObject);
