// Warnings on standard error, one line each in the form compilers use so that
// editors jump to them: FILE:LINE: warning: MESSAGE [KIND]. At most
// kShownPerKind lines of one kind per deck; the deck's end tells how many more
// there were.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "../host/deckimport.h"
#include "warningkinds.h"

namespace abimport {

class WarningPrinter : public DeckObserver {
public:
    static constexpr size_t kShownPerKind = 20;

    explicit WarningPrinter(FILE* out) : out_(out) {}
    void warning(const Warning& warning) override;
    // Whether a warning of the kind would be printed now; if not, the caller
    // may count it with countHidden instead of making its message.
    bool shows(WarningKind kind) const {
        return perKind_[static_cast<unsigned>(kind)] < kShownPerKind;
    }
    void countHidden(WarningKind kind);
    // One line per kind with warnings left out, naming the deck.
    void deckEnds(const std::string& deckPath);
    size_t count() const { return count_; }

private:
    FILE* out_;
    size_t count_ = 0;
    std::array<size_t, kWarningKindCount> perKind_{};
};

// Forwards every event to two observers, first to first.
class ObserverPair : public DeckObserver {
public:
    ObserverPair(DeckObserver& first, DeckObserver& second) : first_(first), second_(second) {}
    void includeOpened(const SourceFile& include, const SourceFile& includingFile) override;
    void keywordStarts(const KeywordSource& keyword) override;
    void keywordEnds(const ImportedKeyword& keyword) override;
    void warning(const Warning& warning) override;

private:
    DeckObserver& first_;
    DeckObserver& second_;
};

}  // namespace abimport
