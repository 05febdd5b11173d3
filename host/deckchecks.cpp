// The deck loop's checks of the keyword lines it does not import, and under
// the model check the definitions in their lines and the files included twice.
#include <cctype>

#include "deckimport.h"
#include "keywordchecks.h"
#include "textchecks.h"

namespace abimport {

void DeckImport::otherKeyword(std::string_view title, LinePieces& lines, PendingKeyword& pending) {
    const unsigned long long line = pending.line;
    if (title.empty()) {
        if (settings_.warnings) {
            warn(WarningKind::EmptyTitle, line,
                 "keyword line without a title (a blank or the line's end right after '*'): " +
                     quoted(pending.text, pending.length) + " is skipped",
                 {1, 1});
        }
        return;
    }
    ModelCheck::Definitions how;
    // What a file included again defines was told once: its definitions
    // are no duplicates of their own.
    if (settings_.check && repeatedIncludes_ == 0 && check_.definitionsOf(title, how)) {
        if (check_.defineFromLines(how, lines, currentFile_)) holdKeywordLine(lines, pending);
        return;
    }
    if (!isAirbagTitle(title)) return;
    const AirbagTitle airbag = airbagTitleOf(title);
    if (airbag.kind == AirbagTitle::Misspelled) {
        if (settings_.warnings) {
            warn(WarningKind::UnknownKeyword, line,
                 "*" + std::string(title) + " is no keyword and is skipped: did you mean *" +
                     airbag.keyword + "?",
                 {1, static_cast<unsigned>(title.size() + 1)});
        }
        return;
    }
    if (airbag.kind == AirbagTitle::WithOption && settings_.warnings) {
        const size_t length = std::string_view(airbag.keyword).size();
        warn(WarningKind::KeywordNotImported, line,
             "*" + std::string(title) + " is *" + airbag.keyword + " with the option " +
                 std::string(title.substr(length)) +
                 ", which is not imported: the keyword and its cards are skipped");
    }
    std::string name(title);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ++notImported_[name];
}

bool DeckImport::noteOpened(dev_t device, ino_t inode, size_t file) {
    if (!settings_.check) return false;
    for (const auto& [open, index] : opened_) {
        if (open.device != device || open.inode != inode) continue;
        if (files_[index].parent == SourceFile::kNoParent) return false;
        const SourceFile& again = files_[file];
        const SourceFile& before = files_[index];
        warnAt(WarningKind::IncludeRepeated, again.parent, again.includeLine,
               *again.path + " is included again (first at " + *files_[before.parent].path + ":" +
                   std::to_string(before.includeLine) + "): everything in it is defined twice");
        return true;
    }
    opened_.push_back({{device, inode, true}, file});
    return false;
}

}  // namespace abimport
