#include "workspace.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "../host/includefiles.h"
#include "../host/keywordtitles.h"
#include "uri.h"

namespace abimport::lsp {

namespace fs = std::filesystem;

namespace {

bool exists(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Whether a keyword title names a file on its first data line: *INCLUDE and
// its relatives, but not the folders of *INCLUDE_PATH.
bool namesAFile(std::string_view title) {
    if (titleIs(title, "INCLUDE")) return true;
    if (title.size() <= 8 || !titleIs(title.substr(0, 8), "INCLUDE_")) return false;
    return !titleIs(title, "INCLUDE_PATH") && !titleIs(title, "INCLUDE_PATH_RELATIVE");
}

// The lines of a text in memory, one after the other.
std::function<bool(std::string_view&)> linesOf(const std::string& text) {
    return [&text, begin = size_t{0}](std::string_view& line) mutable {
        if (begin >= text.size()) return false;
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        line = std::string_view(text).substr(begin, end - begin);
        begin = end + 1;
        return true;
    };
}

// The lines of a file on disk, read as they come (a deck may be large).
std::function<bool(std::string_view&)> linesOf(std::ifstream& in) {
    return [&in, kept = std::string()](std::string_view& line) mutable {
        if (!std::getline(in, kept)) return false;
        line = kept;
        return true;
    };
}

}  // namespace

bool isDeckName(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    const std::string extension = path.substr(dot + 1);
    for (const char* known : {"k", "key", "dyn", "inc"}) {
        if (strcasecmp(extension.c_str(), known) == 0) return true;
    }
    return false;
}

void Workspace::setRoot(const std::string& root) {
    root_ = root;
    scanned_ = false;
    includes_.clear();
}

std::vector<std::string> Workspace::includesOf(
    const std::string& path, const std::function<bool(std::string_view&)>& nextLine) const {
    std::vector<std::string> named;
    bool nameNext = false;
    std::string name;
    for (std::string_view view; nextLine(view);) {
        if (view.empty() || view[0] == '$') continue;
        if (view[0] == '*') {
            nameNext = namesAFile(keywordTitleOf(view.data(), view.size()));
            name.clear();
            continue;
        }
        if (!nameNext) continue;
        std::string line(view);
        const bool continued = takeNameLine(line);
        name += line;
        if (continued) continue;
        nameNext = false;
        const std::string file = trimmedName(name);
        name.clear();
        if (file.empty()) continue;
        std::string found = joinPath(folderOf(path), file);
        if (!exists(found) && !root_.empty()) found = joinPath(root_, file);
        if (exists(found)) named.push_back(absolutePath(found));
    }
    return named;
}

void Workspace::scan() {
    scanned_ = true;
    if (root_.empty()) return;
    std::error_code error;
    size_t seen = 0;
    fs::recursive_directory_iterator it(root_, fs::directory_options::skip_permission_denied,
                                        error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->is_directory(error) && !name.empty() && name[0] == '.') {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(error) || !isDeckName(name)) continue;
        if (++seen > kMostFiles) break;
        const std::string path = absolutePath(it->path().string());
        if (includes_.count(path)) continue;
        std::ifstream in(path, std::ios::binary);
        if (in) includes_[path] = includesOf(path, linesOf(in));
    }
}

void Workspace::fileChanged(const std::string& path, const std::string* text) {
    if (!scanned_) return;
    std::ifstream in;
    if (!text) in.open(path, std::ios::binary);
    if (text)
        includes_[path] = includesOf(path, linesOf(*text));
    else if (in)
        includes_[path] = includesOf(path, linesOf(in));
    else
        includes_.erase(path);
}

std::string Workspace::mainDeckOf(const std::string& path) {
    if (!scanned_) scan();
    // Up the include tree: the first file (in path order) that includes
    // this one, until a file that nothing includes.
    std::string at = path;
    std::set<std::string> visited{at};
    for (;;) {
        std::string includer;
        for (const auto& [file, named] : includes_) {
            if (std::find(named.begin(), named.end(), at) != named.end()) {
                includer = file;
                break;
            }
        }
        if (includer.empty() || !visited.insert(includer).second) return at;
        at = includer;
    }
}

std::string Workspace::shownName(const std::string& path) const {
    if (!root_.empty() && path.size() > root_.size() && path.compare(0, root_.size(), root_) == 0 &&
        path[root_.size()] == '/')
        return path.substr(root_.size() + 1);
    return path;
}

}  // namespace abimport::lsp
