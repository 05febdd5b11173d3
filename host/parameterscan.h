// Reading a model's parameter definitions ahead of the import. The deck loop
// starts it the first time its reading meets a *PARAMETER keyword or an '&'
// in an airbag keyword's data line; everything read before holds no
// definition. It reads on from there through the files the loop has open,
// and the files they go on to include, exactly as the loop will: *INCLUDE
// and its relatives, *INCLUDE_PATH, *END, the same limits. Each definition is
// noted with its file as the loop will number it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "includefiles.h"
#include "parametertable.h"

namespace abimport {

// Whether the title is that of a keyword that defines parameters:
// *PARAMETER, *PARAMETER_EXPRESSION and their _LOCAL forms; which one.
bool isParameterTitle(std::string_view title, bool* expression = nullptr, bool* local = nullptr);

// A file the deck loop has open.
struct OpenModelFile {
    size_t index;  // in the model's files
    std::shared_ptr<const std::string> path;
    bool isMainDeck;
    unsigned depth;
    dev_t device;
    ino_t inode;
    bool known;  // whether device and inode are known
    // What the loop has not read of it yet: held, which begins line
    // firstLine, then the rest of rest (at its position, which the scan
    // restores; null for none).
    std::string_view held;
    unsigned long long firstLine;
    FILE* rest;
};

class ParameterScan {
public:
    // Opens an include file found at a path (ImportSettings::openFile).
    using OpenFile = std::function<OpenedInclude(const std::string& path)>;

    // search: where the loop looks for includes now; nextIndex: the index
    // the next file the loop opens gets; open: opens the includes (unset:
    // the files on disk).
    ParameterScan(ParameterTable& table, IncludeSearch search, bool followIncludes,
                  size_t nextIndex, OpenFile open = {})
        : table_(table),
          search_(std::move(search)),
          follow_(followIncludes),
          next_(nextIndex),
          open_(std::move(open)) {}

    // chain: the open files, the one being read first, then the one that
    // includes it, and so on. keyword: the title of the keyword whose data
    // lines the first file goes on with ("" for none that matters).
    void scan(const std::vector<OpenModelFile>& chain, const std::string& keyword);

private:
    class Lines;
    struct Scope {
        size_t index;
        std::shared_ptr<const std::string> path;
        bool isMainDeck;
        unsigned depth;
    };
    void scanFile(Lines& lines, const Scope& file, std::string keyword);
    // The file or folder name of an include keyword's data lines, read as
    // the deck loop reads it: false when a keyword line (then left in line,
    // held) or the end of the file (ended) comes first.
    bool readName(Lines& lines, std::string& line, std::string& name, bool& tooLong, bool& held,
                  bool& ended);
    void include(const std::string& name, const Scope& file);
    void define(const std::string& line, const Scope& file, unsigned long long number,
                bool expression, bool local);

    ParameterTable& table_;
    IncludeSearch search_;
    bool follow_;
    size_t next_;
    OpenFile open_;
    struct Identity {
        dev_t device;
        ino_t inode;
        bool known;
    };
    std::vector<Identity> chain_;
    std::vector<std::shared_ptr<const std::string>> paths_;
};

}  // namespace abimport
