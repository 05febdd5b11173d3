// The library names the host's items that a second loaded module defines again.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../frame/hostinterface.h"

TEST(HostItems, ASecondDefinitionIsNamedWithBothModules) {
    EXPECT_EQ(abimport::hostItemsDefinedTwice(), "");
    void* second = dlopen(ABIMPORT_SECOND_HOST, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(second, nullptr) << dlerror();
    const std::string report = abimport::hostItemsDefinedTwice();
    dlclose(second);
    for (const char* item : {"Card::contFlag", "addIDToRefFile", "airbagFind", "airbagVentHoleFind",
                             "airbagAdvancedAle"}) {
        // The stand-in host's definition is the one in use, the module's the other.
        const std::string line = std::string(item) + ": used from ";
        const size_t at = report.find(line);
        ASSERT_NE(at, std::string::npos) << item << " missing from:\n" << report;
        const std::string rest = report.substr(at, report.find('\n', at) - at);
        EXPECT_NE(rest.find("libabimport_host.so"), std::string::npos) << rest;
        EXPECT_NE(rest.find("also defined in " ABIMPORT_SECOND_HOST), std::string::npos) << rest;
    }
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 5) << report;
    EXPECT_EQ(abimport::hostItemsDefinedTwice(), "");
}
