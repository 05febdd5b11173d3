// The include keywords of the deck loop: *INCLUDE and its relatives that name
// a file, and *INCLUDE_PATH with the folders to look in.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "deckimport.h"

namespace abimport {

bool DeckImport::readName(LinePieces& lines, PendingKeyword& pending, std::string& name,
                          bool& tooLong) {
    name.clear();
    tooLong = false;
    bool found = false;
    for (bool continued = true; continued;) {
        if (!lines.next()) break;
        const char first = lines.text()[0];
        if (first == '$') {
            lines.skipRest();
            continue;
        }
        if (first == '*') {
            holdKeywordLine(lines, pending);
            break;
        }
        std::string text(lines.text(), lines.length());
        if (!lines.takeRest(text, kMaxNameLength + 2)) tooLong = true;
        continued = takeNameLine(text);
        if (name.size() + text.size() > kMaxNameLength) tooLong = true;
        name += text.substr(0, kMaxNameLength - std::min(name.size(), kMaxNameLength));
        found = true;
    }
    name = trimmedName(name);
    return found;
}

void DeckImport::includeFolders(LinePieces& lines, PendingKeyword& pending) {
    std::string folder;
    bool tooLong;
    while (readName(lines, pending, folder, tooLong)) {
        if (!folder.empty() && !tooLong) search_.addFolder(folder);
    }
}

void DeckImport::includeFile(std::string_view title, unsigned long long line, LinePieces& lines,
                             PendingKeyword& pending) {
    const std::string keyword = "*" + std::string(title);
    std::string name;
    bool tooLong;
    if (!readName(lines, pending, name, tooLong) || name.empty()) {
        includeFailed_ = true;
        warn(WarningKind::IncludeNotFound, line, keyword + " names no file");
        return;
    }
    const std::string shown = keyword + " '" + name + "'";
    if (tooLong) {
        includeFailed_ = true;
        warn(WarningKind::IncludeNotFound, line,
             keyword + ": the file name is longer than " + std::to_string(kMaxNameLength) +
                 " characters");
        return;
    }
    if (!settings_.followIncludes) {
        warn(WarningKind::IncludeSkipped, line, shown + " not followed: includes are turned off");
        return;
    }
    if (files_[currentFile_].depth >= kMaxIncludeDepth) {
        warn(
            WarningKind::IncludeDepth, line,
            shown + " not followed: includes nest deeper than " + std::to_string(kMaxIncludeDepth));
        return;
    }
    readIncludeFile(keyword, name, currentFile_, line);
}

std::string DeckImport::chainTo(const std::string& path) const {
    std::string chain;
    for (size_t i = currentFile_; i != SourceFile::kNoParent; i = files_[i].parent) {
        chain = *files_[i].path + " -> " + chain;
    }
    return chain + path;
}

void DeckImport::readIncludeFile(const std::string& keyword, const std::string& name, size_t parent,
                                 unsigned long long line) {
    const std::string shown = keyword + " '" + name + "'";
    const std::string& parentPath = *files_[parent].path;
    std::vector<std::string> tried;
    const std::string path =
        search_.find(name, parentPath == "-" && parent == 0 ? "" : folderOf(parentPath), tried);
    if (path.empty()) {
        std::string places;
        for (const std::string& candidate : tried)
            places += (places.empty() ? "" : ", ") + candidate;
        includeFailed_ = true;
        warn(WarningKind::IncludeNotFound, line,
             "cannot find " + shown + " (looked for " + places + ")");
        return;
    }
    OpenedInclude opened = settings_.openFile ? settings_.openFile(path) : openInclude(path);
    if (!opened.file) {
        includeFailed_ = true;
        warn(WarningKind::IncludeNotFound, line,
             "cannot read " + shown + " (" + path + "): " + opened.error);
        return;
    }
    for (const OpenFile& open : chain_) {
        if (open.known && open.device == opened.device && open.inode == opened.inode) {
            std::fclose(opened.file);
            warn(WarningKind::IncludeCycle, line,
                 shown + " includes itself (" + chainTo(path) + "): not followed");
            return;
        }
    }
    if (keyword.size() > 8) {  // not plain *INCLUDE
        warn(WarningKind::IncludeTransform, line,
             shown + " is read as a plain include: what " + keyword +
                 " adds (offsets, scaling, transformations) is not applied to the airbag cards");
    }

    SourceFile include;
    include.path = std::make_shared<const std::string>(path);
    include.parent = parent;
    include.includeLine = line;
    include.depth = files_[parent].depth + 1;
    files_.push_back(include);
    const size_t index = files_.size() - 1;
    if (observer_) observer_->includeOpened(files_[index], files_[parent]);

    // The include is read through the same reader, then the including file
    // goes on after the name line.
    FILE* const savedFile = reader_->file;
    const unsigned long long savedLine = reader_->lineNumber;
    // Where the including file's reading stands, for the parameters read ahead.
    if (!streams_.empty()) streams_.back().line = savedLine;
    const bool savedEnded = reader_->lineEnded;
    reader_->lineNumber = 0;
    reader_->lineEnded = true;
    chain_.push_back({opened.device, opened.inode, true});
    currentFile_ = index;
    const bool repeated = noteOpened(opened.device, opened.inode, index);
    repeatedIncludes_ += repeated;
    readFile(index, opened.file);
    repeatedIncludes_ -= repeated;
    const bool readFailed = std::ferror(opened.file) != 0;
    chain_.pop_back();
    std::fclose(opened.file);
    reader_->file = savedFile;
    reader_->lineNumber = savedLine;
    reader_->lineEnded = savedEnded;
    currentFile_ = parent;
    if (readFailed) {
        includeFailed_ = true;
        warn(WarningKind::IncludeNotFound, line,
             "error while reading " + shown + " (" + path + ")");
    }
}

}  // namespace abimport
