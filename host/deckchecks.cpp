// The deck loop's checks of the keyword lines it does not import.
#include <cctype>

#include "deckimport.h"
#include "keywordchecks.h"
#include "textchecks.h"

void DeckImport::otherKeyword(std::string_view title, const PendingKeyword& keywordLine) {
    const unsigned long long line = keywordLine.line;
    if (title.empty()) {
        if (settings_.warnings) {
            warn(WarningKind::EmptyTitle, line,
                 "keyword line without a title (a blank or the line's end right after '*'): " +
                     quoted(keywordLine.text, keywordLine.length) +
                     " is skipped");
        }
        return;
    }
    if (!isAirbagTitle(title)) return;
    if (const char* meant = misspelledAirbagKeyword(title)) {
        if (settings_.warnings) {
            warn(WarningKind::UnknownKeyword, line,
                 "*" + std::string(title) + " is no keyword and is skipped: did you mean *" +
                     meant + "?");
        }
        return;
    }
    std::string name(title);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ++notImported_[name];
}
