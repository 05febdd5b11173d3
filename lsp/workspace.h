// Which model a file belongs to: the main deck that includes it, directly
// or through other files, found by looking at the include keywords of the
// deck files in the workspace folder; a file that nothing includes is its
// own main deck. A setting may name the main decks instead.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace abimport::lsp {

class Workspace {
public:
    // The most files looked at in the workspace folder.
    static constexpr size_t kMostFiles = 20000;

    // The workspace folder (absolute; empty: none) and the main decks a
    // setting names (absolute paths; empty: found from the folder).
    void setRoot(const std::string& root);
    void setMainDecks(std::vector<std::string> decks) { mainDecks_ = std::move(decks); }
    const std::string& root() const { return root_; }
    // A path as the server shows it: relative to the folder when it lies in it.
    std::string shownName(const std::string& path) const;
    const std::vector<std::string>& mainDecks() const { return mainDecks_; }

    // The main deck of a file (absolute path).
    std::string mainDeckOf(const std::string& path);
    // A file changed (text: its buffer; null: the file on disk): its include
    // keywords are looked at again, once the folder has been looked at.
    void fileChanged(const std::string& path, const std::string* text);
    // Looks at the deck files of the folder, once.
    bool scanned() const { return scanned_; }
    void scan();

private:
    // The files that the include keywords of a file's lines name, resolved
    // from its folder and the root; nextLine gives each line, false at the end.
    std::vector<std::string> includesOf(
        const std::string& path, const std::function<bool(std::string_view&)>& nextLine) const;

    std::string root_;
    std::vector<std::string> mainDecks_;
    bool scanned_ = false;
    std::map<std::string, std::vector<std::string>> includes_;  // by including file
};

// Whether a file name looks like a deck: .k, .key, .dyn, .inc (any case).
bool isDeckName(const std::string& path);

}  // namespace abimport::lsp
