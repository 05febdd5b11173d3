// The files of a model held for editing: each file's bytes as read, with its
// lines indexed once, at the first edit, and the edited lines kept beside
// them, so that an edit costs the same whatever the file's size. Saving
// writes the files atomically and refuses, writing nothing, when a file
// changed on disk since it was read.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace abimport {

class ModelFile {
public:
    ModelFile(std::string path, std::string bytes)
        : path_(std::move(path)), bytes_(std::move(bytes)) {}

    const std::string& path() const { return path_; }
    const std::string& original() const { return bytes_; }
    bool changed() const { return !edited_.empty(); }

    // The text of line (1-based) without its newline, with the edits; false
    // when the file has no such line.
    bool line(unsigned long long number, std::string& text);
    // Whether line ends with a newline in the file.
    bool lineHasNewline(unsigned long long number);
    bool lineEdited(unsigned long long number) const { return edited_.count(number) != 0; }
    // Replaces the text of a line (without its newline).
    void setLine(unsigned long long number, std::string text);
    // Gives a line back its text as read.
    void revert(unsigned long long number) { edited_.erase(number); }

    // The bytes with the edits.
    std::string content() const;
    // The "@@" hunks of the changed lines, in line order.
    std::string diff() const;

private:
    void index();
    // Where line's text ends (its newline, or the end of the file).
    size_t lineEnd(unsigned long long number) const;

    std::string path_;
    std::string bytes_;
    std::vector<size_t> lineStarts_;  // empty until the first edit
    std::unordered_map<unsigned long long, std::string> edited_;
};

// Writes bytes to path atomically (temporary file, flush, rename), with
// the permissions of the file it replaces (0644 less the umask for a new one).
bool writeFileAtomically(const std::string& path, const std::string& bytes,
                         const std::function<void(const std::string&)>& beforeRename,
                         std::string& error);

// Whether each file that the save would write from (changed, or all of them)
// still holds on disk the bytes it was read with; error names the first that
// does not.
bool filesUnchangedOnDisk(const std::vector<ModelFile>& files, bool onlyChanged,
                          std::string& error);

bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace abimport
