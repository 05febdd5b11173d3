// A host that loads the library with dlopen() (tests/dlopenhost.cpp) gets the
// import it would get linking the library, provided that its program exports
// its host items; otherwise the library does not load, lazily or not.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "deckloop.h"
#include "importharness.h"
#include "toolrun.h"

namespace abimport {
namespace {

const std::string kDeck = ABIMPORT_SOURCE_DIR "/examples/airbags.k";
const std::string kLibrary = ABIMPORT_LIBRARY_PATH;

// The items the library leaves to its host: a name, or a function's name
// without its parameters.
std::vector<std::string> hostItems() {
    std::vector<std::string> items;
    std::istringstream list(ABIMPORT_HOST_ITEMS);
    for (std::string item; std::getline(list, item, ',');) items.push_back(item);
    return items;
}

ToolRun runHost(const std::string& variant, const char* mode) {
    const ModelFolder scratch;
    return scratch.run(ABIMPORT_DLOPEN_HOSTS "/dlopen-host-" + variant,
                       quoted(kLibrary) + " " + quoted(kDeck) + " " + mode);
}

// The item that a failed load names as "undefined symbol: SYMBOL", demangled
// and without a function's parameters; empty when it names none.
std::string undefinedItem(const std::string& message) {
    const std::string marker = "undefined symbol: ";
    const size_t at = message.find(marker);
    if (at == std::string::npos) return "";
    const size_t start = at + marker.size();
    const std::string symbol = message.substr(start, message.find_first_of(" \n", start) - start);
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status), std::free);
    const std::string item = status == 0 ? name.get() : symbol;
    return item.substr(0, item.find('('));
}

// What the stand-in host, linked with the library, is told and given for the
// deck: every reporting call, then the text of every card.
std::string linkedImport() {
    const unsigned saved = Card::contFlag;
    Card::contFlag = Card::kKeepNames | Card::kBuildCards | Card::kReportIds;
    HostCallRecorder recorder;
    HostImportObject target(&recorder);
    DataLine dataLine(kDeck.c_str());
    importDeck(dataLine, airbagRegistry(), target);
    Card::contFlag = saved;
    std::string out;
    for (const HostCall& call : recorder.calls) out += callLine(call) + "\n";
    for (Card* card : target.cards) card->tostring(out);
    return out;
}

TEST(DlopenHost, ExportingItsItemsItImportsAsALinkedHost) {
    const std::string want = linkedImport();
    // The deck makes every kind of reporting call.
    for (const std::string& item : hostItems()) {
        if (item == "Card::contFlag") continue;
        ASSERT_NE(want.find(item), std::string::npos) << want;
    }
    // -rdynamic exports everything; a dynamic list only the host's items.
    for (const char* variant : {"rdynamic", "listed"}) {
        for (const char* mode : {"", "lazy"}) {
            SCOPED_TRACE(std::string(variant) + " " + mode);
            const ToolRun run = runHost(variant, mode);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, want);
            EXPECT_EQ(run.err, "");
        }
    }
}

// Each item is bound when the library loads, the functions too: even a lazy
// load fails on the one item the program does not export (and so fails any
// load of a program that exports fewer).
TEST(DlopenHost, EveryItemIsBoundWhenTheLibraryLoads) {
    for (const std::string& item : hostItems()) {
        SCOPED_TRACE(item);
        std::string variant = "without-" + item;
        const size_t colons = variant.find("::");
        if (colons != std::string::npos) variant.replace(colons, 2, "-");
        const ToolRun run = runHost(variant, "lazy");
        EXPECT_EQ(run.status, 3) << run.err;
        EXPECT_EQ(undefinedItem(run.err), item) << run.err;
    }
}

}  // namespace
}  // namespace abimport
