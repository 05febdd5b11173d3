// The host's deck loop on models split over files: where include files are
// looked for, what the include keywords and *END do, and what is warned when an
// include cannot be followed.
#include <sys/stat.h>

#include <regex>

#include "modeltrace.h"

using namespace abimport;

namespace {

const std::string kCard =
    "         1         2       1.5       1.0        10        20         0\n";
const std::string kInteraction = "*AIRBAG_INTERACTION\n" + kCard;
const std::string kNode = "       1             1.5             2.5             3.5\n";

struct IncludeCase {
    const char* label;
    std::map<std::string, std::string> files;  // "{dir}" stands for the folder's path
    Lines events;
    bool includeFailed = false;
    bool followIncludes = true;
};

std::vector<IncludeCase> includeCases() {
    return {
        {"a relative name is found in the including file's folder first",
         {{"main.k", "*INCLUDE\nparts/a.k\n" + kInteraction},
          {"parts/a.k", "*INCLUDE\nb.k\n" + kInteraction},
          {"parts/b.k", kInteraction},
          {"b.k", "*AIRBAG_ALE\n"}},
         {"include main.k:1 parts/a.k", "include parts/a.k:1 parts/b.k",
          "keyword parts/b.k:1 AIRBAG_INTERACTION", "keyword parts/a.k:3 AIRBAG_INTERACTION",
          "keyword main.k:3 AIRBAG_INTERACTION"}},
        {"then in the *INCLUDE_PATH folders in the order read, then in the main deck's folder",
         {{"main.k",
           "*INCLUDE_PATH\nfirst\n$ a comment\nsecond\n*INCLUDE_PATH_RELATIVE\nthird\n"
           "*INCLUDE\nx.k\n*INCLUDE\ny.k\n*INCLUDE\nz.k\n*INCLUDE\nparts/p.k\n"},
          {"first/y.k", kInteraction},
          {"second/x.k", kInteraction},
          {"second/y.k", "*X\n"},
          {"third/z.k", kInteraction},
          {"parts/p.k", "*INCLUDE\ntop.k\n"},
          {"top.k", kInteraction}},
         {"include main.k:7 second/x.k", "keyword second/x.k:1 AIRBAG_INTERACTION",
          "include main.k:9 first/y.k", "keyword first/y.k:1 AIRBAG_INTERACTION",
          "include main.k:11 third/z.k", "keyword third/z.k:1 AIRBAG_INTERACTION",
          "include main.k:13 parts/p.k", "include parts/p.k:1 top.k",
          "keyword top.k:1 AIRBAG_INTERACTION"}},
        {"names continued after ' +', blanks around them, comments first, absolute names, any case",
         {{"main.k",
           "*include\n$ the name follows\n  sub/lo +\nng.k  \n*Include  part two\n{dir}/abs.k\n"},
          {"sub/long.k", kInteraction},
          {"abs.k", kInteraction}},
         {"include main.k:1 sub/long.k", "keyword sub/long.k:1 AIRBAG_INTERACTION",
          "include main.k:5 abs.k", "keyword abs.k:1 AIRBAG_INTERACTION"}},
        {"*INCLUDE_TRANSFORM is read as a plain include, with a warning",
         {{"main.k", "*INCLUDE_TRANSFORM\nt.k\n         0         0\n" + kInteraction},
          {"t.k", kInteraction}},
         {"warning main.k:1 include-transform", "include main.k:1 t.k",
          "keyword t.k:1 AIRBAG_INTERACTION", "keyword main.k:4 AIRBAG_INTERACTION"}},
        {"includes missing, not regular or without a name: warned, the rest is read",
         {{"main.k",
           "*INCLUDE\nmissing.k\n*INCLUDE\nsub\n*INCLUDE\n/dev/null\n*INCLUDE\n" + kInteraction},
          {"sub/x.k", ""}},
         {"warning main.k:1 include-not-found", "warning main.k:3 include-not-found",
          "warning main.k:5 include-not-found", "warning main.k:7 include-not-found",
          "keyword main.k:8 AIRBAG_INTERACTION"},
         true},
        {"a file that includes itself, directly or through another, is not followed again",
         {{"main.k", "*INCLUDE\na.k\n" + kInteraction},
          {"a.k", "*INCLUDE\na.k\n*INCLUDE\nb.k\n"},
          {"b.k", "*INCLUDE\nmain.k\n" + kInteraction}},
         {"include main.k:1 a.k", "warning a.k:1 include-cycle", "include a.k:3 b.k",
          "warning b.k:1 include-cycle", "keyword b.k:3 AIRBAG_INTERACTION",
          "keyword main.k:3 AIRBAG_INTERACTION"}},
        {"with includes off, every include keyword is a warning",
         {{"main.k", "*INCLUDE\na.k\n*INCLUDE_TRANSFORM\na.k\n" + kInteraction},
          {"a.k", kInteraction}},
         {"warning main.k:1 include-skipped", "warning main.k:3 include-skipped",
          "keyword main.k:5 AIRBAG_INTERACTION"},
         false,
         false},
        {"*END ends the file it stands in, also when an import meets it; *END_X does not",
         {{"main.k", "*INCLUDE\na.k\n" + kInteraction + "*END_X\n*end\n" + kInteraction},
          {"a.k", "*AIRBAG_REFERENCE_GEOMETRY\n" + kNode + "*END\n" + kInteraction}},
         {"include main.k:1 a.k", "keyword a.k:1 AIRBAG_REFERENCE_GEOMETRY",
          "keyword main.k:3 AIRBAG_INTERACTION"}},
        {"an airbag keyword last in an include ends where that file ends: a node list is "
         "complete, a fixed sequence misses its cards at the file's last line",
         {{"main.k", "*INCLUDE\na.k\n*INCLUDE\nb.k\n" + kInteraction},
          {"a.k", "*AIRBAG_REFERENCE_GEOMETRY\n" + kNode},
          {"b.k", "*AIRBAG_ALE\n       100         1\n$ end"}},
         {"include main.k:1 a.k", "keyword a.k:1 AIRBAG_REFERENCE_GEOMETRY", "include main.k:3 b.k",
          "keyword b.k:1 AIRBAG_ALE", "warning b.k:3 missing-card",
          "keyword main.k:5 AIRBAG_INTERACTION"}},
    };
}

}  // namespace

TEST(Includes, FollowedAsTheRulesSay) {
    for (const IncludeCase& c : includeCases()) {
        SCOPED_TRACE(c.label);
        ModelFolder folder;
        for (const auto& [name, text] : c.files)
            folder.write(name,
                         std::regex_replace(text, std::regex("\\{dir\\}"),
                                            folder.path("").substr(0, folder.path("").size() - 1)));
        ModelTrace trace(folder);
        ImportSettings settings;
        settings.followIncludes = c.followIncludes;
        const ModelRun run = importModel(folder, trace, settings);
        EXPECT_EQ(trace.events, c.events);
        EXPECT_EQ(run.includeFailed, c.includeFailed);
    }
}

// The files read, in the order opened, nested as included: the summary's list.
TEST(Includes, FilesAreListedAsOpened) {
    ModelFolder folder;
    folder.write("main.k", "*INCLUDE\nparts/a.k\n*INCLUDE\nb.k\n*INCLUDE\nparts/a.k\n");
    folder.write("parts/a.k", "*INCLUDE\nc.k\n");
    folder.write("parts/c.k", kInteraction);
    folder.write("b.k", kInteraction + kInteraction);
    ModelTrace trace(folder);
    const ModelRun run = importModel(folder, trace, {});
    EXPECT_EQ(run.files,
              (Lines{"main.k", "parts/a.k", "parts/c.k", "b.k", "parts/a.k", "parts/c.k"}));
    EXPECT_EQ(run.keywords, 4u);
}

// A chain of includes deeper than 64 stops there; a pipe is not opened (it
// could wait for a writer for ever); a cycle stops. (The cycle's message with
// its chain: the inc.k transcript of docs/warnings.md.)
TEST(Includes, DepthPipesAndCyclesCannotHang) {
    ModelFolder folder;
    folder.write("main.k", "*INCLUDE\nd1.k\n*INCLUDE\npipe\n*INCLUDE\nself.k\n");
    for (int i = 1; i <= 70; ++i)
        folder.write("d" + std::to_string(i) + ".k",
                     "*INCLUDE\nd" + std::to_string(i + 1) + ".k\n");
    folder.write("self.k", "*INCLUDE\nself.k\n");
    ASSERT_EQ(mkfifo(folder.path("pipe").c_str(), 0600), 0);
    ModelTrace trace(folder);
    const ModelRun run = importModel(folder, trace, {});
    Lines expected;
    for (int i = 1; i <= 64; ++i)
        expected.push_back("include " +
                           (i == 1 ? std::string("main.k") : "d" + std::to_string(i - 1) + ".k") +
                           ":1 d" + std::to_string(i) + ".k");
    expected.push_back("warning d64.k:1 include-depth");
    expected.push_back("warning main.k:3 include-not-found");
    expected.push_back("include main.k:5 self.k");
    expected.push_back("warning self.k:1 include-cycle");
    EXPECT_EQ(trace.events, expected);
    EXPECT_TRUE(run.includeFailed);
}

// The open-file hook hands the loop texts in place of the files on disk (an
// editor's unsaved buffers): an include comes from it, and a main deck read
// from memory keeps the identity of its file, so including it is a cycle.
TEST(Includes, OpenFileHookReplacesTheFilesOnDisk) {
    ModelFolder folder;
    folder.write("main.k", "*INCLUDE\na.k\n");
    folder.write("a.k", "*KEYWORD\n");
    const std::string mainText = "*INCLUDE\na.k\n*INCLUDE\nmain.k\n";
    std::string buffer = "*INCLUDE\nmain.k\n" + kInteraction;
    ImportSettings settings;
    std::vector<std::string> asked;
    settings.openFile = [&](const std::string& path) {
        asked.push_back(folder.relative(path));
        if (folder.relative(path) != "a.k") return openInclude(path);
        OpenedInclude opened = openInclude(path);  // its identity
        std::fclose(opened.file);
        opened.file = fmemopen(buffer.data(), buffer.size(), "r");
        return opened;
    };
    ModelTrace trace(folder);
    HostImportObject target(&trace);
    importText(mainText, folder.path("main.k"), target, &trace, settings);
    EXPECT_EQ(asked, (Lines{"a.k", "main.k", "main.k"}));
    EXPECT_EQ(trace.events,
              (Lines{"include main.k:1 a.k", "warning a.k:1 include-cycle",
                     "keyword a.k:3 AIRBAG_INTERACTION", "warning main.k:3 include-cycle"}));
}
