#include "warningprinter.h"

namespace abimport {

namespace {

// Bytes that would garble a terminal line are shown as '?'.
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return out;
}

}  // namespace

void WarningPrinter::warning(const Warning& warning) {
    ++count_;
    if (++perKind_[static_cast<unsigned>(warning.kind)] > kShownPerKind) return;
    std::fprintf(out_, "%s:%llu: warning: %s [%s]\n", printable(*warning.file).c_str(),
                 warning.line, printable(warning.message).c_str(), warningKindName(warning.kind));
}

void WarningPrinter::countHidden(WarningKind kind) {
    ++count_;
    ++perKind_[static_cast<unsigned>(kind)];
}

void WarningPrinter::deckEnds(const std::string& deckPath) {
    for (unsigned kind = 0; kind < kWarningKindCount; ++kind) {
        if (perKind_[kind] <= kShownPerKind) continue;
        const char* name = warningKindName(static_cast<WarningKind>(kind));
        std::fprintf(out_, "%s: warning: %zu more %s warnings not shown [%s]\n",
                     printable(deckPath).c_str(), perKind_[kind] - kShownPerKind, name, name);
    }
    perKind_.fill(0);
}

void ObserverPair::includeOpened(const SourceFile& include, const SourceFile& includingFile) {
    first_.includeOpened(include, includingFile);
    second_.includeOpened(include, includingFile);
}

void ObserverPair::keywordStarts(const KeywordSource& keyword) {
    first_.keywordStarts(keyword);
    second_.keywordStarts(keyword);
}

void ObserverPair::keywordEnds(const ImportedKeyword& keyword) {
    first_.keywordEnds(keyword);
    second_.keywordEnds(keyword);
}

void ObserverPair::warning(const Warning& warning) {
    first_.warning(warning);
    second_.warning(warning);
}

}  // namespace abimport
