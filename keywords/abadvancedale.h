#pragma once

#include "../frame/importbase.h"

// The advanced ALE airbag keyword: three ID cards, the mesh card, mesh
// details when all three mesh sizes are non-zero, two control-volume cards
// and NAIR air cards.
class ABAdvancedALE : public ImportBase {
public:
    using ImportBase::ImportBase;
    ~ABAdvancedALE() override;
    void readBagIDs();
    void readHoleIDs();
    void readInflIDs();
    void readALEMesh();

    unsigned nx = 0;
    unsigned ny = 0;
    unsigned nz = 0;
    unsigned nAir = 0;

private:
    friend unsigned importABAdvancedALE(DataLine*, ImportObject*);
    void readMeshDetails();
    void readCVCard1();
    void readCVCard2();
    void readAirCards();
};

namespace abimport {
extern const KeywordDescription kAdvancedAleKeyword;
}
