// The end of a file ends the keyword: the host hands the reader, after each
// file's last line, a line that ends the keyword, and the reader gets every
// line of the file exactly as the file holds it. So the host's reading gives
// what the library's own reading of the file gives, less the cards and calls
// that the library makes from no data line at the end of the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modeltrace.h"

namespace abimport {

namespace {

// Every card (with its values) and host call of a model, with its line.
Lines eventsOf(const ModelFolder& folder, bool fileEndLine) {
    ModelTrace trace(folder);
    trace.cards = trace.calls = trace.values = true;
    ImportSettings settings;
    settings.warnings = false;
    settings.fileEndLine = fileEndLine;
    importModel(folder, trace, settings);
    return trace.events;
}

const std::string kNode = "       1             1.5             2.5             3.5";

}  // namespace

TEST(FileEnd, ReaderGetsEveryLineAsTheFileHoldsIt) {
    const std::string geometry = "*AIRBAG_REFERENCE_GEOMETRY\n";
    const std::string ale = "*AIRBAG_ALE\n       100         1\n";
    const std::vector<std::pair<const char*, std::string>> decks = {
        {"last line with its line end", geometry + kNode + "\n"},
        {"last line without", geometry + kNode},
        {"CRLF line ends", "*AIRBAG_REFERENCE_GEOMETRY\r\n" + kNode + "\r\n" + kNode},
        {"a lone carriage return ends the last line", geometry + kNode + "\r"},
        {"a file of one line", "*AIRBAG_REFERENCE_GEOMETRY"},
        {"an empty file", ""},
        {"a 127-character last line", geometry + kNode + std::string(127 - kNode.size(), ' ')},
        {"a 254-character last line", geometry + kNode + std::string(254 - kNode.size(), ' ')},
        {"a 300-character last line", geometry + kNode + std::string(300 - kNode.size(), '7')},
        {"a NUL byte in the last line", geometry + std::string("       2\0 junk", 14)},
        // The line end counts in the exponent repair of a comma line's last word.
        {"a comma line's last word", "*AIRBAG_INTERACTION\n1,2,1.5-10"},
        {"a fixed sequence cut short", ale + "     293.0"},
        {"counted cards up to the end",
         "*AIRBAG_ADVANCED_ALE\n\n\n\n\n\n       0.0                 0.0        -1\n         1"},
        {"comments after the last card", ale + "$ one\n$ two"},
        {"a keyword line without its line end, which ends an import",
         geometry + kNode + "\n*AIRBAG_SHELL_REFERENCE_GEOMETRY  title"},
    };
    for (const auto& [label, deck] : decks) {
        SCOPED_TRACE(label);
        for (const bool included : {false, true}) {
            ModelFolder folder;
            // In an include, the including file goes on after it.
            folder.write("main.k", included ? "*INCLUDE\nin.k\n*AIRBAG_INTERACTION\n9\n" : deck);
            folder.write("in.k", deck);
            Lines expected;
            for (const std::string& event : eventsOf(folder, false))
                if (event.substr(event.size() - 2) != " -") expected.push_back(event);
            EXPECT_EQ(eventsOf(folder, true), expected) << included;
        }
    }
}

}  // namespace abimport
