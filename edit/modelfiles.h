// The files of a model held for editing: each file's bytes as read, with its
// lines indexed once, at the first edit, and the edited lines kept beside
// them, so that an edit costs the same whatever the file's size. Saving
// writes the files atomically and refuses, writing nothing, when a file
// changed on disk since it was read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace abimport {

class ModelFile {
public:
    ModelFile(std::string path, std::string bytes)
        : path_(std::move(path)), bytes_(std::move(bytes)) {}

    const std::string& path() const { return path_; }
    const std::string& original() const { return bytes_; }
    bool changed() const { return editedCount_ != 0; }

    // The text of line (1-based) without its newline, with the edits; false
    // when the file has no such line. The view lasts until the next edit.
    bool line(unsigned long long number, std::string_view& text);
    // Whether line ends with a newline in the file.
    bool lineHasNewline(unsigned long long number);
    bool lineEdited(unsigned long long number) const {
        return number < edited_.size() && edited_[number].length != kNone;
    }
    // Replaces the text of a line (without its newline).
    void setLine(unsigned long long number, std::string_view text);
    // Gives a line back its text as read.
    void revert(unsigned long long number);
    // Whether the line was edited since the cards were read: now, or before
    // the file was saved.
    bool lineTouched(unsigned long long number) const {
        return lineEdited(number) || (number < touched_.size() && touched_[number]);
    }
    // After a save: the file as saved becomes the file as read.
    void rebase();

    // What a line holds now, to give it back later with restore().
    struct LineState {
        uint64_t offset;
        uint32_t length;
    };
    LineState state(unsigned long long number) const {
        return lineEdited(number) ? LineState{edited_[number].offset, edited_[number].length}
                                  : LineState{0, kNone};
    }
    void restore(unsigned long long number, LineState state);

    // The bytes with the edits.
    std::string content() const;
    // Hands the bytes with the edits to write, piece by piece, in order;
    // false as soon as write does.
    template <class Write>
    bool writeContent(Write write) const {
        size_t copied = 0;
        for (unsigned long long number = 1; number < edited_.size(); ++number) {
            if (!lineEdited(number)) continue;
            if (!write(std::string_view(bytes_).substr(copied, lineStart(number) - copied)) ||
                !write(editedText(number))) {
                return false;
            }
            copied = lineEnd(number);
        }
        return write(std::string_view(bytes_).substr(copied));
    }

    // Where the edits held stand, and undoing every edit made after it:
    // a batch of edits that fails gives the lines back as they were.
    struct Mark {
        size_t edits;
    };
    Mark mark() const { return {edits_.size()}; }
    void undoSince(Mark mark);
    // The "@@" hunks of the changed lines, in line order.
    std::string diff() const;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    struct Span {
        uint64_t offset = 0;  // into edits_
        uint32_t length = kNone;
    };

    void index();
    // Where line's text starts and ends (its newline, or the end of the file).
    size_t lineStart(unsigned long long number) const { return lineStarts_[number - 1]; }
    size_t lineEnd(unsigned long long number) const;
    std::string_view editedText(unsigned long long number) const {
        const Span& span = edited_[number];
        return std::string_view(edits_).substr(span.offset, span.length);
    }

    std::string path_;
    std::string bytes_;
    std::vector<size_t> lineStarts_;  // empty until the first edit
    std::vector<Span> edited_;        // by line; empty until the first edit
    std::string edits_;  // the texts of the edited lines, one after another, never overwritten
    size_t editedCount_ = 0;
    std::vector<bool> touched_;  // by line: edited before a save
};

// Writes the file's bytes with its edits to path atomically (temporary file,
// flush, rename), with the permissions of the file it replaces (0644 less the
// umask for a new one).
bool writeFileAtomically(const std::string& path, const ModelFile& file,
                         const std::function<void(const std::string&)>& beforeRename,
                         std::string& error);

// Whether each file that the save would write from (changed, or all of them)
// still holds on disk the bytes it was read with; error names the first that
// does not.
bool filesUnchangedOnDisk(const std::vector<ModelFile>& files, bool onlyChanged,
                          std::string& error);

bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace abimport
