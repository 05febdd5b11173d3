// Imports on several threads at once, each with its own DataLine and
// ImportObject, give exactly what a single-threaded import of the same deck
// gives. Run under ThreadSanitizer by make tsan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "deckrun.h"

using namespace abimport;

namespace {

// Every deck of examples/ and the tests' golden folder, plus a comma-form deck
// whose words differ by thread so that a shared split position would show.
std::vector<std::string> decks() {
    std::vector<std::string> out;
    const std::filesystem::path source = ABIMPORT_SOURCE_DIR;
    for (const char* folder : {"examples", "tests/golden"}) {
        for (const auto& entry : std::filesystem::directory_iterator(source / folder)) {
            if (entry.path().extension() != ".k") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            out.push_back(text.str());
        }
    }
    for (int tag = 0; tag < 4; ++tag) {
        std::string deck = "*AIRBAG_REFERENCE_GEOMETRY\n";
        for (int node = 0; node < 300; ++node) {
            deck += std::to_string(node * 4 + tag) + ",1.5-3," + std::to_string(tag) + ",2.5\n";
        }
        deck += "*AIRBAG_ALE\n1,2,,,,,3.5-1,4\n" + std::to_string(tag) + ",\n";
        out.push_back(deck);
    }
    return out;
}

}  // namespace

TEST(Threads, ConcurrentImportsMatchSingleThreadedOnes) {
    const std::vector<std::string> texts = decks();
    ASSERT_GE(texts.size(), 6u);  // the examples and golden decks were found

    std::vector<DeckRun> expected;
    for (const std::string& text : texts) expected.push_back(runDeck(text));
    ASSERT_FALSE(expected[0].cards.empty());

    // Every thread imports every deck in turn, starting at a different one,
    // so that different decks are read at the same moment.
    constexpr unsigned kThreads = 6;
    constexpr unsigned kRounds = 5;
    std::vector<unsigned> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (unsigned round = 0; round < kRounds; ++round) {
                for (size_t i = 0; i < texts.size(); ++i) {
                    const size_t d = (i + t) % texts.size();
                    if (!(runDeck(texts[d]) == expected[d])) ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches, std::vector<unsigned>(kThreads, 0));
}
