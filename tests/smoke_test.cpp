#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "frame/hostinterface.h"
#include "host/deckimport.h"
#include "host/hostcalls.h"
#include "deckfile.h"

TEST(Smoke, InteractionImports) {
    const char deck[] = "*AIRBAG_INTERACTION\n         1         2       1.5       1.0        10        20         0\n*END\n";
    DeckFile file(deck);
    FILE* f = file.get();
    DataLine dl(f);
    ABImport reg;
    reg.initABALETypesAndFunctions();
    HostCallRecorder rec;
    HostImportObject io(&rec);
    EXPECT_EQ(importDeck(dl, reg, io), 1u);
    ASSERT_EQ(io.cards.size(), 1u);
    std::string text;
    io.cards[0]->tostring(text);
    std::printf("%s", text.c_str());
    ASSERT_EQ(rec.calls.size(), 1u);

}
