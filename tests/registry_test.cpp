// Registration of the eight import functions in the host's map.
#include <gtest/gtest.h>

#include <map>

#include "../frame/hostinterface.h"
#include "../keywords/cardtables.h"
#include "../keywords/importfunctions.h"
#include "../keywords/keywordtable.h"

using abimport::ImportFunction;

// A fresh map gets codes 1 to 8; codes the host filled keep its function; a
// second call changes nothing.
TEST(Registry, FillsCodesOneToEightWithoutOverwriting) {
    using Map = std::map<unsigned, ImportFunction>;
    const ImportFunction own = [](DataLine*, ImportObject*) { return 7u; };
    const Map library = {{1, importABAdvancedALE},      {2, importABALE},
                         {3, importABInteraction},      {4, importABReferenceGeometry},
                         {5, importABRefGeometryBirth}, {6, importABRefGeoBirthRDT},
                         {7, importABRefGeometryRDT},   {8, importABShellRefGeometry}};
    Map hosted = library;
    hosted[0] = hosted[3] = hosted[9] = own;
    ABImport fresh, host;
    host.abaleTypeMap = {{0, own}, {3, own}, {9, own}};
    for (int call = 0; call < 2; ++call) {
        fresh.initABALETypesAndFunctions();
        host.initABALETypesAndFunctions();
        EXPECT_EQ(fresh.abaleTypeMap, library);
        EXPECT_EQ(host.abaleTypeMap, hosted);
    }
}

// Every keyword of the library's table holds together (field counts, widths
// of its form, ID steps, roles), and the table finds it by code and title.
TEST(Registry, KeywordTableHoldsTogether) {
    ASSERT_EQ(abimport::keywordList().size(), 8u);
    for (const abimport::KeywordDescription* keyword : abimport::keywordList()) {
        EXPECT_TRUE(abimport::detail::wellFormed(*keyword)) << keyword->title;
        EXPECT_EQ(abimport::keywordWithCode(keyword->code), keyword);
        EXPECT_EQ(abimport::keywordWithTitle(keyword->title), keyword);
    }
}
