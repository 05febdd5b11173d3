// Finding and opening the files that include keywords name.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "../model/export.h"  // refuses a language level or ABI the library cannot share

namespace abimport {

// The folder part of a path ("" for a bare name, "/" for a file at the root).
std::string folderOf(const std::string& path);
// name under folder; name itself when folder is empty or name is absolute.
std::string joinPath(const std::string& folder, const std::string& name);

// The text of one line that names a file or folder, without its line end:
// true when it ends with a blank and '+', which continues the name on the
// next line (the blank and the '+' are then taken off).
bool takeNameLine(std::string& line);
// Leading and trailing blanks and tabs taken off.
std::string trimmedName(const std::string& name);

// Where a relative include name is looked for: the folder of the including
// file, then the folders of *INCLUDE_PATH in the order they were read, then
// the main deck's folder.
class IncludeSearch {
public:
    explicit IncludeSearch(std::string mainFolder) : mainFolder_(std::move(mainFolder)) {}
    // A folder of *INCLUDE_PATH; a relative one is taken from the main deck's folder.
    void addFolder(const std::string& folder);
    // The first candidate for name that exists, or empty; tried receives
    // every candidate looked at. An absolute name is its only candidate.
    std::string find(const std::string& name, const std::string& includingFolder,
                     std::vector<std::string>& tried) const;

private:
    std::string mainFolder_;
    std::vector<std::string> folders_;
};

// An include opened for reading. Only a regular file is opened: a folder, a
// device or a pipe could yield nothing or never end.
struct OpenedInclude {
    FILE* file = nullptr;  // null when it could not be opened; error says why
    dev_t device = 0;
    ino_t inode = 0;
    std::string error;
};
OpenedInclude openInclude(const std::string& path);

}  // namespace abimport
