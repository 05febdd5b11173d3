#pragma once

#include "../frame/importbase.h"

// The ALE airbag keyword: set, ambient, coupling, vent-hole and mesh cards,
// the two mesh point cards when NZ is at least 1, the control-volume card with
// the counts, and NAIR air, NGAS gas and NORIF orifice cards.
class ABALE : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABALE() override;
    void readALEToCV();
    void readGasCard();

    unsigned nAir = 0;
    unsigned nGas = 0;
    unsigned nOrif = 0;

private:
    friend unsigned importABALE(DataLine*, ImportObject*);
    void readSetInfo();
    void readAmbientCard();
    void readCoupling();
    void readVentHole();
    // Reads the mesh card; true when the mesh point cards follow.
    bool readALEMesh();
    void readMeshPoints();
    void readAirCards();
    void readOrifCards();
};

namespace abimport {
extern const KeywordDescription kAleKeyword;
}
